#pragma once

#include "columns.h"
#include "datamanager.h"
#include "log.h"

#include <QDateTime>
#include <QStringList>
#include <QTimeZone>
#include <QVector>

#include <functional>
#include <optional>

class ImporterPlugins;

struct ChannelReport
{
    QString name;
    std::optional<MassPair> massPair;
    std::optional<double> dwellTimeSeconds;
};

// What the acquisition or batch folder added to the import, and which files served.
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
// read with day and month swapped agrees: the importer's finding.
struct DayMonthWarning
{
    QString message;
    QDateTime exportStart;
    QDateTime swappedStart;
    QDateTime acquisitionInstant;
    QString preference; // the importer's key for the date format
    QString dateFormat;
    QString suggestedDateFormat;
};

// One acquisition of a batch log.
struct BatchLogAcquisition
{
    QString acquisition; // the ".d" folder's name
    QString sampleName;
    QString result;
};

// The log of the batch that an input belongs to.
struct BatchLogReport
{
    QString file;
    QVector<BatchLogAcquisition> acquisitions;
};

// A file the run writes of an import (--export, --plot).
struct FileOutput
{
    QString kind; // "table" or "picture"
    QString path;
    QString error; // why it was not written; empty when it was
};

// Everything one file's import announced, stored and logged, and what the run wrote of it.
struct ImportResult
{
    QString file;
    QString importer; // the recognising plug-in's class name; empty when none recognised the file
    bool ok = false;  // the data reached the data store
    std::optional<QString> sampleName; // unset when the import announced none
    QString machineName;
    QDateTime start;
    QDateTime end;
    std::optional<double> durationSeconds;
    int rowCount = 0; // the rows handed to the host, the closing row included
    std::optional<quint64> sizeInBytes;
    QVector<ChannelReport> channels;
    QStringList messages;
    QStringList errors;
    QVector<LogEntry> log;
    QString intensityUnit; // as the export's second line writes it; empty when it names none
    // The UTC offset ("+11:00") the export's stamp was read in, when the acquisition folder's
    // time showed the instrument's clock to be in it; empty when read in timeZone.
    QString stampOffset;
    std::optional<AcquisitionFolderReport> acquisitionFolder;
    std::optional<DayMonthWarning> dayMonthWarning;
    std::optional<BatchLogReport> batchLog;
    int fileRecords = 0;
    int sampleRecords = 0;
    QSharedPointer<const RawInput> stored;
    QVector<FileOutput> outputs; // empty when none was asked for or nothing was stored
    // The zone the importer was asked to read local times in; the reports show times in it.
    QTimeZone timeZone = QTimeZone::systemTimeZone();
};

// The data rows of a table: the importers hand the host one closing row more (the last time plus
// a millisecond, without values).
inline int dataRowsOf(int rowCount)
{
    return rowCount > 0 ? rowCount - 1 : 0;
}

using ProgressCallback = std::function<void(double percent)>;

// Imports one file into the session's data store with a fresh importer of the first plug-in
// that recognises it, on the calling thread, the importer told to read local times in the zone
// (its "timeZone" property). progress, when set, receives the importer's progress signals.
ImportResult importFile(const ImporterPlugins &plugins, const QString &path, const QTimeZone &zone,
                        const ProgressCallback &progress);
