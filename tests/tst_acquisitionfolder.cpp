// The acquisition or batch folder beside an export: finding and checking its files, and what an
// import takes from them (channel order, dwell times, mass pairs, label, instrument, time).
#include "acquisitionfolder.h"
#include "agilentimporter.h"
#include "importtesting.h"
#include "starttime.h"

#include <QtTest>

Q_DECLARE_METATYPE(QList<MethodChannel>)
Q_DECLARE_METATYPE(QList<BatchEntry>)
Q_DECLARE_METATYPE(Layout)

namespace {
// A method channel as "Pb208/0.01" (symbol, m/z, dwell time) or, mass-shifted, as
// "Ti48>64/0.01" (symbol, pre-shift mass, m/z, dwell time).
QList<MethodChannel> methodOf(const QString &text)
{
    static const QRegularExpression channel(
        QStringLiteral("([A-Z][a-z]?)(\\d+)(?:>(\\d+))?/(\\S+)"));
    QList<MethodChannel> method;
    for (auto it = channel.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        const bool shifted = m.capturedLength(3) > 0;
        method.append({m.captured(1), m.captured(shifted ? 3 : 2),
                       shifted ? m.captured(2) : QString(), m.captured(4)});
    }
    return method;
}
} // namespace

class TestAcquisitionFolder : public ImportTestCase
{
    Q_OBJECT

private slots:
    void folderName_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        const auto row = [](const char *name, const char *text, const char *folder) {
            QTest::newRow(name) << QString::fromUtf8(text) << folder;
        };
        row("CR LF after the name", "D:\\DATA\\b.b\\run1.d\r\n", "run1.d");
        row("comma, CR LF", "D:\\DATA\\b.b\\run1.d,\r\n", "run1.d");
        row("two commas, CR LF: a spreadsheet's padding", "D:\\DATA\\b.b\\run1.d,,\r\n", "run1.d");
        row("two commas, LF", "D:\\DATA\\b.b\\run1.d,,\n", "run1.d");
        row("backslash after the folder", "D:\\DATA\\run1.d\\", "run1.d");
        row("blanks, plus and hyphen", "D:\\x\\Au-Cd ionic+2.d", "Au-Cd ionic+2.d");
        row("forward slashes", "D:/DATA/b.b/run1.d", "");
        row("non-ASCII letter", "D:\\DATA\\mesur\xc3\xa9.d", "mesur\xc3\xa9.d");
        row("parenthesis and blanks", "D:\\DATA\\b.b\\Zircon (91500).d", "Zircon (91500).d");
        row("network server", "\\\\lab-pc\\data\\b.b\\S#1.d,,,", "S#1.d");
        row("directly below the drive", "D:\\S1.d", "S1.d");
        row("no drive or server: no path", "DATA\\b.b\\run1.d", "");
        row("upper-case D", "C:\\DATA\\STD-3.D\r\n", "");
        row("a file, not a folder", "D:\\DATA\\run1.csv", "");
    }

    void folderName()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QCOMPARE(acquisitionFolderName(text), name);
    }

    // The acquisition folder or the batch around an export (the usual one in Run1.d, changed by
    // the mutation), with the settings given: what the import takes from them, as "sample;
    // machine; channels; dwell times; sample record; method; instrument file" (the files by
    // name, the method with its folder), the start (by default the instant, else the stamp in the
    // zone), and the instant of the acquisition (invalid: none).
    void folderLookup_data()
    {
        // zone: the importer's "timeZone", or empty; warning: part of the one warning; offset: the
        // one the stamp was read in, empty when in the zone (checked where the zone is given).
        addColumns<Mutation, QStringList, QString, QDateTime, QDateTime, QByteArray, QString,
                   QString>("mutate", "settings", "facts", "start", "instant", "zone", "warning",
                            "offset");
        const QTimeZone system = QTimeZone::systemTimeZone();
        const QDateTime local(QDate(2020, 11, 18), QTime(14, 24, 29), system);
        const auto row = [&](const char *name, const Mutation &mutate, const QString &facts,
                             const QDateTime &instant = {}, const QStringList &settings = {},
                             const QDateTime &start = {}, const QString &warning = {},
                             const QByteArray &zone = {}, const QString &offset = {}) {
            QTest::newRow(name) << mutate << settings << facts
                                << (start.isValid()     ? start
                                    : instant.isValid() ? instant
                                                        : local)
                                << instant << zone << warning << offset;
        };
        const QString unused = "Run1.d; ; Li7,Na23; ; ; ; ";
        const QString used = "NIST612; Agilent G8900A SG123; Li7,Na23; 0.005,0.002; "
                             "sample_info.xml; Run1.d/AcqMethod.xml; sample_info.xml";
        const QDateTime acqTime = QDateTime::fromString("2020-11-18T13:24:29Z", Qt::ISODate);
        const auto field = [](const QByteArray &name, const QByteArray &value) {
            return [=](Acquisition &a) { a.setField(name, value); };
        };
        row("matching folder", {}, used, acqTime);
        row(
            "no AcqData folder: sample information beside the export",
            [](Acquisition &a) { a.acqDataFolder = false; }, used, acqTime);
        row(
            "first line ends with a comma", [](Acquisition &a) { a.firstLine += ','; }, used,
            acqTime);
        row("Japanese export: the folder named in Shift_JIS, XML time",
            [](Acquisition &a) {
                a.firstLine = "D:\\DATA\\demo.b\\\x8E\x8E\x97\xBF\x31.d";
                a.stampLine = "\x91\xAA\x92\xE8\x93\xFA\x8E\x9E      : 2020/11/18 14:24:29";
                a.setField("Data File", "D:\\DATA\\demo.b\\\xE8\xA9\xA6\xE6\x96\x99\x31.d");
                a.setField("Sample Name", "");
            },
            QString(used).replace("NIST612", QString::fromUtf8("\xE8\xA9\xA6\xE6\x96\x99\x31.d")),
            acqTime, {"agilentTimeLineOption=Use XML Time"});
        row("Data File names the folder in another case",
            field("Data File", "D:\\DATA\\demo.b\\run1.d"), unused);
        row("Data File written with forward slashes", field("Data File", "D:/DATA/demo.b/Run1.d"),
            unused);
        row(
            "CR-only export: its first line names the folder",
            [](Acquisition &a) { a.lineEnd = "\r"; }, used, acqTime);
        row(
            "Chinese export: the folder named in GB18030",
            [](Acquisition &a) {
                a.firstLine = "D:\\DATA\\demo.b\\\xD1\xF9\xC6\xB7\x31.d";
                a.stampLine = "\xB2\xC9\xBC\xAF\xC8\xD5\xC6\xDA      : 18/11/2020 14:24:29 "
                              "\xCA\xB9\xD3\xC3\xC5\xFA\xB4\xA6\xC0\xED demo.b";
                a.setField("Data File", "D:\\DATA\\demo.b\\\xE6\xA0\xB7\xE5\x93\x81\x31.d");
                a.setField("Sample Name", " ");
            },
            QString(used).replace("NIST612", QString::fromUtf8("\xE6\xA0\xB7\xE5\x93\x81\x31.d")),
            acqTime);
        row("empty AcqTime", field("AcqTime", ""), unused);
        row("AcqTime with a blank instead of T", field("AcqTime", "2020-11-18 13:24:29"), unused);
        row("AcqTime with hour 25", field("AcqTime", "2020-11-18T25:24:29Z"), unused);
        row("AcqTime with a blank instead of T, Z kept", field("AcqTime", "2020-11-18 13:24:29Z"),
            unused);
        row("no AcqTime field", field("AcqTime", {}), unused);
        row("label preference in lower case: folder not used, its AcqTime still counts", {}, unused,
            {}, {"agilentXMLLabelField=use comment field"}, acqTime);
        row("label from the Comment field", {}, QString(used).replace("NIST612", "spot 3"), acqTime,
            {"agilentXMLLabelField=Use Comment Field"});
        row(
            "XML time: AcqTime is UTC; no InstrumentName: Agilent",
            [](Acquisition &a) {
                a.setField("AcqTime", "2019-10-29T02:08:11Z");
                a.setField("InstrumentName", {});
            },
            "NIST612; Agilent; Li7,Na23; 0.005,0.002; sample_info.xml; Run1.d/AcqMethod.xml; ",
            QDateTime::fromString("2019-10-29T02:08:11Z", Qt::ISODate),
            {"agilentTimeLineOption=Use XML Time"},
            QDateTime::fromString("2019-10-29T02:08:11Z", Qt::ISODate));
        row("XML time given in the importer's zone", {}, used, acqTime,
            {"agilentTimeLineOption=Use XML Time"}, acqTime, {}, "Asia/Kathmandu");
        // The stamp shows the instrument's clock: AcqTime, whole quarter hours from it, tells its
        // offset unless the zone's clock agrees. Otherwise the stamp is read in the zone, with a
        // warning beyond a minute's difference.
        const QDateTime berlin(local.date(), local.time(), QTimeZone("Europe/Berlin"));
        const auto utc = [](const char *time) {
            return QDateTime::fromString(QString("2020-11-18T%1Z").arg(time), Qt::ISODate);
        };
        const auto acqTimeAt = [&](const char *time) {
            return field("AcqTime", utc(time).toString(Qt::ISODate).toUtf8());
        };
        row("AcqTime agrees with the stamp in the zone", {}, used, acqTime, {}, {}, {},
            "Europe/Berlin");
        row("AcqTime 5 h 45 min before the stamp: read at +05:45", acqTimeAt("08:39:29"), used,
            utc("08:39:29"), {}, {}, {}, "Europe/Berlin", "+05:45");
        row("Printed line read in the offset the Acquired line shows", acqTimeAt("17:54:29"), used,
            utc("17:54:29"), {"agilentTimeLineOption=Use 'Printed' Time"},
            QDateTime::fromString("2020-11-18T14:25:02-03:30", Qt::ISODate), {}, "UTC", "-03:30");
        row("AcqTime 4 min 29 s off: no clock's offset, a warning", acqTimeAt("13:20:00"), used,
            utc("13:20:00"), {}, berlin,
            "reads as 2020-11-18T14:24:29+01:00, not the acquisition time 2020-11-18T13:20:00Z",
            "Europe/Berlin");
        row("AcqTime 30 s off: the same moment", acqTimeAt("13:23:59"), used, utc("13:23:59"), {},
            berlin, {}, "Europe/Berlin");

        // In a batch, the header in the method's order.
        const auto batch = [](Layout layout, const QList<BatchEntry> &log,
                              const QString &devices = {}) {
            return [=](Acquisition &a) {
                a.layout = layout;
                a.batchLog = log;
                a.devices = devices;
                a.header = "Time [Sec],Na23,Li7";
            };
        };
        const QList<BatchEntry> usual = Acquisition().batchLog;
        const QDateTime withOffset =
            QDateTime::fromString("2020-11-18T14:24:29+11:00", Qt::ISODate);
        const QString run1 = "D:\\DATA\\demo.b\\Run1.d";
        const BatchEntry run2{"D:\\DATA\\demo.b\\Run2.d", "B-02", "2020-11-18T14:30:00+11:00",
                              "Pass"};
        const QString batchUnused = "Run1.d; ; Na23,Li7; ; ; ; ";
        const auto batchUsed = [&](const char *record, const char *machine = "Agilent",
                                   const char *devices = "") {
            return QStringLiteral("B-01; %1; Na23,Li7; 0.002,0.005; %2; Method/AcqMethod.xml; %3")
                .arg(machine, record, devices);
        };
        row("batch log XML names the folder", batch(Layout::BatchXml, usual, "G3665A SG1"),
            batchUsed("BatchLog.xml", "Agilent G3665A SG1", "Devices.xml"), withOffset);
        row("batch log XML without Devices.xml", batch(Layout::BatchXml, usual),
            batchUsed("BatchLog.xml"), withOffset);
        row("batch log XML: the stamp read at the log's +11:00", batch(Layout::BatchXml, usual),
            batchUsed("BatchLog.xml"), withOffset, {}, {}, {}, "UTC", "+11:00");
        const QDateTime newYear = QDateTime::fromString("1986-01-01T00:05:00+10:30", Qt::ISODate);
        row(
            "stamp read at the log's offset, in the hours before Kathmandu's change",
            [=](Acquisition &a) {
                batch(Layout::BatchXml, {{run1, "B-01", "1986-01-01T00:05:00+10:30", "Pass"}})(a);
                a.stampLine = "Acquired      : 01/01/1986 00:05:00 using Batch demo.b";
            },
            batchUsed("BatchLog.xml"), newYear, {}, newYear, {}, "Asia/Kathmandu", "+10:30");
        row("BatchLog.csv an hour off the stamp: its local time tells no offset",
            batch(Layout::BatchCsv, {{run1, "B-01", "18/11/2020 3:24:29 PM", "Pass"}}),
            batchUsed("BatchLog.csv"), local.addSecs(3600), {}, local);
        row("batch log entries name other folders only", batch(Layout::BatchXml, {run2}),
            batchUnused);
        row("entry names the folder in another case",
            batch(Layout::BatchXml,
                  {{"D:\\DATA\\demo.b\\run1.d", "B-01", "2020-11-18T14:24:29+11:00", "Pass"}}),
            batchUnused);
        row("BatchLog.csv only, local clock",
            batch(Layout::BatchCsv, {{run2.dataFile, "B-02", "18/11/2020 2:30:00 PM", "Pass"},
                                     {run1, "B-01", "18/11/2020 2:24:29 PM", "Fail"}}),
            batchUsed("BatchLog.csv"), local);
        const QDateTime sydney(QDate(2020, 11, 18), QTime(14, 24, 29),
                               QTimeZone("Australia/Sydney"));
        row("BatchLog.csv and stamp on the clock of the importer's zone",
            batch(Layout::BatchCsv, {{run1, "B-01", "18/11/2020 2:24:29 PM", "Pass"}}),
            batchUsed("BatchLog.csv"), sydney, {}, sydney, {}, "Australia/Sydney");
        row("batch log XML without an offset: the clock of the importer's zone",
            batch(Layout::BatchXml, {{run1, "B-01", "2020-11-18T14:24:29", "Pass"}}),
            batchUsed("BatchLog.xml"), sydney, {}, sydney, {}, "Australia/Sydney");
        row("XML log lacks the folder, CSV log has it",
            batch(Layout::BatchBoth, {run2, {run1, "B-01", "2020/11/18 14:24:29", "Pass"}}),
            batchUsed("BatchLog.csv"), local);
        row("re-run acquisition: the last entry wins",
            batch(Layout::BatchXml,
                  {{run1, "first", "2020-11-18T10:00:00+11:00", "Fail"}, usual.at(1)}),
            batchUsed("BatchLog.xml"), withOffset);
        row(
            "a batch folder not named .b: its method and logs do not count",
            [=](Acquisition &a) {
                batch(Layout::BatchXml, usual)(a);
                a.batchFolder = "demo.b-renamed";
            },
            batchUnused);
        // A month-first stamp with a day of 12 or less reads as a valid, wrong date. A CSV log is
        // read under the same preference and agrees; the XML log's own time gives it away, and
        // the warning says which format reads it right. Values are not changed.
        const auto monthFirst = [=](Layout layout, const QString &logged) {
            return [=](Acquisition &a) {
                batch(layout, {{run1, "B-01", logged, "Pass"}})(a);
                a.stampLine = "Acquired      : 2/9/2026 3:16:22 PM using Batch demo.b";
            };
        };
        const QDateTime septemberSecond(QDate(2026, 9, 2), QTime(15, 16, 22), system);
        row("month-first stamp beside a CSV log",
            monthFirst(Layout::BatchCsv, "2/9/2026 3:16:22 PM"), batchUsed("BatchLog.csv"),
            septemberSecond, {}, septemberSecond);
        row("month-first stamp beside an XML log",
            monthFirst(Layout::BatchXml, "2026-02-09T15:16:22+01:00"), batchUsed("BatchLog.xml"),
            QDateTime::fromString("2026-02-09T15:16:22+01:00", Qt::ISODate), {}, septemberSecond,
            "swapped it is " +
                QDateTime(QDate(2026, 2, 9), QTime(15, 16, 22), system).toString(Qt::ISODate) +
                ", which agrees. Set agilentDateFormat to \"MM dd yyyy hh mm ss\"");
        row("month-first stamp beside an XML log, both read in the importer's zone",
            monthFirst(Layout::BatchXml, "2026-02-09T15:16:22+09:00"), batchUsed("BatchLog.xml"),
            QDateTime::fromString("2026-02-09T15:16:22+09:00", Qt::ISODate), {},
            QDateTime(QDate(2026, 9, 2), QTime(15, 16, 22), QTimeZone("Asia/Tokyo")),
            "swapped it is 2026-02-09T15:16:22+09:00, which agrees", "Asia/Tokyo");

        // Clock changes, each in the zone the importer is given, whatever the computer's: a stamp
        // in the hour the clock skips reads one hour later, with a warning; an acquisition time in
        // UTC is valid whatever the clock, and given in the zone.
        const auto clock = [&](const char *name, const char *zone, const QByteArray &stamp,
                               const QByteArray &acqTime, const char *start, bool gap) {
            QTest::newRow(name) << Mutation([=](Acquisition &a) {
                a.stampLine = "Acquired      : " + stamp + " using Batch demo.b";
                a.setField("AcqTime", acqTime);
            })
                                << (acqTime.isEmpty()
                                        ? QStringList()
                                        : QStringList{"agilentTimeLineOption=Use XML Time"})
                                << (acqTime.isEmpty() ? unused : used)
                                << QDateTime::fromString(start, Qt::ISODate)
                                << QDateTime::fromString(acqTime, Qt::ISODate) << QByteArray(zone)
                                << (gap ? "skips when it is set forward" : "") << QString();
        };
        clock("Berlin: stamp in the skipped hour", "Europe/Berlin", "28/03/2021 02:30:00", "",
              "2021-03-28T01:30:00Z", true);
        clock("New York: stamp in the skipped hour", "America/New_York", "14/03/2021 02:30:00", "",
              "2021-03-14T07:30:00Z", true);
        clock("Berlin: the hour after the change", "Europe/Berlin", "28/03/2021 03:30:00", "",
              "2021-03-28T01:30:00Z", false);
        clock("Berlin: XML time in the skipped hour", "Europe/Berlin", "28/03/2021 04:30:00",
              "2021-03-28T02:30:00Z", "2021-03-28T02:30:00Z", false);
        clock("New York: XML time in the skipped hour", "America/New_York", "13/03/2021 21:30:00",
              "2021-03-14T02:30:00Z", "2021-03-14T02:30:00Z", false);
        // Changes of a zone's standard offset, which Qt 5 reads as daylight-saving ones: the hours
        // before them read as any others, the skipped minutes as after a spring change. Zone
        // data without the change cannot make the case (Windows keeps Nepal at +05:45).
        const auto changeRows = [&](const char *zone, const char *change,
                                    std::initializer_list<const char *> names) {
            const QTimeZone data(zone);
            const QDateTime at = QDateTime::fromString(change, Qt::ISODate);
            if (data.offsetFromUtc(at.addSecs(-1)) != data.offsetFromUtc(at))
                return;
            for (const char *name : names)
                skippedRows.insert(name, QStringLiteral("the zone data here has no change of %1's "
                                                        "offset at %2")
                                             .arg(zone, change));
        };
        changeRows("Asia/Kathmandu", "1985-12-31T18:30:00Z",
                   {"Kathmandu: hours before +05:30 turns +05:45",
                    "Kathmandu: the last second before the change",
                    "Kathmandu: the skipped quarter hour"});
        changeRows("Asia/Pyongyang", "2018-05-04T15:00:00Z",
                   {"Pyongyang: before +08:30 turns +09:00", "Pyongyang: the skipped half hour"});
        clock("Kathmandu: hours before +05:30 turns +05:45", "Asia/Kathmandu",
              "31/12/1985 18:30:00", "", "1985-12-31T13:00:00Z", false);
        clock("Kathmandu: the last second before the change", "Asia/Kathmandu",
              "31/12/1985 23:59:59", "", "1985-12-31T18:29:59Z", false);
        clock("Kathmandu: the skipped quarter hour", "Asia/Kathmandu", "01/01/1986 00:05:00", "",
              "1985-12-31T18:35:00Z", true);
        clock("Kathmandu: XML time before the change", "Asia/Kathmandu", "31/12/1985 20:00:00",
              "1985-12-31T14:30:00Z", "1985-12-31T14:30:00Z", false);
        clock("Pyongyang: before +08:30 turns +09:00", "Asia/Pyongyang", "04/05/2018 20:00:00", "",
              "2018-05-04T11:30:00Z", false);
        clock("Pyongyang: the skipped half hour", "Asia/Pyongyang", "04/05/2018 23:45:00", "",
              "2018-05-04T15:15:00Z", true);
    }

    void folderLookup()
    {
        if (const QString reason = skippedRows.value(QTest::currentDataTag()); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        const auto [mutate, settings, facts, start, instant, zone, warning, offset] =
            fetchColumns<Mutation, QStringList, QString, QDateTime, QDateTime, QByteArray, QString,
                         QString>("mutate", "settings", "facts", "start", "instant", "zone",
                                  "warning", "offset");
        for (const QString &setting : settings)
            QSettings().setValue(setting.section('=', 0, 0), setting.section('=', 1));
        Acquisition acquisition;
        acquisition.layout = Layout::InFolder;
        if (mutate)
            mutate(acquisition);
        AgilentImporter importer;
        importer.setProperty("timeZone", zone);
        SignalLog log(importer);
        const auto stored = importStored(importer, write(acquisition));
        QVERIFY(stored);
        const ImportReport report = importer.property("importReport").value<ImportReport>();
        const AcquisitionFolderReport folder =
            report.acquisitionFolder.value_or(AcquisitionFolderReport());
        const auto fileName = [&](const QString &path, int parts = 1) {
            return path.section('/', -parts);
        };
        QStringList dwell;
        for (float seconds : stored->dwellTimes)
            dwell.append(QString::number(seconds));
        const QString sample = log.entries.filter("sampleNames(").value(0).section('(', 1);
        QCOMPARE(stored->start, start);
        const QTimeZone expectedZone =
            zone.isEmpty() ? QTimeZone::systemTimeZone() : timeZoneNamed(zone);
        QCOMPARE(stored->start.offsetFromUtc(), expectedZone.offsetFromUtc(stored->start));
        QCOMPARE(
            QStringList({sample.chopped(1), stored->machineName, stored->channelNames.join(','),
                         dwell.join(','), fileName(folder.sampleRecordFile),
                         fileName(folder.methodFile, 2), fileName(folder.instrumentFile)})
                .join("; "),
            facts);
        // Every record of the import agrees, and the values stand in their header's order.
        QCOMPARE(importer.instrumentName, stored->machineName);
        QCOMPARE(Session()->data()->files().at(0).dynamicCast<ImportedMassSpecFile>()->machineName,
                 stored->machineName);
        QCOMPARE(stored->time[1], double(stored->start.toMSecsSinceEpoch()) / 1000.0 + 1.0);
        const QStringList headings = QString(acquisition.header).split(',').mid(1);
        for (int i = 0; i < headings.size(); ++i)
            QCOMPARE(stored->channels.value(headings.at(i))[1], 3.0 + i);
        QVERIFY(stored->massPairs.isEmpty());
        // The log names the folder's files whenever both are found, and a device list that
        // names the instrument; a batch layout in a ".b" folder has a log for the overview.
        if (acquisition.layout == Layout::InFolder)
            QVERIFY(TsLog().entries().value(0).message.startsWith("Loading Agilent xml files\r"));
        const QString instrumentNote = "Instrument name from " + folder.instrumentFile;
        QCOMPARE(std::count_if(TsLog().entries().cbegin(), TsLog().entries().cend(),
                               [&](const LogEntry &e) { return e.message == instrumentNote; }),
                 fileName(folder.instrumentFile) == "Devices.xml" ? 1 : 0);
        QCOMPARE(report.batchLog.has_value(),
                 acquisition.layout != Layout::InFolder && acquisition.batchFolder.endsWith(".b"));
        const QStringList warnings = loggedWarnings();
        QCOMPARE(warnings.size(), warning.isEmpty() ? 0 : 1);
        if (!warning.isEmpty())
            QVERIFY2(warnings.first().contains(warning), qPrintable(warnings.first()));
        const bool offsetNoted =
            std::any_of(TsLog().entries().cbegin(), TsLog().entries().cend(), [](auto &e) {
                return e.level == LogEntry::Debug && e.message.contains("shows a clock at UTC");
            });
        if (!zone.isEmpty()) {
            QCOMPARE(report.stampOffset, offset);
            QCOMPARE(offsetNoted, !offset.isEmpty());
        }
        const QDateTime acquired = folder.acquisitionInstant;
        QCOMPARE(acquired, instant);
        QCOMPARE(importer.acquisitionTime, instant);
        if (instant.isValid()) // given in the zone; reported in the source's offset
            QCOMPARE(importer.acquisitionTime.offsetFromUtc(),
                     expectedZone.offsetFromUtc(importer.acquisitionTime));
        if (instant.timeSpec() != Qt::UTC) // from a batch log: its offset, or the zone's clock
            QCOMPARE(acquired.offsetFromUtc(), instant.offsetFromUtc());
    }

    // One importer, two imports: the first with a folder that names the instrument, the second
    // an export alone. Nothing of the first reaches the second; the machine is the host's, as
    // given before the first import or changed between them.
    void reusedImporter_data()
    {
        addColumns<QString, QString, QString>("before", "between", "machine");
        QTest::newRow("host named no machine") << QString() << QString() << QString();
        QTest::newRow("host named its machine") << "Lab PC" << QString() << "Lab PC";
        QTest::newRow("host renamed its machine between") << "Lab PC"
                                                          << "Lab PC 2"
                                                          << "Lab PC 2";
    }

    void reusedImporter()
    {
        const auto [before, between, machine] =
            fetchColumns<QString, QString, QString>("before", "between", "machine");
        AgilentImporter importer;
        importer.machineName = before;
        Acquisition first;
        first.layout = Layout::InFolder;
        QVERIFY(importStored(importer, write(first)));
        QCOMPARE(importer.machineName, "Agilent G8900A SG123");
        QCOMPARE(importer.dwellTimes.size(), 2);
        if (!between.isEmpty())
            importer.machineName = between;
        Acquisition second;
        second.name = "Run2";
        second.firstLine = "D:\\DATA\\demo.b\\Run2.d";
        const auto stored = importStored(importer, write(second));
        QVERIFY(stored);
        QCOMPARE(stored->machineName, machine);
        QCOMPARE(importer.machineName, machine);
        QCOMPARE(importer.sampleLabel, QString());
        QCOMPARE(importer.instrumentName, QString());
        QCOMPARE(importer.acquisitionTime, QDateTime());
        QCOMPARE(importer.channelOrder, QStringList());
        QCOMPARE(importer.dwellTimes, QList<float>());
        QCOMPARE(importer.massPairs, MassPairList());
        QVERIFY(stored->dwellTimes.isEmpty());
        QVERIFY(!importer.property("importReport").value<ImportReport>().acquisitionFolder);
    }

    // Whether a folder that the lookup found serves the import, and what the log learns of it.
    void folderServes_data()
    {
        // The folder: m: a method file, r: a record file, i: another instrument file, f: a
        // failure, b: a method over the channel limit. Expected: serves, then the notes' starts,
        // then "warning" for the warning.
        addColumns<QString, QString>("folder", "expected");
        QTest::newRow("method and record") << "mr"
                                           << "serves|Loading Agilent xml files";
        QTest::newRow("and a device list") << "mri"
                                           << "serves|Loading Agilent xml files|Instrument name";
        QTest::newRow("method only") << "mf"
                                     << "|No acquisition folder metadata";
        QTest::newRow("record only") << "rf"
                                     << "|No acquisition folder metadata";
        QTest::newRow("both, with a failure")
            << "mrf"
            << "|Loading Agilent xml files|No acquisition folder metadata";
        QTest::newRow("neither") << "f"
                                 << "";
        QTest::newRow("a method over the limit") << "mrb"
                                                 << "|Loading Agilent xml files|warning";
    }

    void folderServes()
    {
        const auto [letters, expected] = fetchColumns<QString, QString>("folder", "expected");
        AcquisitionFolder folder;
        folder.methodFile = letters.contains('m') ? "/a.d/AcqMethod.xml" : "";
        folder.sampleRecordFile = letters.contains('r') ? "/a.d/AcqData/sample_info.xml" : "";
        folder.instrumentFile = letters.contains('i') ? "/a.d/AcqData/Devices.xml" : "";
        folder.failure = letters.contains('f') ? "no AcqMethod.xml" : "";
        for (int i = 0; letters.contains('b') && i <= maxChannels; ++i)
            folder.method.insert(QString::number(i), QVariant());
        const FolderUse use = folderUse(folder, "/a.d/a.csv");
        QStringList found{use.serves ? "serves" : ""};
        for (const QString &note : use.notes)
            found.append(note.section(QRegularExpression("[\\r:]| for| from"), 0, 0));
        if (!use.warning.isEmpty())
            found.append("warning");
        QCOMPARE(found.join('|'), expected);
    }

    // The start as the time-line preference, the stamp and the acquisition's own record give
    // it, in Berlin (UTC+01:00 in November), without the folder's files.
    void startChoice_data()
    {
        // record: the acquisition's instant (Z: its own offset, else read in the zone); none
        // when empty. Expected: the failure, or the start, the stamp's offset and the finding.
        addColumns<QString, QByteArray, QString, bool, QString>("option", "stamp", "record",
                                                                "folderUsed", "expected");
        const auto row = [](const char *name, const char *option, const char *stamp,
                            const char *record, bool folderUsed, const char *expected) {
            QTest::newRow(name) << option << QByteArray(stamp) << record << folderUsed << expected;
        };
        const char *acquired = "Use 'Acquired' Time";
        row("stamp, no record", acquired, "18/11/2020 14:24:29", "", false,
            "2020-11-18T14:24:29+01:00 ");
        row("XML time without the folder", "Use XML Time", "18/11/2020 14:24:29", "", false,
            "failure TimeLine");
        row("unknown option", "Use the clock", "18/11/2020 14:24:29", "", false,
            "failure TimeLine");
        row("a word of a line, not its option", "Use Acquired", "18/11/2020 14:24:29", "", false,
            "failure StampUnrecognised");
        row("XML time with the folder: the record in the zone", "Use XML Time",
            "18/11/2020 14:24:29", "2020-11-18T03:24:29Z", true, "2020-11-18T04:24:29+01:00 ");
        row("XML and a line's word with the folder: the empty stamp", "Use 'Printed' Time XML",
            "18/11/2020 14:24:29", "2020-11-18T03:24:29Z", true, "failure StampUnrecognised");
        row("no Printed line", "Use 'Printed' Time", "18/11/2020 14:24:29", "", false,
            "failure StampMissing");
        row("stamp agrees with the record", acquired, "18/11/2020 14:24:29", "2020-11-18T13:24:29Z",
            true, "2020-11-18T14:24:29+01:00 ");
        row("stamp on a clock 11 hours east", acquired, "18/11/2020 14:24:29",
            "2020-11-18T03:24:29Z", true, "2020-11-18T04:24:29+01:00 +11:00 note");
        row("stamp on a UTC clock: +00:00", acquired, "18/11/2020 14:24:29", "2020-11-18T14:24:29Z",
            true, "2020-11-18T15:24:29+01:00 +00:00 note");
        row("stamp 4.5 minutes off: no clock", acquired, "18/11/2020 14:24:29",
            "2020-11-18T13:29:00Z", false, "2020-11-18T14:24:29+01:00 warning");
        // Within a minute, one moment on two clocks; beyond it, a warning.
        row("stamp exactly a minute off: the same moment", acquired, "18/11/2020 14:24:29",
            "2020-11-18T13:25:29Z", false, "2020-11-18T14:24:29+01:00 ");
        row("stamp a minute and 30 ms off: a warning", acquired, "18/11/2020 14:24:29",
            "2020-11-18T13:23:28.970Z", false, "2020-11-18T14:24:29+01:00 warning");
        row("record read in the zone tells no clock", acquired, "18/11/2020 14:24:29",
            "2020-11-18T14:29:00", false, "2020-11-18T14:24:29+01:00 ");
        row("day and month swapped", acquired, "11/05/2020 14:24:29", "2020-11-05T13:24:29Z", false,
            "2020-05-11T14:24:29+02:00 dayMonth");
        row("day equal to month, 14 h from the record: no swap, no clock", acquired,
            "05/05/2020 14:24:29", "2020-05-04T22:24:29Z", false,
            "2020-05-05T14:24:29+02:00 warning");
    }

    void startChoice()
    {
        const auto [option, stamp, record, folderUsed, expected] =
            fetchColumns<QString, QByteArray, QString, bool, QString>("option", "stamp", "record",
                                                                      "folderUsed", "expected");
        const QTimeZone berlin("Europe/Berlin");
        const FileLines lines("D:\\x.b\\1.d\nIntensity Vs Time,CPS\nAcquired      : " + stamp +
                              " using Batch x.b\nTime [Sec],Li7\n0.1,5\n");
        ImportSettings settings;
        settings.timeLine = parseTimeLine(option);
        settings.dateFormat = "dd MM yyyy hh mm ss";
        std::optional<SampleRecord> acquisition;
        if (!record.isEmpty()) {
            const QDateTime read = QDateTime::fromString(record, Qt::ISODate);
            acquisition = SampleRecord{"sample_info.xml", "s", "", "", read, ""};
            if (!record.endsWith('Z'))
                acquisition->acquired = QDateTime(read.date(), read.time(), berlin);
        }
        const QString path = "x.csv";
        const Outcome<StartTime> start =
            chooseStartTime({path, lines, settings, berlin, acquisition, folderUsed});
        static const char *const failures[] = {
            "Open",          "Load",         "TimeLine",          "TimeZone",
            "ChannelHeader", "StampMissing", "StampUnrecognised", "StampImpossible"};
        QString found;
        if (!start) {
            found = QStringLiteral("failure ") + failures[int(start.failure().failure)];
        } else {
            QCOMPARE(start->start.timeZone(), berlin);
            // The offset as the note names it.
            const QString noteOffset = QRegularExpression("at UTC([-+]\\d\\d:\\d\\d):")
                                           .match(start->clockNote)
                                           .captured(1);
            QCOMPARE(bool(start->stampOffset), !start->clockNote.isEmpty());
            found =
                start->start.toOffsetFromUtc(start->start.offsetFromUtc()).toString(Qt::ISODate) +
                ' ' + (noteOffset.isEmpty() ? "" : noteOffset + ' ') +
                (start->clockNote.isEmpty() ? "" : "note") +
                (start->clockWarning.isEmpty() ? "" : "warning") +
                (start->dayMonth ? "dayMonth" : "");
            QCOMPARE(start->dayMonthWarning.isEmpty(), !start->dayMonth);
        }
        QCOMPARE(found.trimmed(), expected.trimmed());
    }

    void channels_data()
    {
        // values: the first row, by channel
        // warning: the one warning, as warningMatches() reads it
        addColumns<QList<MethodChannel>, QByteArray, QByteArray, QStringList, QStringList, QString,
                   QString>("method", "header", "row", "channels", "pairs", "values", "warning");
        const auto row = [](const char *name, const char *method, const QByteArray &header,
                            const QByteArray &row, const char *channels, const char *pairs,
                            const char *values, const QString &warning = {}) {
            QTest::newRow(name) << methodOf(method) << header << row << listOf(channels)
                                << listOf(pairs) << values << warning;
        };
        const QByteArray unread = "not a channel header";
        row("header not read: single quadrupole by m/z", "Pb208/0.01 Li7/0.02 In115/0.03", unread,
            "0.5,1,2,3", "Li7,In115,Pb208", "", "1,2,3");
        row("header not read: tandem by pre-shift, then post-shift mass",
            "Ti48>64/0.01 Ti47>63/0.02 Ti48>48/0.03", unread, "0.5,1,2,3", "Ti47,Ti48_48,Ti48",
            "47>63,48>48,48>64", "1,2,3");
        row("header not read: mixed kinds, unshifted by its m/z, pairs stay aligned",
            "P31>47/0.01 Sr88/0.02 Li7/0.03 Ti48>64/0.04", unread, "0.5,1,2,3,4",
            "Li7,P31,Ti48,Sr88", "7>7,31>47,48>64,88>88", "1,2,3,4");
        row("header order differs from the method's m/z order", "Li7/0.01 Pb208/0.02",
            "Time [Sec],Pb208,Li7", "0.5,100,7", "Pb208,Li7", "", "100,7");
        row("single-quad method of a tandem instrument: SelectedMZ equal to MZ",
            "Li7>7/0.01 Pb208>208/0.02", "Time [Sec],Pb208,Li7", "0.5,100,7", "Pb208,Li7",
            "208>208,7>7", "100,7");
        row("MS/MS with a repeated element", "Ti48>64/0.01 Ti48>48/0.02 P31>47/0.03",
            "Time [Sec],Ti48 -> 64,Ti48 -> 48,P31 -> 47", "0.5,64,48,31", "Ti48,Ti48_48,P31",
            "48>64,48>48,31>47", "64,48,31");
        row("a channel on one side only: by position, named in the warning", "Li7/0.01 Mg24/0.02",
            "Time [Sec],Na23,Li7", "0.5,23,7", "Li7,Mg24", "", "23,7",
            "Only in the method: Mg24. Only in the channel header: Na23.");
        row("the lowest method channel on one side only", "Li7/0.01 Na23/0.02",
            "Time [Sec],Na23,Mg24", "0.5,23,24", "Li7,Na23", "", "23,24",
            "Only in the method: Li7. Only in the channel header: Mg24.");
        row("a tandem heading twice, a method channel missing: by position, in the warning",
            "Ti48>64/0.01 P31>47/0.02", "Time [Sec],Ti48 -> 64,Ti48 -> 64", "0.5,64,65", "P31,Ti48",
            "31>47,48>64", "64,65", "Only in the method: P31. Only in the channel header: none.");
        row("a channel more in the method: by position, both counts in the warning",
            "Na23/0.002 Li7/0.005 Mg24/0.01", "Time [Sec],Li7,Na23", "0.5,1,2", "Li7,Na23,Mg24", "",
            "1,2,0",
            "The acquisition method of \"%1\" lists 3 channels but its first data line holds 2 "
            "values; values are given to channels by position. Only in the method: Mg24. Only in "
            "the channel header: none.");
        row("an empty heading between tandem channels: by position, both counts in the warning",
            "P31>47/0.01 W182>182/0.02", "Time [Sec],P31 -> 47,,W182 -> 182", "0.5,31,0,182",
            "P31,W182", "31>47,182>182", "31,0",
            "lists 2 channels but its first data line holds 3 values; values are given to channels "
            "by position. Only in the method: none. Only in the channel header: (an empty "
            "heading).");
    }

    void channels()
    {
        const auto [method, header, row, channels, pairs, values, warning] =
            fetchColumns<QList<MethodChannel>, QByteArray, QByteArray, QStringList, QStringList,
                         QString, QString>("method", "header", "row", "channels", "pairs", "values",
                                           "warning");
        Acquisition acquisition;
        acquisition.layout = Layout::InFolder;
        acquisition.method = method;
        acquisition.header = header;
        acquisition.rows = {row, row};
        AgilentImporter importer;
        SignalLog log(importer);
        const auto stored = importStored(importer, write(acquisition));
        QVERIFY(stored);
        QCOMPARE(stored->channelNames, channels);
        QCOMPARE(importer.channelOrder, channels);
        QCOMPARE(pairTexts(stored->massPairs), pairs);
        const QStringList firstRow = values.split(',');
        for (int i = 0; i < channels.size(); ++i) {
            QCOMPARE(stored->channels.value(channels.at(i))[0], firstRow.at(i).toDouble());
            // Each channel keeps its own dwell time and pair wherever it stands.
            const QString pair = pairs.value(i);
            const MethodChannel own =
                *std::find_if(method.cbegin(), method.cend(), [&, name = channels.at(i)](auto &c) {
                    return name.startsWith(c.symbol) &&
                           (c.selectedMz.isEmpty() || pair == c.selectedMz + '>' + c.mz);
                });
            QCOMPARE(stored->dwellTimes.at(i), own.dwell.toFloat());
            if (!pair.isEmpty())
                QCOMPARE(pairTexts({log.sharedMasses.value(channels.at(i))}), QStringList{pair});
        }
        const QStringList warnings = loggedWarnings();
        QCOMPARE(warnings.size(), warning.isEmpty() ? 0 : 1);
        if (!warning.isEmpty())
            QVERIFY2(warningMatches(warning, warnings.first(), importer.fileName),
                     qPrintable(warnings.first()));
        // The method names the channels: the header is not read for mass shifts.
        QVERIFY(
            std::none_of(TsLog().entries().cbegin(), TsLog().entries().cend(),
                         [](const LogEntry &e) { return e.message == "Mass shifting detected"; }));
        // The same importer's next import hands on its own channels, dwell times and pairs.
        acquisition.method = {{"Sr", "88", "", "0.03"}};
        acquisition.header = "Time [Sec],Sr88";
        acquisition.rows = {"0.5,1", "1.0,2"};
        const auto next = importStored(importer, write(acquisition));
        QCOMPARE(next->channelNames, QStringList{"Sr88"});
        QCOMPARE(next->dwellTimes, QList<float>{0.03f});
        QVERIFY(next->massPairs.isEmpty());
    }

    // The cells of a CSV batch log under "#,File Name,Sample Name,Comment": the last one without
    // a comma after it; a quoted one with a comma and doubled quotes; "-" for an empty one; a
    // quote inside an unquoted cell; a quoted last cell; a row without the last cell.
    void batchLogCsvCells()
    {
        const char *const rows[][2] = {
            {"1,D:\\b.b\\a.d,S1,spot 3", "D:\\b.b\\a.d|S1|spot 3"},
            {"1,D:\\b.b\\a.d,\"x, \"\"y\"\"\",-", "D:\\b.b\\a.d|x, \"y\"|"},
            {"1,D:\\b.b\\a.d,5\" wafer,-", "D:\\b.b\\a.d|5\" wafer|"},
            {"1,D:\\b.b\\a.d,S1,\"spot \"\"3\"\"\"", "D:\\b.b\\a.d|S1|spot \"3\""},
            {"1,D:\\b.b\\a.d,S1", "D:\\b.b\\a.d|S1|"}};
        for (const auto &[row, cells] : rows) {
            const QVector<BatchLogEntry> entries = readBatchLogCsv(
                "\xEF\xBB\xBF#,File Name,Sample Name,Comment\r\n" + QByteArray(row) + "\r\n");
            QCOMPARE(entries.size(), 1);
            const BatchLogEntry &entry = entries.at(0);
            QCOMPARE(entry.dataFile + '|' + entry.sampleName + '|' + entry.comment, QString(cells));
        }
    }

    // A batch log's and an instrument file's records count only under the root their kind
    // names: an XML file of another kind under the same name gives none.
    void xmlRecordsUnderTheirRootOnly()
    {
        const QByteArray entry = "<BatchLogInfo><DataFileName>a.d</DataFileName></BatchLogInfo>";
        QCOMPARE(readBatchLogXml("<BatchLogDataSet>" + entry + "</BatchLogDataSet>").size(), 1);
        QCOMPARE(readBatchLogXml("<MethodDataSet>" + entry + "</MethodDataSet>").size(), 0);
        const QByteArray device =
            "<Device><ModelNumber>G8900A</ModelNumber><SerialNumber>SG1</SerialNumber></Device>";
        QCOMPARE(readDeviceName("<Devices>" + device + "</Devices>"), QString("G8900A SG1"));
        QCOMPARE(readDeviceName("<Modules>" + device + "</Modules>"), QString());
    }

private:
    // Rows that the zone data here cannot make, with the reason.
    QHash<QString, QString> skippedRows;

    // Writes the acquisition into a folder of its own; answers the export's path.
    QString write(const Acquisition &acquisition)
    {
        const QString root = dir.filePath(QString::number(++cases));
        QDir().mkpath(root);
        return acquisition.writeTo(root);
    }
    int cases = 0;
};

QTEST_GUILESS_MAIN(TestAcquisitionFolder)
#include "tst_acquisitionfolder.moc"
