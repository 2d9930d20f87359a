#include "acquisitionfolder.h"

#include "agilentxmlreader.h"
#include "exportfile.h"
#include "stampreading.h"
#include "timestamptext.h"
#include "zonetime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <tuple>

namespace {

QHash<QString, QVariant> recordOf(const AcquisitionMethod &method, const QString &key)
{
    return method.value(key).toHash();
}

bool isMassShifted(const QHash<QString, QVariant> &record)
{
    return record.contains(MethodKey::postShift);
}

// Whole-number masses; text that is not a whole number counts as 0.
std::tuple<int, int> sortMasses(const QHash<QString, QVariant> &record)
{
    if (isMassShifted(record))
        return {record.value(MethodKey::preShift).toString().toInt(),
                record.value(MethodKey::postShift).toString().toInt()};
    const int mass = record.value(MethodKey::mz).toString().toInt();
    return {mass, mass};
}

bool mixesKinds(const AcquisitionMethod &method)
{
    bool shifted = false;
    bool unshifted = false;
    for (auto it = method.cbegin(); it != method.cend(); ++it)
        (isMassShifted(it.value().toHash()) ? shifted : unshifted) = true;
    return shifted && unshifted;
}

} // namespace

QString acquisitionFolderName(const QString &text)
{
    return acquisitionFolderOf(windowsPathName(text));
}

QString acquisitionFolderOf(const QString &pathName)
{
    return pathName.endsWith(QLatin1String(".d")) ? pathName : QString();
}

QStringList orderedChannels(const AcquisitionMethod &method)
{
    QStringList keys = method.keys();
    // Equal masses are ordered by key so that the order does not depend on hashing.
    std::sort(keys.begin(), keys.end(), [&](const QString &a, const QString &b) {
        return std::make_tuple(sortMasses(recordOf(method, a)), a) <
               std::make_tuple(sortMasses(recordOf(method, b)), b);
    });
    return keys;
}

ChannelProperties channelProperties(const AcquisitionMethod &method, const QStringList &channels)
{
    const bool pairEveryChannel = mixesKinds(method);
    ChannelProperties properties;
    for (const QString &key : channels) {
        const QHash<QString, QVariant> record = recordOf(method, key);
        properties.dwellTimes.append(record.value(MethodKey::dwellTime).toString().toFloat());
        if (isMassShifted(record))
            properties.massPairs.append({record.value(MethodKey::preShift).toString(),
                                         record.value(MethodKey::postShift).toString()});
        else if (pairEveryChannel)
            properties.massPairs.append(
                {record.value(MethodKey::mz).toString(), record.value(MethodKey::mz).toString()});
    }
    return properties;
}

namespace {

// Batch logs and device lists are small; a larger file is not one the instrument wrote.
const qint64 maxRecordFileSize = 64 << 20;

QString existingFile(const QString &path)
{
    return QFileInfo(path).isFile() ? QFileInfo(path).absoluteFilePath() : QString();
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || file.size() > maxRecordFileSize ||
        !file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// The acquisition folder's places, and its batch's when it stands in a ".b" folder.
struct Places
{
    QDir acquisition;
    std::optional<QDir> batch;
};

Places placesOf(const QString &exportPath)
{
    Places places{QFileInfo(exportPath).absoluteDir(), std::nullopt};
    const QString batch = batchFolderOf(exportPath);
    if (!batch.isEmpty())
        places.batch = QDir(batch);
    return places;
}

QString methodFile(const Places &places)
{
    const QString beside =
        existingFile(places.acquisition.filePath(QStringLiteral("AcqMethod.xml")));
    if (!beside.isEmpty() || !places.batch)
        return beside;
    return existingFile(places.batch->filePath(QStringLiteral("Method/AcqMethod.xml")));
}

// sample_info.xml in AcqData, or beside the export when there is no AcqData folder.
QString sampleInfoFile(const Places &places)
{
    QDir folder = places.acquisition;
    folder.cd(QStringLiteral("AcqData"));
    return existingFile(folder.filePath(QStringLiteral("sample_info.xml")));
}

// "AcqTime" is UTC, written "2019-10-29T02:08:11Z". It is read as UTC from the start: read as
// local time first, an hour that the local clock skips would not exist.
QDateTime utcTime(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.size() != 20 || trimmed.at(10) != QLatin1Char('T') ||
        trimmed.at(19) != QLatin1Char('Z'))
        return QDateTime();
    const QDate date = QDate::fromString(trimmed.left(10), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(trimmed.mid(11, 8), QStringLiteral("HH:mm:ss"));
    return date.isValid() && time.isValid() ? QDateTime(date, time, Qt::UTC) : QDateTime();
}

struct RecordSearch
{
    std::optional<SampleRecord> record;
    QString failure;
    QString file; // the sample record's file, or the sample_info.xml that failed its checks
};

RecordSearch recordFromSampleInfo(const QString &path, const QString &folderName)
{
    const auto reader = std::make_unique<AgilentXmlReader>(nullptr, path);
    const QHash<QString, QVariant> &fields = *reader->read();
    const auto value = [&](const QString &field) {
        return fields.value(field).toHash().value(QStringLiteral("Value")).toString();
    };
    if (!fields.contains(QStringLiteral("AcqTime")))
        return {std::nullopt, QStringLiteral("%1 holds no AcqTime").arg(path), path};
    const QString named = acquisitionFolderName(value(QStringLiteral("Data File")));
    if (named.isEmpty() || named != folderName)
        return {std::nullopt,
                QStringLiteral("%1 names the acquisition folder \"%2\", the export "
                               "\"%3\"")
                    .arg(path, named, folderName),
                path};
    SampleRecord record{path,
                        value(QStringLiteral("Sample Name")),
                        value(QStringLiteral("Comment")),
                        value(QStringLiteral("InstrumentName")),
                        utcTime(value(QStringLiteral("AcqTime"))),
                        QString()};
    if (!record.acquired.isValid())
        return {std::nullopt,
                QStringLiteral("%1 holds an AcqTime that is not a UTC time").arg(path), path};
    return {record, QString(), path};
}

// The last entry that names the folder: an acquisition run again writes over its folder.
std::optional<BatchLogEntry> entryNaming(const QVector<BatchLogEntry> &entries,
                                         const QString &folderName)
{
    for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
        if (acquisitionFolderName(it->dataFile) == folderName)
            return *it;
    }
    return std::nullopt;
}

// An AcqDateTime: an instant with its offset as the software writes it; one written without an
// offset is the instrument's wall clock, read in the import's zone like the other local times.
QDateTime batchLogXmlTime(const QString &text, const FolderLookupInput &input)
{
    const QDateTime read = QDateTime::fromString(text, Qt::ISODate);
    return read.timeSpec() == Qt::LocalTime ? fromWallClock(read.date(), read.time(), input.zone)
                                            : read;
}

QDateTime batchLogCsvTime(const QString &text, const FolderLookupInput &input)
{
    const std::optional<QString> stamp = normaliseTimeStamp(text);
    return stamp ? readLocalStamp(*stamp, input.settings.dateFormat, input.zone).time : QDateTime();
}

// A batch's logs: Method/BatchLog.xml, written by newer instrument software, and BatchLog.csv.
struct BatchLogs
{
    std::optional<BatchLog> xml;
    std::optional<BatchLog> csv;
};

std::optional<BatchLog> batchLogAt(const QString &path,
                                   QVector<BatchLogEntry> (*read)(const QByteArray &))
{
    return path.isEmpty() ? std::nullopt
                          : std::optional<BatchLog>(BatchLog{path, read(contentOf(path))});
}

BatchLogs batchLogsOf(const std::optional<QDir> &batch)
{
    if (!batch)
        return {};
    return {
        batchLogAt(existingFile(batch->filePath(QStringLiteral("Method/BatchLog.xml"))),
                   readBatchLogXml),
        batchLogAt(existingFile(batch->filePath(QStringLiteral("BatchLog.csv"))), readBatchLogCsv)};
}

RecordSearch recordFromBatchLogs(const BatchLogs &logs, const QString &folderName,
                                 const FolderLookupInput &input)
{
    if (logs.xml) {
        if (const auto entry = entryNaming(logs.xml->entries, folderName))
            return {SampleRecord{logs.xml->file, entry->sampleName, entry->comment, QString(),
                                 batchLogXmlTime(entry->acquired, input), entry->result},
                    QString(), logs.xml->file};
    }
    if (logs.csv) {
        if (const auto entry = entryNaming(logs.csv->entries, folderName))
            return {SampleRecord{logs.csv->file, entry->sampleName, entry->comment, QString(),
                                 batchLogCsvTime(entry->acquired, input), entry->result},
                    QString(), logs.csv->file};
    }
    return {std::nullopt,
            QStringLiteral("no sample_info.xml, and no batch log entry names the "
                           "acquisition folder \"%1\"")
                .arg(folderName),
            QString()};
}

RecordSearch findSampleRecord(const Places &places, const BatchLogs &logs,
                              const QString &folderName, const FolderLookupInput &input)
{
    const QString sampleInfo = sampleInfoFile(places);
    if (!sampleInfo.isEmpty())
        return recordFromSampleInfo(sampleInfo, folderName);
    if (!places.batch)
        return {std::nullopt, QStringLiteral("no sample_info.xml and no batch folder"), QString()};
    if (folderName.isEmpty())
        return {std::nullopt, QStringLiteral("the export's first line names no acquisition folder"),
                QString()};
    RecordSearch search = recordFromBatchLogs(logs, folderName, input);
    if (search.record && !search.record->acquired.isValid())
        return {std::nullopt,
                QStringLiteral("the entry of %1 for \"%2\" holds no readable time")
                    .arg(search.record->file, folderName),
                search.file};
    return search;
}

// The acquisition's own Devices.xml, else that of another acquisition of the same batch: a
// batch runs on one instrument.
QString devicesFile(const Places &places)
{
    const QString own =
        existingFile(places.acquisition.filePath(QStringLiteral("AcqData/Devices.xml")));
    if (!own.isEmpty() || !places.batch)
        return own;
    const QStringList folders =
        places.batch->entryList({QStringLiteral("*.d"), QStringLiteral("*.D")},
                                QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &folder : folders) {
        const QString devices =
            existingFile(places.batch->filePath(folder + QStringLiteral("/AcqData/Devices.xml")));
        if (!devices.isEmpty())
            return devices;
    }
    return QString();
}

void takeInstrument(const Places &places, AcquisitionFolder &folder)
{
    const SampleRecord &record = *folder.record;
    QString name = record.instrumentName.simplified();
    if (!name.isEmpty()) {
        folder.instrumentFile = record.file;
    } else if (const QString devices = devicesFile(places); !devices.isEmpty()) {
        name = readDeviceName(contentOf(devices));
        folder.instrumentFile = name.isEmpty() ? QString() : devices;
    }
    folder.instrumentName = (QStringLiteral("Agilent ") + name).simplified();
}

} // namespace

AcquisitionFolder lookUpAcquisitionFolder(const FolderLookupInput &input)
{
    AcquisitionFolder folder;
    const Places places = placesOf(input.exportPath);
    const BatchLogs logs = batchLogsOf(places.batch);
    folder.batchLog = logs.xml ? logs.xml : logs.csv;
    folder.methodFile = methodFile(places);
    const RecordSearch search = findSampleRecord(places, logs, input.folderName, input);
    folder.record = search.record;
    folder.sampleRecordFile = search.file;
    if (folder.methodFile.isEmpty())
        folder.failure = QStringLiteral("no AcqMethod.xml");
    else if (!search.record)
        folder.failure = search.failure;
    else if (input.settings.labelField == LabelField::Unknown)
        folder.failure = QStringLiteral("the label preference \"%1\" is not known")
                             .arg(input.settings.labelFieldText);
    if (!folder.usable())
        return folder;
    folder.sampleLabel = input.settings.labelField == LabelField::SampleName
                             ? search.record->sampleName
                             : search.record->comment;
    takeInstrument(places, folder);
    const auto reader = std::make_unique<AgilentXmlReader>(nullptr, folder.methodFile);
    folder.method = *reader->read();
    return folder;
}

AcquisitionFolderReport folderReport(const AcquisitionFolder &folder, LabelField labelField)
{
    return {folder.instrumentName,   folder.sampleLabel,      labelFieldName(labelField),
            folder.methodFile,       folder.sampleRecordFile, folder.instrumentFile,
            folder.record->acquired, folder.record->result};
}

BatchLogReport batchLogReport(const BatchLog &log)
{
    BatchLogReport report{log.file, {}};
    for (const BatchLogEntry &entry : log.entries)
        report.acquisitions.append(
            {acquisitionFolderName(entry.dataFile), entry.sampleName, entry.result});
    return report;
}

FolderUse folderUse(const AcquisitionFolder &folder, const QString &path)
{
    FolderUse use;
    if (!folder.methodFile.isEmpty() && !folder.sampleRecordFile.isEmpty())
        use.notes.append(QStringLiteral("Loading Agilent xml files\r%1\r%2")
                             .arg(folder.methodFile, folder.sampleRecordFile));
    if (!folder.usable()) {
        if (!folder.methodFile.isEmpty() || !folder.sampleRecordFile.isEmpty())
            use.notes.append(QStringLiteral("No acquisition folder metadata for %1: %2")
                                 .arg(path, folder.failure));
        return use;
    }
    if (!folder.instrumentFile.isEmpty() && folder.instrumentFile != folder.sampleRecordFile)
        use.notes.append(QStringLiteral("Instrument name from %1").arg(folder.instrumentFile));
    use.serves = folder.method.size() <= maxChannels;
    if (!use.serves)
        use.warning = QStringLiteral("The acquisition method \"%1\" lists %2 channels, more than "
                                     "the %3 an import takes; the acquisition folder is not used.")
                          .arg(folder.methodFile, QString::number(folder.method.size()),
                               QString::number(maxChannels));
    return use;
}
