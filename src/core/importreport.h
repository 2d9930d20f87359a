#pragma once

#include "tessel_core_global.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QMetaType>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// A preference an importer reads from the host's settings store: its key, its default, the values
// it recognises (empty: any text) and what it decides. Importers carry theirs in the
// "preferences" property, as PreferenceDeclarations.
struct PreferenceDeclaration
{
    QString key;
    QString defaultValue;
    QStringList recognisedValues;
    QString meaning;
};
using PreferenceDeclarations = QVector<PreferenceDeclaration>;

// Values a host gives an import in place of its settings store, by key, in the importer's
// "preferenceValues" property: with them the import reads no store, and a declared key they lack
// keeps its default. A host that runs imports with different values at once, or that must not
// read the user's settings (a library), sets it on each importer.
using PreferenceValues = QHash<QString, QString>;

// What the acquisition or batch folder added to an import, and which files served.
struct AcquisitionFolderReport
{
    QString instrumentName;
    QString sampleLabel;
    QString sampleLabelField; // the sample record's field that gave the label
    QString methodFile;
    QString sampleRecordFile;
    QString instrumentFile;       // empty when no file named the instrument
    QDateTime acquisitionInstant; // in the offset of the file it came from
    QString acquisitionResult;    // the batch log's verdict; empty when none
};

// A start read from the export's stamp that the acquisition time contradicts, while the stamp
// read with day and month swapped agrees.
struct DayMonthReport
{
    QString message; // the warning the import logged
    QDateTime exportStart;
    QDateTime swappedStart;
    QDateTime acquisitionInstant;
    QString preference; // the key of the date format
    QString dateFormat;
    QString suggestedDateFormat;
};

// The export's stamp when it fit no reading under the date format in force: what a host needs to
// find a format that reads it.
struct UnreadStampReport
{
    QString stamp;      // as blank-separated tokens: "2 28 2020 11 59 00 AM"
    QString preference; // the key of the date format
    QString dateFormat; // the format in force
};

// The batch folder (a name ending in ".b") that an export's acquisition folder stands in, as an
// absolute path; empty when the export's folder stands in no such folder. The importers look for
// the batch's method and logs there, and hosts group a batch's exports by it.
TESSEL_CORE_EXPORT QString batchFolderOf(const QString &exportPath);

// One acquisition of a batch log.
struct BatchLogAcquisition
{
    QString acquisition; // the ".d" folder's name
    QString sampleName;
    QString result;
};

// The log of the batch that an export belongs to.
struct BatchLogReport
{
    QString file;
    QVector<BatchLogAcquisition> acquisitions;
};

// How long one stage of an import took, by the wall clock.
struct StageTime
{
    QString stage;
    double seconds = 0.0;
};

// Times the stages of an import one after the other: each lap ends a stage and starts the next.
// A stage lapped again adds to its time, so that steps that take turns (formatting a block, then
// writing it) are each timed in all.
class StageClock
{
public:
    StageClock() { timer.start(); }
    void lap(const QString &stage)
    {
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        timer.restart();
        for (StageTime &earlier : laps) {
            if (earlier.stage == stage) {
                earlier.seconds += seconds;
                return;
            }
        }
        laps.append({stage, seconds});
    }
    const QVector<StageTime> &times() const { return laps; }

private:
    QElapsedTimer timer;
    QVector<StageTime> laps;
};

// What one import found and used beyond the host's signals. An importer leaves it in its
// "importReport" property: an empty report when an import starts, filled as the import goes.
struct ImportReport
{
    QVector<QPair<QString, QString>> preferencesUsed; // key and value, as read
    QString intensityUnit; // as the export's second line writes it; empty when it names none
    // The UTC offset ("+11:00") the export's stamp was read in, when the acquisition's own time
    // showed the instrument's clock to be in it; empty when read in the importer's zone.
    QString stampOffset;
    std::optional<AcquisitionFolderReport> acquisitionFolder; // set when the folder served
    std::optional<DayMonthReport> dayMonthCheck;
    std::optional<UnreadStampReport> unreadStamp; // set when the import failed on it
    std::optional<BatchLogReport> batchLog;
    QVector<StageTime> stageTimes; // in the order the stages ran, up to where the import ended
    int rowCount = 0; // the rows handed to the host, the closing row included; 0 when none were
};

Q_DECLARE_METATYPE(PreferenceDeclarations)
Q_DECLARE_METATYPE(ImportReport)
