#include "agilentimporter.h"

#include "acquisitionfolder.h"
#include "agilentpreferences.h"
#include "channelheader.h"
#include "channelmatching.h"
#include "datatable.h"
#include "exportfile.h"
#include "filelines.h"
#include "stampreading.h"
#include "timezonenames.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QMetaMethod>
#include <QTimeZone>
#include <QVariantMap>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <new>
#include <optional>

namespace {

const QString taskTitle = QStringLiteral("Agilent Importer");
const char *const importReportProperty = "importReport";
const char *const preferencesProperty = "preferences";
const char *const timeZoneProperty = "timeZone";

// The progress plan of every import: 10 once the file is open, 10 to 90 while the table is
// read, 100 at the end.
const double progressOpened = 10.0;
const double progressTableSpan = 80.0;
const double progressDone = 100.0;

const int unitLine = 1;
const int channelHeaderLine = 3;
const int firstDataLine = 4;
// Qt 5 byte arrays hold a little less than 2 GiB; a larger file cannot be read whole.
const qint64 maxFileSize = std::numeric_limits<int>::max() - 64;
// The most channels an import takes: every (first, second) mass pair of a tandem method over
// the instruments' whole mass range, 2 to 260 u. Each channel costs the host a column and its
// records, so a header of a million empty headings must not get that far.
const int maxChannels = 260 * 260;
// A data line holds a value and a comma for every channel, two bytes at least, so a table has
// fewer cells than its file has bytes. More cells come from short lines under a long channel
// header, and would let a small file claim memory out of all proportion (20,000 channels over
// 10,000 lines "0,0": 1.6 GB from 170 kB). Small tables are always allowed.
const qint64 minCellBudget = 1 << 20;
// A stamp and an acquisition time this close are one moment on two clocks that drift apart or
// round differently; further apart, and not a clock's offset apart, one of them is wrong.
const qint64 sameMomentMSecs = 60 * 1000;

// Where the log entries come from. Every entry names the stage that writes it, from this table:
// by the stage's full signature as the host's compiler renders it (warnings, and the import's
// own debug entry), or by "source:line function" (the debug entries of the format test, the
// folder lookup and the stamp's clock).
struct Stage
{
    const char *function;
    const char *signature;
};
const Stage importStage{"AgilentImporter::importData",
                        "void __cdecl AgilentImporter::importData(bool)"};
const Stage stampStage{"AgilentImporter::getDateTimeFromCSV",
                       "class QDateTime __cdecl AgilentImporter::getDateTimeFromCSV(const class "
                       "QList<class QByteArray> &)"};
const Stage folderStage{"AgilentImporter::getXMLMetadata",
                        "bool __cdecl AgilentImporter::getXMLMetadata(void)"};
const Stage formatStage{"AgilentImporter::correctFormat",
                        "bool __cdecl AgilentImporter::correctFormat(void)"};

QString warningOrigin(const Stage &stage)
{
    return QLatin1String(stage.signature);
}

// The debug entries' source path: this file's place in the project, without its extension,
// whatever folder or compiler built it.
const char sourcePath[] = "src/importers/agilent/agilentimporter";

QString debugOrigin(const Stage &stage, int line)
{
    return QStringLiteral("%1:%2 %3")
        .arg(QLatin1String(sourcePath), QString::number(line), QLatin1String(stage.function));
}

QDateTime now()
{
    return QDateTime::currentDateTime();
}

// The date-time of a time column entry (seconds since the epoch) in the zone, truncated to
// milliseconds; invalid when the entry is not a number of representable milliseconds.
QDateTime dateTimeOfSeconds(double seconds, const QTimeZone &zone)
{
    const double milliseconds = std::trunc(seconds * 1000.0);
    if (!(std::fabs(milliseconds) < 9.2e18))
        return {};
    return QDateTime::fromMSecsSinceEpoch(qint64(milliseconds), zone);
}

// The zone that the "timeZone" property names, the computer's when it names none; none when the
// zone is not known here. Reading in any other zone would give every time a wrong instant.
std::optional<QTimeZone> zoneNamedBy(const QVariant &property)
{
    const int type = property.userType();
    if (property.isValid() && type != QMetaType::QString && type != QMetaType::QByteArray)
        return std::nullopt;
    const QByteArray id = property.toByteArray();
    const QTimeZone zone = id.isEmpty() ? QTimeZone::systemTimeZone() : timeZoneNamed(id);
    return zone.isValid() ? std::optional<QTimeZone>(zone) : std::nullopt;
}

// An upper bound of the channels a channel header line names: its headings are separated by
// commas, or each holds an arrow.
int headingCount(const QByteArray &line)
{
    return std::max(line.count(','), line.count(" -> "));
}

QString listText(QStringList names)
{
    for (QString &name : names) {
        if (name.isEmpty())
            name = QStringLiteral("(an empty heading)");
    }
    return names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "));
}

QString disagreementText(const QString &file, const ChannelDisagreement &disagreement)
{
    QString text =
        disagreement.values != disagreement.methodChannels
            ? QStringLiteral("The acquisition method of \"%1\" lists %2 channels but its first "
                             "data line holds %3 values; values are given to channels by position.")
                  .arg(file, QString::number(disagreement.methodChannels),
                       QString::number(disagreement.values))
            : QStringLiteral("The channels of the acquisition method of \"%1\" are not those of "
                             "its channel header; values are given to channels by position.")
                  .arg(file);
    if (disagreement.headerRead)
        text += QStringLiteral(" Only in the method: %1. Only in the channel header: %2.")
                    .arg(listText(disagreement.onlyInMethod), listText(disagreement.onlyInHeader));
    return text;
}

} // namespace

// Every way an import can fail, with what the host sees: where the log entry comes from, what
// importError and message say, and the order of the closing signals.
enum class AgilentImporter::Failure {
    Open,              // the file cannot be opened
    Load,              // the file cannot be read or holds no usable table
    TimeLine,          // XML time without folder metadata, or an unknown time-line option
    TimeZone,          // the host names a time zone that is not known
    ChannelHeader,     // the channel header is not recognised
    StampMissing,      // no header line for the time-line option
    StampUnrecognised, // the line holds no date and time
    StampImpossible    // the date and time do not fit the format
};

namespace {

enum class ErrorSignal { None, Message, Warning };

struct FailureExit
{
    const Stage *origin; // null: a plain warning, without origin
    ErrorSignal error;
    const char *message;
    bool progressBeforeMessage;
};

// By Failure, in its order.
const FailureExit &failureExit(int failure)
{
    static const FailureExit exits[] = {
        {nullptr, ErrorSignal::None, "Couldn't load data. Check messages.", true},
        {&importStage, ErrorSignal::None, "File load error. See messages for details.", false},
        {&importStage, ErrorSignal::None, "Timestamp error.", false},
        {&importStage, ErrorSignal::Warning, "Time zone error. See messages for details.", false},
        {&importStage, ErrorSignal::None, "Channel header error. See messages for details.", false},
        {&stampStage, ErrorSignal::Message, "Time stamp error. See messages for details.", false},
        {&stampStage, ErrorSignal::Warning, "Time stamp error. See messages for details.", false},
        {&stampStage, ErrorSignal::Warning, "A problem occurred. Check messages.", false}};
    static_assert(sizeof exits / sizeof *exits == 8, "one exit for each failure");
    return exits[failure];
}

} // namespace

// The working values of one import.
struct AgilentImporter::ImportRun
{
    QTimeZone zone; // whose wall clock the stamps show, and in which times are given
    std::optional<FileLines> lines;
    quint64 fileSize = 0;
    std::unique_ptr<DataTable> table;
    QString sampleName;
    bool xmlLoaded = false;
    AcquisitionFolder folder;
    FolderChannels folderChannels;
    QString timeLineOption;
    QDateTime start;
    QDateTime end;
    QStringList channelNames;
    MassPairList massPairs;
    QList<float> dwellTimes;
    QString unit;
    std::optional<DayMonthFinding> dayMonth;
    QString dayMonthWarning;
    QString stamp; // the export's normalised time stamp, once the start is read from it
    bool stampInClockChangeGap = false; // as the zone's clock reads it
    // Seconds east of UTC of the clock the stamp was read on, when the acquisition time showed
    // it to be other than the zone's.
    std::optional<int> stampOffset;
    QVariantMap preferencesUsed;

    // A preference's value, read at the moment of use and remembered for the report.
    QString preference(const QString &key)
    {
        const QString value = preferenceValue(key);
        preferencesUsed.insert(key, value);
        return value;
    }
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
    setProperty(preferencesProperty, preferenceDeclarations());
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
    QFile file(fileName);
    if (!openForReading(file).isEmpty()) {
        TsLog().debugWithOrigin(QStringLiteral("Couldn't open file %1").arg(fileName),
                                debugOrigin(formatStage, __LINE__), now());
        return false;
    }
    return holdsExportHeading(file);
}

void AgilentImporter::importData(bool addToSession)
{
    emit task(taskTitle);
    // Nothing may escape to the host: memory that cannot be had ends the import like any other
    // failure.
    try {
        runImport(addToSession);
    } catch (const std::bad_alloc &) {
        fail(Failure::Load, QStringLiteral("Could not load the file \"%1\" because there is not "
                                           "enough memory to read it.")
                                .arg(fileName));
    }
}

void AgilentImporter::runImport(bool addToSession)
{
    ImportRun run;
    setProperty(importReportProperty, QVariantMap());
    if (!takeTimeZone(run) || !readFile(run))
        return;
    reportNulByte(*run.lines);
    readIntensityUnit(run);
    run.table = std::make_unique<DataTable>(run.lines->dataLineCount() + 1);
    run.sampleName = sampleNameFromFirstLine(run.lines->line(0));
    run.xmlLoaded = getXMLMetadata(run);
    run.timeLineOption = run.preference(AgilentPreference::timeLine);
    publishReport(run);
    if (!chooseStartTime(run))
        return;
    checkDayAndMonthOfStart(run);
    readStartOnStampClock(run);
    if (!takeChannels(run) || !readTable(run))
        return;
    handOff(run, addToSession);
}

// Read once per import: a host may change the property between imports.
bool AgilentImporter::takeTimeZone(ImportRun &run)
{
    const QVariant named = property(timeZoneProperty);
    const std::optional<QTimeZone> zone = zoneNamedBy(named);
    if (!zone) {
        const QString name = named.toString().isEmpty()
                                 ? QString::fromUtf8(QTimeZone::systemTimeZoneId())
                                 : named.toString();
        fail(Failure::TimeZone,
             QStringLiteral("Could not load the file \"%1\" because the time zone \"%2\" is not "
                            "known: name a zone by its IANA id, such as \"Australia/Sydney\".")
                 .arg(fileName, name));
        return false;
    }
    run.zone = *zone;
    return true;
}

bool AgilentImporter::readFile(ImportRun &run)
{
    QFile file(fileName);
    const QString openError = openForReading(file);
    if (!openError.isEmpty()) {
        qDebug().noquote() << openError;
        fail(Failure::Open,
             QStringLiteral("Could not load the file %1 for the following reason: ").arg(fileName) +
                 openError);
        return false;
    }
    emit progress(progressOpened);
    emit message(QStringLiteral("Reading file headers..."));
    if (file.size() > maxFileSize) {
        fail(Failure::Load,
             QStringLiteral("Could not load the file \"%1\" because it is too large (%2 bytes; at "
                            "most %3 bytes can be read).")
                 .arg(fileName, QString::number(file.size()), QString::number(maxFileSize)));
        return false;
    }
    LargeBuffer content(size_t(file.size()));
    const qint64 read = content ? readFileContent(file, content.data(), file.size()) : -1;
    if (read < 0) {
        fail(Failure::Load,
             QStringLiteral("Could not load the file \"%1\" because it could not be read (%2).")
                 .arg(fileName, content ? file.errorString() : QStringLiteral("out of memory")));
        return false;
    }
    file.close();
    run.lines.emplace(std::move(content), read);
    run.fileSize = quint64(read);
    if (run.lines->count() < 2) {
        fail(Failure::Load, QStringLiteral("Could not load the file \"%1\" due to a problem "
                                           "reading the file (length < 2 lines).")
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
                              warningOrigin(importStage), now());
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
        warningOrigin(importStage), now());
}

// The acquisition or batch folder's method and sample record, when both are found and name this
// export's acquisition. The base's fields receive what the import takes from them.
bool AgilentImporter::getXMLMetadata(ImportRun &run)
{
    const QString labelField = run.preference(AgilentPreference::labelField);
    run.folder = lookUpAcquisitionFolder({fileName, firstLineForFolderCheck(*run.lines), labelField,
                                          run.preference(AgilentPreference::dateFormat), run.zone});
    const AcquisitionFolder &folder = run.folder;
    if (!folder.methodFile.isEmpty() && !folder.sampleRecordFile.isEmpty())
        TsLog().debugWithOrigin(QStringLiteral("Loading Agilent xml files\r%1\r%2")
                                    .arg(folder.methodFile, folder.sampleRecordFile),
                                debugOrigin(folderStage, __LINE__), now());
    if (!folder.usable()) {
        if (!folder.methodFile.isEmpty() || !folder.sampleRecordFile.isEmpty())
            TsLog().debugWithOrigin(QStringLiteral("No acquisition folder metadata for %1: %2")
                                        .arg(fileName, folder.failure),
                                    debugOrigin(folderStage, __LINE__), now());
        return false;
    }
    if (!folder.instrumentFile.isEmpty() && folder.instrumentFile != folder.sampleRecordFile)
        TsLog().debugWithOrigin(
            QStringLiteral("Instrument name from %1").arg(folder.instrumentFile),
            debugOrigin(folderStage, __LINE__), now());
    if (folder.method.size() > maxChannels) {
        TsLog().warningWithOrigin(
            QStringLiteral("The acquisition method \"%1\" lists %2 channels, more than the %3 an "
                           "import takes; the acquisition folder is not used.")
                .arg(folder.methodFile, QString::number(folder.method.size()),
                     QString::number(maxChannels)),
            warningOrigin(importStage), now());
        return false;
    }
    const bool hasDataLine = run.lines->count() > firstDataLine;
    run.folderChannels = folderChannels(
        folder.method,
        run.lines->count() > channelHeaderLine ? run.lines->line(channelHeaderLine) : QByteArray(),
        hasDataLine ? int(run.lines->line(firstDataLine).count(',')) : -1);
    sampleLabel = folder.sampleLabel;
    instrumentName = folder.instrumentName;
    acquisitionTime = folder.record->acquired.toTimeZone(run.zone);
    channelOrder = run.folderChannels.names;
    dwellTimes = run.folderChannels.properties.dwellTimes;
    massPairs = run.folderChannels.properties.massPairs;
    return true;
}

bool AgilentImporter::chooseStartTime(ImportRun &run)
{
    const QString &option = run.timeLineOption;
    if (option.contains(QLatin1String("XML")) && !run.xmlLoaded) {
        fail(Failure::TimeLine, QStringLiteral("Could not load the file \"%1\" because XML time "
                                               "was requested but no XML data could be loaded.")
                                    .arg(fileName));
        return false;
    }
    if (option.contains(QLatin1String("Printed")) || option.contains(QLatin1String("Acquired"))) {
        run.start = getDateTimeFromCSV(run);
        return run.start.isValid(); // an invalid stamp has been reported and the import ended
    }
    if (!option.contains(QLatin1String("XML"))) {
        fail(Failure::TimeLine,
             QStringLiteral("Could not load the file \"%1\" because the time line option \"%2\" "
                            "is not known: use \"%3\", \"%4\" or a value containing \"XML\".")
                 .arg(fileName, option, acquiredTimeOption, printedTimeOption));
        return false;
    }
    return true;
}

QDateTime AgilentImporter::getDateTimeFromCSV(ImportRun &run)
{
    const QString &option = run.timeLineOption;
    const QString format = run.preference(AgilentPreference::dateFormat);
    const ExportStamp stamp =
        readExportStamp(run.lines->content(), run.lines->separator(), option, format, run.zone);
    switch (stamp.failure) {
    case ExportStamp::NoStampLine:
        fail(Failure::StampMissing, QStringLiteral("Could not load the file \"%1\" due to a "
                                                   "missing time stamp (?).")
                                        .arg(fileName));
        return {};
    case ExportStamp::Unrecognised:
        fail(Failure::StampUnrecognised,
             QStringLiteral("Could not load the file \"%1\" due to an unrecognised time stamp "
                            "\"%2\" using the time stamp option \"%3\".")
                 .arg(fileName, stamp.text, option));
        return {};
    case ExportStamp::Impossible:
        fail(Failure::StampImpossible,
             QStringLiteral("Could not load the file \"%1\" due to an impossible or invalid time "
                            "stamp \"%2\" using the date/time format %3. Please check the data "
                            "import options in preferences.")
                 .arg(fileName, stamp.normalised, format));
        return {};
    case ExportStamp::None:
        break;
    }
    run.stamp = stamp.normalised;
    run.stampInClockChangeGap = stamp.reading.inClockChangeGap;
    return stamp.reading.time;
}

// A month-first stamp read day-first (or the other way round) gives a valid, wrong date when the
// day is 12 or less. The batch or acquisition folder's own time of the acquisition tells.
void AgilentImporter::checkDayAndMonthOfStart(ImportRun &run)
{
    if (!run.folder.record || run.timeLineOption.contains(QLatin1String("XML")))
        return;
    const QString format = run.preference(AgilentPreference::dateFormat);
    run.dayMonth =
        checkDayAndMonth(run.stamp, format, run.start, run.folder.record->acquired, run.zone);
    if (!run.dayMonth)
        return;
    const DayMonthFinding &finding = *run.dayMonth;
    run.dayMonthWarning =
        QStringLiteral("The time stamp \"%1\" of \"%2\" reads as %3 under agilentDateFormat "
                       "\"%4\", more than 14 hours from the acquisition time %5 that %6 gives; "
                       "read with day and month swapped it is %7, which agrees. Set "
                       "agilentDateFormat to \"%8\" to read it right; the import keeps the "
                       "first reading.")
            .arg(run.stamp, fileName, finding.exportStart.toString(Qt::ISODate), format,
                 finding.acquisitionInstant.toString(Qt::ISODate), run.folder.record->file,
                 finding.swappedStart.toString(Qt::ISODate), finding.suggestedDateFormat);
    TsLog().warningWithOrigin(run.dayMonthWarning, warningOrigin(importStage), now());
    publishReport(run);
}

// The export's stamp shows the clock of the instrument's computer, which need not be the zone's.
// An acquisition time with an offset of its own tells that clock's offset when the "Acquired"
// stamp, read as a bare wall clock, lies whole quarter hours from it: the start is then read in
// that offset. Any other contradiction is reported and the start kept, unless the day and month
// check has reported it already.
void AgilentImporter::readStartOnStampClock(ImportRun &run)
{
    const std::optional<SampleRecord> &record = run.folder.record;
    if (run.stamp.isEmpty() || run.dayMonth || !record || !record->hasOwnOffset())
        return reportClockChangeGap(run);
    const QString format = run.preference(AgilentPreference::dateFormat);
    const ExportStamp acquired = readExportStamp(run.lines->content(), run.lines->separator(),
                                                 acquiredTimeOption, format, QTimeZone::utc());
    const QDateTime inZone = readLocalStamp(acquired.normalised, format, run.zone).time;
    if (acquired.failure != ExportStamp::None || inZone == record->acquired)
        return reportClockChangeGap(run);
    run.stampOffset = stampClockOffset(acquired.reading.time, record->acquired);
    if (!run.stampOffset) {
        if (qAbs(inZone.msecsTo(record->acquired)) > sameMomentMSecs)
            TsLog().warningWithOrigin(
                QStringLiteral("The time stamp \"%1\" of \"%2\" reads as %3, not the "
                               "acquisition time %4 that %5 gives, and the two differ by no whole "
                               "number of quarter hours: the stamp's clock is not known. The "
                               "import keeps the start as read in %6.")
                    .arg(acquired.normalised, fileName, inZone.toString(Qt::ISODate),
                         record->acquired.toString(Qt::ISODate), record->file,
                         QString::fromUtf8(run.zone.id())),
                warningOrigin(importStage), now());
        return reportClockChangeGap(run);
    }
    const QTimeZone clock(*run.stampOffset);
    run.start = readLocalStamp(run.stamp, format, clock).time.toTimeZone(run.zone);
    TsLog().debugWithOrigin(
        QStringLiteral("The time stamp \"%1\" of \"%2\" shows a clock at UTC%3: it lies whole "
                       "quarter hours from the acquisition time %4 that %5 gives. The start is "
                       "read in that offset, as %6.")
            .arg(acquired.normalised, fileName, utcOffsetText(*run.stampOffset),
                 record->acquired.toString(Qt::ISODate), record->file,
                 run.start.toOffsetFromUtc(*run.stampOffset).toString(Qt::ISODate)),
        debugOrigin(stampStage, __LINE__), now());
    publishReport(run);
}

// Read in a fixed offset, a stamp falls in no gap.
void AgilentImporter::reportClockChangeGap(const ImportRun &run)
{
    if (!run.stampInClockChangeGap)
        return;
    TsLog().warningWithOrigin(
        QStringLiteral("The time stamp \"%1\" of \"%2\" names a time that the clock of %3 "
                       "skips at its change to summer time; it is read as %4, the time the "
                       "clock shows that much later.")
            .arg(run.stamp, fileName, QString::fromUtf8(run.zone.id()),
                 run.start.toString(Qt::ISODate)),
        warningOrigin(stampStage), now());
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
        fail(Failure::Load, QStringLiteral("Could not load the file \"%1\" because its channel "
                                           "header names more than %2 channels.")
                                .arg(fileName, QString::number(maxChannels)));
        return false;
    }
    const ChannelHeader header = parseChannelHeader(headerLine);
    if (!header.recognised) {
        fail(Failure::ChannelHeader,
             QStringLiteral("Could not load the file \"%1\" due to missing (?) channel header")
                 .arg(fileName));
        return false;
    }
    if (header.massShifted)
        TsLog().debugWithOrigin(QStringLiteral("Mass shifting detected"),
                                warningOrigin(importStage), now());
    reportRenamedHeadings(header);
    run.channelNames = header.names;
    run.massPairs = header.massPairs;
    return true;
}

// Two channels of one name would be one column, the later one's values and mass pair
// overwriting the earlier one's; the name a heading got instead must not pass unnoticed.
void AgilentImporter::reportRenamedHeadings(const ChannelHeader &header)
{
    if (header.renamings.isEmpty())
        return;
    const ChannelHeader::Renaming &first = header.renamings.first();
    QString text = QStringLiteral("The channel header of \"%1\" holds the heading \"%2\", whose "
                                  "name the earlier heading \"%3\" took; its values are read as "
                                  "the channel \"%4\".")
                       .arg(fileName, first.heading, first.earlierHeading, first.name);
    if (header.renamings.size() > 1)
        text += QStringLiteral(" %1 more headings repeat a name and are renamed alike.")
                    .arg(header.renamings.size() - 1);
    TsLog().warningWithOrigin(text, warningOrigin(importStage), now());
}

void AgilentImporter::takeAcquisitionFolderChannels(ImportRun &run)
{
    const AcquisitionFolder &folder = run.folder;
    if (!folder.sampleLabel.simplified().isEmpty())
        run.sampleName = folder.sampleLabel;
    if (run.timeLineOption.contains(QLatin1String("XML")))
        run.start = folder.record->acquired.toTimeZone(run.zone);
    run.channelNames = run.folderChannels.names;
    run.dwellTimes = run.folderChannels.properties.dwellTimes;
    run.massPairs = run.folderChannels.properties.massPairs;
    machineName = folder.instrumentName;
    if (run.folderChannels.disagreement)
        TsLog().warningWithOrigin(disagreementText(fileName, *run.folderChannels.disagreement),
                                  warningOrigin(importStage), now());
}

bool AgilentImporter::readTable(ImportRun &run)
{
    DataTable &table = *run.table;
    const int countedRows = table.rowCount();
    const qint64 cells = qint64(countedRows) * run.channelNames.size();
    if (cells > std::max(qint64(run.fileSize), minCellBudget)) {
        fail(Failure::Load,
             QStringLiteral("Could not load the file \"%1\" because %2 rows of %3 channels are "
                            "more values than its %4 bytes can hold: the data lines are shorter "
                            "than the channel header.")
                 .arg(fileName, QString::number(countedRows),
                      QString::number(run.channelNames.size()), QString::number(run.fileSize)));
        return false;
    }
    if (!table.allocateChannels(run.channelNames)) {
        fail(Failure::Load, QStringLiteral("Could not load the file \"%1\" because there is not "
                                           "enough memory for %2 rows of %3 channels.")
                                .arg(fileName, QString::number(countedRows),
                                     QString::number(run.channelNames.size())));
        return false;
    }
    const double startSeconds = double(run.start.toMSecsSinceEpoch()) / 1000.0;
    const int rowsRead =
        readDataRows(*run.lines, run.channelNames, startSeconds, table, [&](int row) {
            emit progress(progressOpened + progressTableSpan * row / countedRows);
            emit message(QStringLiteral("Reading data..."));
        });
    reportUncountedRows(*run.lines, rowsRead + 1 == countedRows ? rowsRead : -1);
    run.lines->release();
    if (rowsRead == 0) {
        fail(Failure::Load,
             QStringLiteral("Could not load the file \"%1\" because it holds no data rows.")
                 .arg(fileName));
        return false;
    }
    // A table that ends early hands on the rows read and its terminating row, nothing more.
    if (rowsRead + 1 < countedRows)
        table.truncate(rowsRead + 1);
    writeTerminatingRow(table, run.channelNames, rowsRead);
    run.end = dateTimeOfSeconds(table.time()[arma::uword(rowsRead)], run.zone);
    return true;
}

// The row count takes a line only when it ends in two plain numbers ("0.52,1200"): a data line
// that ends otherwise (a sign, an exponent) is not counted, and the lines after the counted
// rows are not read. That must not happen unnoticed.
void AgilentImporter::reportUncountedRows(const FileLines &lines, int rowsRead)
{
    const int nextLine = firstDataLine + rowsRead;
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
        warningOrigin(importStage), now());
}

void AgilentImporter::handOff(ImportRun &run, bool addToSession)
{
    const QString preferredMachine = run.preference(AgilentPreference::machineName);
    if (preferredMachine != QLatin1String("default") &&
        (machineName.isEmpty() || machineName == QLatin1String("Agilent")))
        machineName = preferredMachine;
    publishReport(run);
    announceResults(run);
    if (addToSession)
        addToDataStore(run);
    run.table.reset();
    emit message(QStringLiteral("Finished loading agilent sample data"));
    emit progress(progressDone);
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

// A refusal by the data store is no failure of the import (the host has seen the data through
// the signals), but the user must learn that nothing was stored.
void AgilentImporter::addToDataStore(const ImportRun &run)
{
    DataTable &table = *run.table;
    const int rowCount = table.rowCount();
    if (!dataManager->addRawDataToInputData(
            fileName, run.channelNames, table.channels(), &table.time(), run.start, run.end,
            rowCount, machineName, run.dwellTimes, run.massPairs, QStringList())) {
        qDebug().noquote() << QStringLiteral("Agilent load failed for %1").arg(fileName);
        TsLog().warningWithOrigin(QStringLiteral("The data store refused the data of \"%1\": they "
                                                 "were not stored.")
                                      .arg(fileName),
                                  warningOrigin(importStage), now());
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

namespace {

QVariantMap folderReport(const AcquisitionFolder &folder, const QString &labelField)
{
    return {{QStringLiteral("methodFile"), folder.methodFile},
            {QStringLiteral("sampleRecordFile"), folder.sampleRecordFile},
            {QStringLiteral("instrumentFile"), folder.instrumentFile},
            {QStringLiteral("instrumentName"), folder.instrumentName},
            {QStringLiteral("sampleLabel"), folder.sampleLabel},
            {QStringLiteral("sampleLabelField"), labelField == AgilentPreference::commentField
                                                     ? QStringLiteral("Comment")
                                                     : QStringLiteral("Sample Name")},
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
            {QStringLiteral("preference"), AgilentPreference::dateFormat},
            {QStringLiteral("exportStart"), finding.exportStart},
            {QStringLiteral("swappedStart"), finding.swappedStart},
            {QStringLiteral("acquisitionInstant"), finding.acquisitionInstant},
            {QStringLiteral("dateFormat"), finding.dateFormat},
            {QStringLiteral("suggestedDateFormat"), finding.suggestedDateFormat}};
}

// Where the start time came from, by the time-line option and whether the folder served.
QString startTimeSource(const QString &timeLineOption, bool folderUsed)
{
    if (timeLineOption.contains(QLatin1String("XML")) && folderUsed)
        return QStringLiteral("acquisition time");
    if (timeLineOption.contains(QLatin1String("Printed")))
        return QStringLiteral("Printed line");
    return QStringLiteral("Acquired line");
}

} // namespace

void AgilentImporter::publishReport(const ImportRun &run)
{
    QVariantMap report{{QStringLiteral("preferencesUsed"), run.preferencesUsed},
                       {QStringLiteral("folderMetadataUsed"), run.xmlLoaded}};
    if (!run.unit.isEmpty())
        report.insert(QStringLiteral("intensityUnit"), run.unit);
    if (run.start.isValid())
        report.insert(QStringLiteral("startTimeSource"),
                      startTimeSource(run.timeLineOption, run.xmlLoaded));
    if (run.xmlLoaded)
        report.insert(
            QStringLiteral("acquisitionFolder"),
            folderReport(run.folder,
                         run.preferencesUsed.value(AgilentPreference::labelField).toString()));
    if (run.folder.batchLog)
        report.insert(QStringLiteral("batchLog"), batchLogReport(*run.folder.batchLog));
    if (run.stampOffset)
        report.insert(QStringLiteral("stampOffset"), utcOffsetText(*run.stampOffset));
    if (run.dayMonth)
        report.insert(QStringLiteral("dayMonthCheck"),
                      dayMonthReport(*run.dayMonth, run.dayMonthWarning));
    setProperty(importReportProperty, report);
}

void AgilentImporter::fail(Failure failure, const QString &warning)
{
    const FailureExit &exit = failureExit(int(failure));
    if (exit.origin != nullptr)
        TsLog().warningWithOrigin(warning, warningOrigin(*exit.origin), now());
    else
        TsLog().warning(warning, now());
    const QString text = QLatin1String(exit.message);
    if (exit.error == ErrorSignal::Message)
        emit importError(text);
    else if (exit.error == ErrorSignal::Warning)
        emit importError(warning);
    if (exit.progressBeforeMessage)
        emit progress(progressDone);
    emit message(text);
    if (!exit.progressBeforeMessage)
        emit progress(progressDone);
    emit finished();
}
