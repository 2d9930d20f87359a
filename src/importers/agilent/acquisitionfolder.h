#pragma once

#include "columns.h"

#include "batchrecords.h"
#include "importoutcome.h"
#include "importreport.h"
#include "importsettings.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <QTimeZone>
#include <QVariant>

#include <optional>

// The acquisition folder (a name ending in ".d") that a path written by the instrument software
// names, read as the export's first line is (windowsPathName): "Au-Cd ionic+2.d" of
// "D:\DATA\run.b\Au-Cd ionic+2.d,"; empty when the path ends in no such folder.
QString acquisitionFolderName(const QString &text);
// The same, of a path's last component.
QString acquisitionFolderOf(const QString &pathName);

using AcquisitionMethod = QHash<QString, QVariant>;

// The acquisition method's channel keys in the order of the export's data columns: ascending
// m/z for a single-quadrupole method, ascending pre-shift then post-shift mass for a tandem
// (mass-shift) method. In a method that mixes both kinds an unshifted channel sorts as if its
// m/z were both masses.
QStringList orderedChannels(const AcquisitionMethod &method);

struct ChannelProperties
{
    QList<float> dwellTimes;
    MassPairList massPairs;
};

// Dwell time (s) of every channel and the (pre-shift, post-shift) masses of the mass-shifted
// ones, in the given order. When the method mixes kinds, every channel gets a pair, the
// unshifted ones (m/z, m/z), so that pairs and channels stay aligned by position.
ChannelProperties channelProperties(const AcquisitionMethod &method, const QStringList &channels);

// What the lookup of an export's acquisition folder needs to know.
struct FolderLookupInput
{
    QString exportPath;
    // The acquisition folder that the export's first line names ("001.d"); empty when none.
    QString folderName;
    // The label field, and the date format that reads the local times of a batch's
    // BatchLog.csv.
    const ImportSettings &settings;
    QTimeZone zone; // whose wall clock those times are
};

// The sample record of one acquisition: from its AcqData/sample_info.xml, or from its batch's
// log.
struct SampleRecord
{
    QString file;
    QString sampleName;
    QString comment;
    QString instrumentName; // sample_info.xml only
    // The acquisition's start as an exact instant, in the source's own offset: UTC for
    // sample_info.xml, the instrument's offset for BatchLog.xml, the lookup's zone for
    // BatchLog.csv.
    QDateTime acquired;
    QString result; // the batch log's verdict ("Pass"); empty for sample_info.xml

    // An instant with an offset of its own (sample_info.xml, BatchLog.xml), not a reading of the
    // lookup's zone (BatchLog.csv), which cannot tell what clock the export's stamp shows.
    bool hasOwnOffset() const
    {
        return acquired.timeSpec() == Qt::UTC || acquired.timeSpec() == Qt::OffsetFromUTC;
    }
};

// A batch's log, for reports of the whole batch.
struct BatchLog
{
    QString file;
    QVector<BatchLogEntry> entries;
};

// What the instrument software wrote about one export, and where it was found.
struct AcquisitionFolder
{
    QString failure;          // why the folder metadata cannot be used; empty when it can
    QString methodFile;       // empty when none was found
    QString sampleRecordFile; // the file that gave the record, or the sample_info.xml that failed
    QString instrumentFile;   // empty when no file named the instrument
    // Found whenever a record names the export's acquisition folder, even when the method is
    // missing: its time still serves to check the export's stamp.
    std::optional<SampleRecord> record;
    QString sampleLabel;
    QString instrumentName; // "Agilent ..."
    AcquisitionMethod method;
    std::optional<BatchLog> batchLog;

    bool usable() const { return failure.isEmpty(); }
};

// Finds the method and the sample record of an export, in this order of places:
//   method:        <acquisition>.d/AcqMethod.xml, else <batch>.b/Method/AcqMethod.xml
//   sample record: <acquisition>.d/AcqData/sample_info.xml (beside the export when there is no
//                  AcqData), else the entry of <batch>.b/Method/BatchLog.xml, else the row of
//                  <batch>.b/BatchLog.csv, that names the same ".d" folder as the first line
//   instrument:    sample_info.xml's InstrumentName, else <acquisition>.d/AcqData/Devices.xml,
//                  else the Devices.xml of another acquisition of the batch
// The batch places count when the export's folder stands in a folder whose name ends in ".b".
AcquisitionFolder lookUpAcquisitionFolder(const FolderLookupInput &input);

// Whether the folder serves the import of the export at path: its method and record are found,
// name this export's acquisition, and the method lists no more channels than an import takes.
// With debug notes on the files found, and a warning when the method is too large.
struct FolderUse
{
    bool serves = false;
    QStringList notes;
    QString warning;
};
FolderUse folderUse(const AcquisitionFolder &folder, const QString &path);

// What the folder gave an import that it served, for the import's report.
AcquisitionFolderReport folderReport(const AcquisitionFolder &folder, LabelField labelField);
BatchLogReport batchLogReport(const BatchLog &log);
