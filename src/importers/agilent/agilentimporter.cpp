#include "agilentimporter.h"

#include "acquisitionfolder.h"
#include "channelheader.h"
#include "channelmatching.h"
#include "datatable.h"
#include "filelines.h"
#include "largememory.h"
#include "stampreading.h"
#include "timestamptext.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QMetaMethod>
#include <QRegularExpression>
#include <QSettings>
#include <QTextCodec>
#include <QVariantMap>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

// Origin of the importer's debug log entries: source file, line and function.
#define AGILENT_ORIGIN(function)                                                                   \
    QStringLiteral("%1:%2 %3")                                                                     \
        .arg(QLatin1String(__FILE__).chopped(4), QString::number(__LINE__),                        \
             QStringLiteral(function))

namespace {

const QString taskTitle = QStringLiteral("Agilent Importer");
// The origin the host's log shows for the import's own entries.
const QString importOrigin = QStringLiteral("void __cdecl AgilentImporter::importData(bool)");

const QString timeLineKey = QStringLiteral("agilentTimeLineOption");
const QString dateFormatKey = QStringLiteral("agilentDateFormat");
const QString labelFieldKey = QStringLiteral("agilentXMLLabelField");
const QString machineNameKey = QStringLiteral("importMachineName");

const QString defaultDateFormat = QStringLiteral("dd MM yyyy hh mm ss");
const QString defaultLabelField = QStringLiteral("Use Sample Name Field");
// The dynamic property in which an import leaves what it found for hosts that want more than
// the signals: the unit, where the folder metadata came from, the batch log, date warnings.
const char *const importReportProperty = "importReport";

const int formatTestLineLimit = 50;
const int unitLine = 1;
const int channelHeaderLine = 3;
// Stamps before this instant (14 December 1970) are taken for misread dates.
const qint64 earliestStartMSecs = 30000000LL * 1000;
// Qt 5 byte arrays hold a little less than 2 GiB; a larger file cannot be read whole.
const qint64 maxFileSize = std::numeric_limits<int>::max() - 64;
// The format test reads this much of each line: header lines are short, and a file without
// line breaks must not be read and decoded whole just to be turned down.
const qint64 formatTestLineBytes = 64 * 1024;
// The most channels an import takes: every (first, second) mass pair of a tandem method over
// the instruments' whole mass range, 2 to 260 u. Each channel costs the host a column and its
// records, so a header of a million empty headings must not get that far.
const int maxChannels = 260 * 260;
// A data line holds a value and a comma for every channel, two bytes at least, so a table has
// fewer cells than its file has bytes. More cells come from short lines under a long channel
// header, and would let a small file claim memory out of all proportion (20,000 channels over
// 10,000 lines "0,0": 1.6 GB from 170 kB). Small tables are always allowed.
const qint64 minCellBudget = 1 << 20;

// 測定日時 (measurement date) in Shift_JIS: the Japanese software's time-stamp heading.
const QByteArray japaneseStampWord = QByteArrayLiteral("\x91\xAA\x92\xE8\x93\xFA\x8E\x9E");

QString preference(const QString &key, const QString &defaultValue)
{
    return QSettings().value(key, defaultValue).toString();
}

QDateTime now()
{
    return QDateTime::currentDateTime();
}

// The last component of the Windows path that the export's first line holds.
QString sampleNameFromFirstLine(const QByteArray &line)
{
    const QRegularExpression path(
        QStringLiteral("[A-Z]:\\\\[_a-zA-Z0-9\\-\\.\\\\ #]+\\\\([_a-zA-Z0-9\\-\\. #]+)"));
    const QRegularExpressionMatch match = path.match(QString::fromUtf8(line));
    return match.hasMatch() ? match.captured(1) : QString();
}

// The date-time of a time column entry (seconds since the epoch), truncated to milliseconds;
// invalid when the entry is not a number of representable milliseconds.
QDateTime dateTimeOfSeconds(double seconds)
{
    const double milliseconds = std::trunc(seconds * 1000.0);
    if (!(std::fabs(milliseconds) < 9.2e18))
        return {};
    return QDateTime::fromMSecsSinceEpoch(qint64(milliseconds));
}

// The number of value fields (after the time) on a data line.
int valueFieldCount(const QByteArray &line)
{
    return int(QString::fromUtf8(line).count(QLatin1Char(',')));
}

// An upper bound of the channels a channel header line names: its headings are separated by
// commas, or each holds an arrow.
int headingCount(const QByteArray &line)
{
    return std::max(line.count(','), line.count(" -> "));
}

// Opens a file for reading; answers why it could not be opened, or nothing. Only regular
// files: opening a named pipe waits for a writer, and a device may never end.
QString openForReading(QFile &file)
{
    const QFileInfo info(file.fileName());
    if (info.exists() && !info.isFile())
        return QStringLiteral("it is not a regular file");
    return file.open(QIODevice::ReadOnly) ? QString() : file.errorString();
}

// The start of the next line, at most maxBytes of it; the rest of a longer line is skipped.
QByteArray readLineStart(QFile &file, qint64 maxBytes)
{
    const QByteArray start = file.readLine(maxBytes);
    for (QByteArray rest = start; !rest.isEmpty() && !rest.endsWith('\n');)
        rest = file.readLine(maxBytes);
    return start;
}

// The first line as the instrument software's folder check reads it: up to its LF, or the
// whole content in a file without LF. Only the end of that text matters to the check, and a
// Windows path is at most 32,767 characters.
QByteArray firstLineForFolderCheck(const FileLines &lines)
{
    if (lines.separator() == '\n')
        return lines.line(0);
    const QByteArray &content = lines.content();
    const int tail = std::min(content.size(), 64 * 1024);
    return QByteArray::fromRawData(content.constData() + content.size() - tail, tail);
}

QString listText(const QStringList &names)
{
    return names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "));
}

} // namespace

// The working values of one import.
struct AgilentImporter::ImportRun
{
    std::optional<FileLines> lines;
    quint64 fileSize = 0;
    std::unique_ptr<DataTable> table;
    QString sampleName;
    bool xmlLoaded = false;
    QString timeLineOption;
    QDateTime start;
    QDateTime end;
    QStringList channelNames;
    MassPairList massPairs;
    QList<float> dwellTimes;
    QString unit;
    AcquisitionFolder folder;
    std::optional<DayMonthFinding> dayMonth;
    QString dayMonthWarning;
};

AgilentImporter::AgilentImporter()
    : AbstractImporter(QStringLiteral("Agilent")),
      PluginInterface(TesselPlugin::PluginMetaData(
          TesselPlugin::ImporterPlugin, QStringLiteral("AgilentImporter"),
          QStringLiteral("Imports data generated by agilent instruments"), QStringLiteral("2.0"),
          QStringLiteral("The Tessel developers"), QStringLiteral("support@tessel.invalid"),
          QStringLiteral("None"), QString(), QString(), true, false, true)),
      dataManager(Session()->data())
{
    setProperty("task_title", taskTitle);
}

AgilentImporter::~AgilentImporter() = default;

QString AgilentImporter::fileExtension()
{
    return QStringLiteral(".csv");
}

QObject *AgilentImporter::createInstance()
{
    return new AgilentImporter;
}

bool AgilentImporter::correctFormat()
{
    if (fileName.isEmpty() || !fileName.endsWith(QLatin1String("csv"), Qt::CaseInsensitive))
        return false;
    const QRegularExpression englishStamp(QStringLiteral("Acquired      : .* using"));
    QTextCodec *gb18030 = QTextCodec::codecForName("GB18030");

    QFile file(fileName);
    if (!openForReading(file).isEmpty()) {
        TsLog().debugWithOrigin(QStringLiteral("Couldn't open file %1").arg(fileName),
                                AGILENT_ORIGIN("AgilentImporter::correctFormat"), now());
        return false;
    }
    for (int i = 0; i < formatTestLineLimit; ++i) {
        const QByteArray line = readLineStart(file, formatTestLineBytes);
        if (line.contains(japaneseStampWord) ||
            gb18030->toUnicode(line).contains(QStringLiteral("采集日期")) ||
            englishStamp.match(QString::fromUtf8(line)).hasMatch())
            return true;
    }
    return false;
}

void AgilentImporter::importData(bool addToSession)
{
    emit task(taskTitle);
    // Nothing may escape to the host: memory that cannot be had ends the import like any other
    // failure.
    try {
        runImport(addToSession);
    } catch (const std::bad_alloc &) {
        failLoad(QStringLiteral("Could not load the file \"%1\" because there is not enough "
                                "memory to read it.")
                     .arg(fileName));
    }
}

void AgilentImporter::runImport(bool addToSession)
{
    const LargeMemoryReuse reuse; // the file's buffer, once read, takes the data store's copy
    ImportRun run;
    setProperty(importReportProperty, QVariantMap());
    if (!readFile(run))
        return;
    reportNulByte(*run.lines);
    readIntensityUnit(run);
    run.table = std::make_unique<DataTable>(run.lines->dataLineCount() + 1);
    run.sampleName = sampleNameFromFirstLine(run.lines->line(0));
    run.xmlLoaded = getXMLMetadata(run);
    run.timeLineOption = preference(timeLineKey, acquiredTimeOption);
    publishReport(run);
    if (!chooseStartTime(run))
        return;
    checkDayAndMonthOfStart(run);
    if (!takeChannels(run) || !readTable(run))
        return;
    handOff(run, addToSession);
}

bool AgilentImporter::readFile(ImportRun &run)
{
    QFile file(fileName);
    const QString openError = openForReading(file);
    if (!openError.isEmpty()) {
        failOpen(openError);
        return false;
    }
    emit progress(10.0);
    emit message(QStringLiteral("Reading file headers..."));
    if (file.size() > maxFileSize) {
        failLoad(QStringLiteral("Could not load the file \"%1\" because it is too large "
                                "(%2 bytes; at most %3 bytes can be read).")
                     .arg(fileName, QString::number(file.size()), QString::number(maxFileSize)));
        return false;
    }
    LargeBuffer content(size_t(file.size()));
    const qint64 read = content ? readFileContent(file, content.data(), file.size()) : -1;
    if (read < 0) {
        failLoad(
            QStringLiteral("Could not load the file \"%1\" because it could not be read (%2).")
                .arg(fileName, content ? file.errorString() : QStringLiteral("out of memory")));
        return false;
    }
    file.close();
    run.lines.emplace(std::move(content), read);
    run.fileSize = quint64(read);
    if (run.lines->count() < 2) {
        failLoad(QStringLiteral("Could not load the file \"%1\" due to a problem reading the file "
                                "(length < 2 lines).")
                     .arg(fileName));
        return false;
    }
    return true;
}

// Text is read as Qt decodes it, which ends at a NUL byte: the row count stops there. No
// instrument writes one, so the rows lost behind it must not go unmentioned.
void AgilentImporter::reportNulByte(const FileLines &lines)
{
    if (lines.firstNul() < 0)
        return;
    const int line = lines.lineAt(lines.firstNul()) + 1;
    TsLog().warningWithOrigin(QStringLiteral("The file \"%1\" holds a NUL byte in line %2: no data "
                                             "row from that line on is read.")
                                  .arg(fileName, QString::number(line)),
                              importOrigin, now());
}

// Values are imported as written; counts per dwell time must not pass for counts per second.
void AgilentImporter::readIntensityUnit(ImportRun &run)
{
    run.unit = parseIntensityUnit(run.lines->line(unitLine));
    if (run.unit.compare(QLatin1String("Counts"), Qt::CaseInsensitive) != 0)
        return;
    TsLog().warningWithOrigin(
        QStringLiteral("The file \"%1\" holds counts per dwell time (\"%2\"), not counts per "
                       "second (CPS); the values are imported as written.")
            .arg(fileName, run.unit),
        importOrigin, now());
}

bool AgilentImporter::chooseStartTime(ImportRun &run)
{
    const QString &option = run.timeLineOption;
    if (option.contains(QLatin1String("XML")) && !run.xmlLoaded) {
        failTimestamp(QStringLiteral("Could not load the file \"%1\" because XML time was "
                                     "requested but no XML data could be loaded.")
                          .arg(fileName));
        return false;
    }
    if (option.contains(QLatin1String("Printed")) || option.contains(QLatin1String("Acquired"))) {
        run.start = getDateTimeFromCSV(*run.lines);
        return run.start.isValid(); // an invalid stamp has been reported and the import ended
    }
    if (!option.contains(QLatin1String("XML"))) {
        failTimestamp(QStringLiteral("Could not load the file \"%1\" because the time line option "
                                     "\"%2\" is not known: use \"%3\", \"%4\" or a value "
                                     "containing \"XML\".")
                          .arg(fileName, option, acquiredTimeOption, printedTimeOption));
        return false;
    }
    return true;
}

// A month-first stamp read day-first (or the other way round) gives a valid, wrong date when the
// day is 12 or less. The batch or acquisition folder's own time of the acquisition tells.
void AgilentImporter::checkDayAndMonthOfStart(ImportRun &run)
{
    if (!run.folder.record || run.timeLineOption.contains(QLatin1String("XML")))
        return;
    const auto stampText =
        findStampText(run.lines->content(), run.lines->separator(), run.timeLineOption);
    const auto stamp = stampText ? normaliseTimeStamp(*stampText) : std::nullopt;
    if (!stamp)
        return;
    const QString format = preference(dateFormatKey, defaultDateFormat);
    run.dayMonth = checkDayAndMonth(*stamp, format, run.start, run.folder.record->acquired);
    if (!run.dayMonth)
        return;
    const DayMonthFinding &finding = *run.dayMonth;
    run.dayMonthWarning =
        QStringLiteral("The time stamp \"%1\" of \"%2\" reads as %3 under agilentDateFormat "
                       "\"%4\", more than 14 hours from the acquisition time %5 that %6 gives; "
                       "read with day and month swapped it is %7, which agrees. Set "
                       "agilentDateFormat to \"%8\" to read it right; the import keeps the "
                       "first reading.")
            .arg(*stamp, fileName, finding.exportStart.toString(Qt::ISODate), format,
                 finding.acquisitionInstant.toString(Qt::ISODate), run.folder.record->file,
                 finding.swappedStart.toString(Qt::ISODate), finding.suggestedDateFormat);
    TsLog().warningWithOrigin(run.dayMonthWarning, importOrigin, now());
    publishReport(run);
}

bool AgilentImporter::takeChannels(ImportRun &run)
{
    if (run.xmlLoaded) {
        takeAcquisitionFolderChannels(run);
        return true;
    }
    const QByteArray headerLine =
        run.lines->count() > channelHeaderLine ? run.lines->line(channelHeaderLine) : QByteArray();
    if (headingCount(headerLine) > maxChannels) {
        failLoad(QStringLiteral("Could not load the file \"%1\" because its channel header names "
                                "more than %2 channels.")
                     .arg(fileName, QString::number(maxChannels)));
        return false;
    }
    const ChannelHeader header = parseChannelHeader(headerLine);
    if (!header.recognised) {
        failChannelHeader();
        return false;
    }
    if (header.massShifted)
        TsLog().debugWithOrigin(QStringLiteral("Mass shifting detected"), importOrigin, now());
    run.channelNames = header.names;
    run.massPairs = header.massPairs;
    return true;
}

void AgilentImporter::takeAcquisitionFolderChannels(ImportRun &run)
{
    if (!sampleLabel.simplified().isEmpty())
        run.sampleName = sampleLabel;
    if (run.timeLineOption.contains(QLatin1String("XML")))
        run.start = acquisitionTime;
    run.channelNames = channelOrder;
    run.dwellTimes = dwellTimes;
    run.massPairs = massPairs;
    machineName = instrumentName;
    orderChannelsAsTheHeader(run);
}

// The method lists channels by mass; the data lines give values in the header's order. When the
// header names exactly the method's channels, each channel takes the header's position, so no
// value lands under another channel. Otherwise values go to channels by position, with a
// warning that says what does not agree.
void AgilentImporter::orderChannelsAsTheHeader(ImportRun &run)
{
    const ChannelHeader header = run.lines->count() > channelHeaderLine
                                     ? parseChannelHeader(run.lines->line(channelHeaderLine))
                                     : ChannelHeader();
    std::optional<ChannelMatch> match;
    if (header.recognised) {
        match = matchChannels(run.folder.method, run.channelNames, header);
        if (match->headerOrder) {
            run.channelNames = *match->headerOrder;
            const ChannelProperties properties =
                channelProperties(run.folder.method, run.channelNames);
            run.dwellTimes = properties.dwellTimes;
            run.massPairs = properties.massPairs;
            return;
        }
    }
    const int firstDataLine = channelHeaderLine + 1;
    const int values = run.lines->count() > firstDataLine
                           ? valueFieldCount(run.lines->line(firstDataLine))
                           : run.channelNames.size();
    const bool countsDiffer = values != run.channelNames.size();
    if (!countsDiffer &&
        (!match || (match->onlyInMethod.isEmpty() && match->onlyInHeader.isEmpty())))
        return;
    QString warning =
        countsDiffer
            ? QStringLiteral("The acquisition method of \"%1\" lists %2 channels but its first "
                             "data line holds %3 values; values are given to channels by position.")
                  .arg(fileName, QString::number(run.channelNames.size()), QString::number(values))
            : QStringLiteral("The channels of the acquisition method of \"%1\" are not those of "
                             "its channel header; values are given to channels by position.")
                  .arg(fileName);
    if (match)
        warning += QStringLiteral(" Only in the method: %1. Only in the channel header: %2.")
                       .arg(listText(match->onlyInMethod), listText(match->onlyInHeader));
    TsLog().warningWithOrigin(warning, importOrigin, now());
}

bool AgilentImporter::readTable(ImportRun &run)
{
    DataTable &table = *run.table;
    const int countedRows = table.rowCount();
    const qint64 cells = qint64(countedRows) * run.channelNames.size();
    if (cells > std::max(qint64(run.fileSize), minCellBudget)) {
        failLoad(QStringLiteral("Could not load the file \"%1\" because %2 rows of %3 channels are "
                                "more values than its %4 bytes can hold: the data lines are "
                                "shorter than the channel header.")
                     .arg(fileName, QString::number(countedRows),
                          QString::number(run.channelNames.size()), QString::number(run.fileSize)));
        return false;
    }
    if (!table.allocateChannels(run.channelNames)) {
        failLoad(QStringLiteral("Could not load the file \"%1\" because there is not enough memory "
                                "for %2 rows of %3 channels.")
                     .arg(fileName, QString::number(countedRows),
                          QString::number(run.channelNames.size())));
        return false;
    }
    const double startSeconds = double(run.start.toMSecsSinceEpoch()) / 1000.0;
    const int rowsRead =
        readDataRows(*run.lines, run.channelNames, startSeconds, table, [&](int row) {
            emit progress(10.0 + 80.0 * row / countedRows);
            emit message(QStringLiteral("Reading data..."));
        });
    reportUncountedRows(*run.lines, rowsRead + 1 == countedRows ? rowsRead : -1);
    run.lines->release();
    if (rowsRead == 0) {
        failLoad(QStringLiteral("Could not load the file \"%1\" because it holds no data rows.")
                     .arg(fileName));
        return false;
    }
    // A table that ends early hands on the rows read and its terminating row, nothing more.
    if (rowsRead + 1 < countedRows)
        table.truncate(rowsRead + 1);
    writeTerminatingRow(table, run.channelNames, rowsRead);
    run.end = dateTimeOfSeconds(table.time()[arma::uword(rowsRead)]);
    return true;
}

// The row count takes a line only when it ends in two plain numbers ("0.52,1200"): a data line
// that ends otherwise (a sign, an exponent) is not counted, and the lines after the counted
// rows are not read. That must not happen unnoticed.
void AgilentImporter::reportUncountedRows(const FileLines &lines, int rowsRead)
{
    const int nextLine = channelHeaderLine + 1 + rowsRead;
    if (rowsRead < 0 || nextLine >= lines.count())
        return;
    const QByteArray next = lines.line(nextLine).trimmed();
    const bool startsWithTime =
        !next.isEmpty() && (std::isdigit(uchar(next.at(0))) || next.at(0) == '.');
    if (!startsWithTime)
        return;
    TsLog().warningWithOrigin(
        QStringLiteral("The file \"%1\" holds data lines after the %2 rows that its row count "
                       "found, from line %3 on; they are not read. A data line is counted only "
                       "when it ends in two plain numbers, such as \"0.52,1200\".")
            .arg(fileName, QString::number(rowsRead), QString::number(nextLine + 1)),
        importOrigin, now());
}

void AgilentImporter::handOff(ImportRun &run, bool addToSession)
{
    const QString preferredMachine = preference(machineNameKey, QStringLiteral("default"));
    if (preferredMachine != QLatin1String("default") &&
        (machineName.isEmpty() || machineName == QLatin1String("Agilent")))
        machineName = preferredMachine;
    announceResults(run);
    if (addToSession)
        addToDataStore(run);
    run.table.reset();
    emit message(QStringLiteral("Finished loading agilent sample data"));
    emit progress(100.0);
    emit finished();
}

void AgilentImporter::announceResults(const ImportRun &run)
{
    DataTable &table = *run.table;
    emit sampleNames({run.sampleName});
    emit channelNames(run.channelNames);
    emit sizeInBytes(run.fileSize);
    emit startTime(run.start);
    emit endTime(run.end);
    emit duration(double(run.start.msecsTo(run.end)) / 1000.0);
    // Copies for the host to keep; nobody can see them when nothing is connected.
    ChannelData shared;
    if (isSignalConnected(QMetaMethod::fromSignal(&AbstractImporter::data))) {
        for (const QString &name : run.channelNames)
            shared.insert(name, ColumnPtr::create(*table.channels().value(name)));
    }
    emit data(shared);
    const bool timeWanted = isSignalConnected(QMetaMethod::fromSignal(&AbstractImporter::time));
    emit time(timeWanted ? ColumnPtr::create(table.time()) : ColumnPtr());
    MassMap massesByName;
    for (int i = 0; i < run.massPairs.size() && i < run.channelNames.size(); ++i)
        massesByName.insert(run.channelNames.at(i), run.massPairs.at(i));
    emit masses(massesByName);
}

void AgilentImporter::addToDataStore(const ImportRun &run)
{
    DataTable &table = *run.table;
    const int rowCount = table.rowCount();
    if (!dataManager->addRawDataToInputData(
            fileName, run.channelNames, table.channels(), &table.time(), run.start, run.end,
            rowCount, machineName, run.dwellTimes, run.massPairs, QStringList())) {
        qDebug().noquote() << QStringLiteral("Agilent load failed for %1").arg(fileName);
        return;
    }
    const QDir location(fileName);
    auto file = QSharedPointer<ImportedMassSpecFile>::create(run.start, run.end, location, now(),
                                                             rowCount, run.channelNames);
    file->setListOfSamples({run.sampleName});
    file->machineName = machineName;
    dataManager->appendFileToFileList(file);
    dataManager->appendSampleToSampleList(
        QSharedPointer<TesselSampleMetaData>::create(run.sampleName, run.start, run.end, location));
}

QDateTime AgilentImporter::getDateTimeFromCSV(const FileLines &lines)
{
    const QString origin = QString::fromLatin1(Q_FUNC_INFO);
    const QString option = preference(timeLineKey, acquiredTimeOption);
    const auto stampText = findStampText(lines.content(), lines.separator(), option);
    if (!stampText) {
        const QString error = QStringLiteral("Time stamp error. See messages for details.");
        failTimeStamp(origin,
                      QStringLiteral("Could not load the file \"%1\" due to a missing time stamp "
                                     "(?).")
                          .arg(fileName),
                      error, error);
        return {};
    }
    const auto stamp = normaliseTimeStamp(*stampText);
    if (!stamp) {
        const QString error = QStringLiteral("Could not load the file \"%1\" due to an "
                                             "unrecognised time stamp \"%2\" using the time "
                                             "stamp option \"%3\".")
                                  .arg(fileName, *stampText, option);
        failTimeStamp(origin, error, error,
                      QStringLiteral("Time stamp error. See messages for details."));
        return {};
    }
    const QString format = preference(dateFormatKey, defaultDateFormat);
    const LocalReading reading = readLocalStamp(*stamp, format);
    const QDateTime &start = reading.time;
    if (!start.isValid() || start.toMSecsSinceEpoch() < earliestStartMSecs) {
        const QString error =
            QStringLiteral("Could not load the file \"%1\" due to an impossible or invalid time "
                           "stamp \"%2\" using the date/time format %3. Please check the data "
                           "import options in preferences.")
                .arg(fileName, *stamp, format);
        failTimeStamp(origin, error, error, QStringLiteral("A problem occurred. Check messages."));
        return {};
    }
    if (reading.inClockChangeGap)
        TsLog().warningWithOrigin(
            QStringLiteral("The time stamp \"%1\" of \"%2\" names a time that the local clock "
                           "skips at its change to summer time; it is read as %3, the time the "
                           "clock shows that much later.")
                .arg(*stamp, fileName, start.toString(Qt::ISODate)),
            origin, now());
    return start;
}

bool AgilentImporter::getXMLMetadata(ImportRun &run)
{
    const QString labelField = preference(labelFieldKey, defaultLabelField);
    run.folder = lookUpAcquisitionFolder({fileName, firstLineForFolderCheck(*run.lines), labelField,
                                          preference(dateFormatKey, defaultDateFormat)});
    const AcquisitionFolder &folder = run.folder;
    const QString origin = AGILENT_ORIGIN("AgilentImporter::getXMLMetadata");
    if (!folder.methodFile.isEmpty() && !folder.sampleRecordFile.isEmpty())
        TsLog().debugWithOrigin(QStringLiteral("Loading Agilent xml files\r%1\r%2")
                                    .arg(folder.methodFile, folder.sampleRecordFile),
                                origin, now());
    if (!folder.usable()) {
        if (folder.methodFile.isEmpty() && folder.sampleRecordFile.isEmpty())
            return false; // nothing to look at: the export travels alone
        TsLog().debugWithOrigin(QStringLiteral("No acquisition folder metadata for %1: %2")
                                    .arg(fileName, folder.failure),
                                origin, now());
        return false;
    }
    if (!folder.instrumentFile.isEmpty() && folder.instrumentFile != folder.sampleRecordFile)
        TsLog().debugWithOrigin(
            QStringLiteral("Instrument name from %1").arg(folder.instrumentFile), origin, now());
    if (folder.method.size() > maxChannels) {
        TsLog().warningWithOrigin(
            QStringLiteral("The acquisition method \"%1\" lists %2 channels, more than the %3 an "
                           "import takes; the acquisition folder is not used.")
                .arg(folder.methodFile, QString::number(folder.method.size()),
                     QString::number(maxChannels)),
            importOrigin, now());
        return false;
    }
    sampleLabel = folder.sampleLabel;
    instrumentName = folder.instrumentName;
    acquisitionTime = folder.record->acquired.toLocalTime();
    channelOrder = orderedChannels(folder.method);
    // Each import hands on its own method's properties, never an earlier import's.
    const ChannelProperties properties = channelProperties(folder.method, channelOrder);
    dwellTimes = properties.dwellTimes;
    massPairs = properties.massPairs;
    return true;
}

namespace {

QVariantMap folderReport(const AcquisitionFolder &folder, const QString &labelField)
{
    return {{QStringLiteral("methodFile"), folder.methodFile},
            {QStringLiteral("sampleRecordFile"), folder.sampleRecordFile},
            {QStringLiteral("instrumentFile"), folder.instrumentFile},
            {QStringLiteral("instrumentName"), folder.instrumentName},
            {QStringLiteral("sampleLabel"), folder.sampleLabel},
            {QStringLiteral("sampleLabelField"), labelField == defaultLabelField
                                                     ? QStringLiteral("Sample Name")
                                                     : QStringLiteral("Comment")},
            {QStringLiteral("acquisitionInstant"), folder.record->acquired},
            {QStringLiteral("acquisitionResult"), folder.record->result}};
}

QVariantMap batchLogReport(const BatchLog &log)
{
    QVariantList entries;
    for (const BatchLogEntry &entry : log.entries)
        entries.append(
            QVariantMap{{QStringLiteral("acquisition"), acquisitionFolderName(entry.dataFile)},
                        {QStringLiteral("sampleName"), entry.sampleName},
                        {QStringLiteral("result"), entry.result}});
    return {{QStringLiteral("file"), log.file}, {QStringLiteral("entries"), entries}};
}

QVariantMap dayMonthReport(const DayMonthFinding &finding, const QString &warning)
{
    return {{QStringLiteral("message"), warning},
            {QStringLiteral("exportStart"), finding.exportStart},
            {QStringLiteral("swappedStart"), finding.swappedStart},
            {QStringLiteral("acquisitionInstant"), finding.acquisitionInstant},
            {QStringLiteral("dateFormat"), finding.dateFormat},
            {QStringLiteral("suggestedDateFormat"), finding.suggestedDateFormat}};
}

} // namespace

void AgilentImporter::publishReport(const ImportRun &run)
{
    QVariantMap report;
    if (!run.unit.isEmpty())
        report.insert(QStringLiteral("intensityUnit"), run.unit);
    if (run.xmlLoaded)
        report.insert(QStringLiteral("acquisitionFolder"),
                      folderReport(run.folder, preference(labelFieldKey, defaultLabelField)));
    if (run.folder.batchLog)
        report.insert(QStringLiteral("batchLog"), batchLogReport(*run.folder.batchLog));
    if (run.dayMonth)
        report.insert(QStringLiteral("dayMonthCheck"),
                      dayMonthReport(*run.dayMonth, run.dayMonthWarning));
    setProperty(importReportProperty, report);
}

void AgilentImporter::failOpen(const QString &reason)
{
    qDebug().noquote() << reason;
    TsLog().warning(
        QStringLiteral("Could not load the file %1 for the following reason: ").arg(fileName) +
            reason,
        now());
    emit progress(100.0);
    emit message(QStringLiteral("Couldn't load data. Check messages."));
    emit finished();
}

void AgilentImporter::failLoad(const QString &warning)
{
    TsLog().warningWithOrigin(warning, importOrigin, now());
    emit message(QStringLiteral("File load error. See messages for details."));
    emit progress(100.0);
    emit finished();
}

void AgilentImporter::failTimestamp(const QString &warning)
{
    TsLog().warningWithOrigin(warning, importOrigin, now());
    emit message(QStringLiteral("Timestamp error."));
    emit progress(100.0);
    emit finished();
}

void AgilentImporter::failChannelHeader()
{
    TsLog().warningWithOrigin(
        QStringLiteral("Could not load the file \"%1\" due to missing (?) channel header")
            .arg(fileName),
        importOrigin, now());
    emit message(QStringLiteral("Channel header error. See messages for details."));
    emit progress(100.0);
    emit finished();
}

void AgilentImporter::failTimeStamp(const QString &origin, const QString &warning,
                                    const QString &error, const QString &userMessage)
{
    TsLog().warningWithOrigin(warning, origin, now());
    emit importError(error);
    emit message(userMessage);
    emit progress(100.0);
    emit finished();
}
