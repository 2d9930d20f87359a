// The command-line host as a user runs it: the built program in a child process, with its
// settings in a temporary configuration folder, on exports written here.
#include "tooltesting.h"

#include <QtTest>

namespace {

const QByteArray exportHead = "D:\\DATA\\demo.b\\S1.d\r\n"
                              "Intensity Vs Time,CPS\r\n"
                              "Acquired      : 18/11/2020 14:24:29 using Batch demo.b\r\n"
                              "Time [Sec],Li7,Na23\r\n";
const QByteArray exportTail = "\r\n\r\n          Printed:18/11/2020 14:24:47\r\n";
const int tableRows = 30;

struct TableRow
{
    QByteArray time;
    QByteArray li7;
    QByteArray na23;
};

TableRow tableRow(int row)
{
    return {QByteArray::number(0.5254 + 0.3 * row, 'f', 4),
            QByteArray::number(10.0 + 0.37 * row, 'f', 2),
            QByteArray::number(20.5 + row / 3.0, 'f', 6)};
}

QByteArray englishExport(const QByteArray &head = exportHead)
{
    QByteArray text = head;
    for (int row = 0; row < tableRows; ++row) {
        const TableRow values = tableRow(row);
        text += values.time + ',' + values.li7 + ',' + values.na23 + "\r\n";
    }
    return text + exportTail;
}

// An acquisition folder Run1.d beside whose export lie a method with two mass-shifted channels
// (listed out of mass order) and the sample information.
const QByteArray acquisitionMethod =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<AcquisitionDataSet>\r\n"
    "<IcpmsElement><MZ>88</MZ><SelectedMZ>88</SelectedMZ><IntegrationTime>0.0100"
    "</IntegrationTime><ElementName>Sr</ElementName></IcpmsElement>\r\n"
    "<IcpmsElement><MZ>64</MZ><SelectedMZ>48</SelectedMZ><IntegrationTime>0.0300"
    "</IntegrationTime><ElementName>Ti</ElementName></IcpmsElement>\r\n"
    "</AcquisitionDataSet>\r\n";

QByteArray sampleInfoField(const QByteArray &name, const QByteArray &value)
{
    return "<Field><Name>" + name + "</Name><Value>" + value + "</Value></Field>\r\n";
}

const QByteArray sampleInfo =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<SampleInfo>\r\n" +
    sampleInfoField("Data File", "D:\\DATA\\demo.b\\Run1.d") +
    sampleInfoField("Sample Name", "Glass A") + sampleInfoField("Comment", "second spot") +
    sampleInfoField("InstrumentName", "G8900  X1") +
    sampleInfoField("AcqTime", "2020-11-18T13:24:29Z") + "</SampleInfo>\r\n";

QByteArray withBadStamp()
{
    QByteArray head = exportHead;
    return englishExport(head.replace("18/11/2020", "31/02/2020"));
}

// "+01:00" for an offset of 3600 s.
QString offsetText(int seconds)
{
    const QChar sign = seconds < 0 ? QLatin1Char('-') : QLatin1Char('+');
    seconds = qAbs(seconds);
    return QStringLiteral("%1%2:%3")
        .arg(sign)
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds % 3600 / 60, 2, 10, QLatin1Char('0'));
}

const QDateTime acquired(QDate(2020, 11, 18), QTime(14, 24, 29));

} // namespace

class TestTesselImport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void listsTheImporter();
    void detect_data();
    void detect();
    void usageErrors_data();
    void usageErrors();
    void settingsSources_data();
    void settingsSources();
    void jsonReportsWhatReachedTheStore();
    void csvExportReadsBackExactly();
    void acquisitionFolderAdditions_data();
    void acquisitionFolderAdditions();
    void batchFolderAndItsLog();
    void failingFiles_data();
    void failingFiles();
    void concurrentBatchKeepsOrderAndAttributesLogs();

private:
    using Run = ToolRun;
    Run runTool(const QStringList &arguments) const;
    QString writeFile(const QString &name, const QByteArray &bytes) const;
    QJsonArray importedFiles(const QStringList &arguments, int expectedExitCode) const;
    QString userSettingsFile() const;

    QTemporaryDir configHome;
    QTemporaryDir work;
};

void TestTesselImport::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(configHome.isValid());
    QVERIFY(work.isValid());
}

void TestTesselImport::cleanup()
{
    QFile::remove(userSettingsFile());
}

TestTesselImport::Run TestTesselImport::runTool(const QStringList &arguments) const
{
    return runImportTool(arguments, configHome.path());
}

QString TestTesselImport::writeFile(const QString &name, const QByteArray &bytes) const
{
    return writeFileBelow(work.path(), name, bytes);
}

QJsonArray TestTesselImport::importedFiles(const QStringList &arguments, int expectedExitCode) const
{
    const Run run = runTool(QStringList{QStringLiteral("--json")} + arguments);
    if (run.exitCode != expectedExitCode) {
        qWarning("exit code %d, stderr: %s", run.exitCode, run.err.constData());
        return {};
    }
    // The document is written as the files arrive: it must still be one valid JSON value.
    QJsonParseError error;
    const QJsonObject document = QJsonDocument::fromJson(run.out, &error).object();
    if (error.error != QJsonParseError::NoError || !document.contains(QLatin1String("overview"))) {
        qWarning("not one JSON document with an overview: %s", run.out.constData());
        return {};
    }
    return document.value(QLatin1String("files")).toArray();
}

QString TestTesselImport::userSettingsFile() const
{
    return configHome.filePath(QStringLiteral("Tessel/Tessel.conf"));
}

void TestTesselImport::listsTheImporter()
{
    const Run run = runTool({QStringLiteral("--list-importers")});
    QCOMPARE(run.exitCode, 0);
    const QString listing = QString::fromUtf8(run.out);
    QVERIFY2(listing.startsWith(QLatin1String("AgilentImporter\n")), run.out);
    QVERIFY2(listing.contains(QLatin1String("file extension: .csv\n")), run.out);
}

void TestTesselImport::detect_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("English export") << englishExport() << "detect.csv"
                                    << "AgilentImporter" << 0;
    QTest::newRow("export words in a .txt file") << englishExport() << "detect.txt"
                                                 << "not recognised" << 1;
    QTest::newRow("csv that is no export") << QByteArray("Time,Li7\r\n0.1,2\r\n") << "plain.csv"
                                           << "not recognised" << 1;
}

void TestTesselImport::detect()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(QString, answer);
    QFETCH(int, exitCode);
    const QString path = writeFile(name, bytes);

    const Run run = runTool({QStringLiteral("--detect"), path});
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(QString::fromUtf8(run.out), QStringLiteral("%1: %2\n").arg(path, answer));
}

void TestTesselImport::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("unknown option") << QStringList{QStringLiteral("--frobnicate")};
    QTest::newRow("--set without =") << QStringList{QStringLiteral("--set"), QStringLiteral("x")};
    QTest::newRow("--set with empty key")
        << QStringList{QStringLiteral("--set"), QStringLiteral("=x")};
    QTest::newRow("--jobs 0") << QStringList{QStringLiteral("--jobs"), QStringLiteral("0")};
    QTest::newRow("--jobs not a number")
        << QStringList{QStringLiteral("--jobs"), QStringLiteral("two")};
    QTest::newRow("--detect without files") << QStringList{QStringLiteral("--detect")};
    QTest::newRow("two modes") << QStringList{QStringLiteral("--list-importers"),
                                              QStringLiteral("--show-settings")};
    QTest::newRow("--list-importers with a path")
        << QStringList{QStringLiteral("--list-importers"), QStringLiteral("x.csv")};
    QTest::newRow("missing plug-in folder")
        << QStringList{QStringLiteral("--plugin-dir"), QStringLiteral("/nonexistent/plugins"),
                       QStringLiteral("--list-importers")};
}

void TestTesselImport::usageErrors()
{
    QFETCH(QStringList, arguments);
    const Run run = runTool(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY(!run.err.isEmpty());
}

void TestTesselImport::settingsSources_data()
{
    QTest::addColumn<QStringList>("sets");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("origin");
    QTest::addColumn<QString>("importedMachineName");

    const QString machineKey = QStringLiteral("importMachineName");
    QTest::newRow("value from the user's file")
        << QStringList() << machineKey << "FromFile" << userSettingsFile() << "FromFile";
    QTest::newRow("--set over the user's file")
        << QStringList{QStringLiteral("importMachineName=FromCli")} << machineKey << "FromCli"
        << "--set"
        << "FromCli";
    QTest::newRow("default when nowhere set") << QStringList() << "agilentDateFormat"
                                              << "dd MM yyyy hh mm ss"
                                              << "default"
                                              << "FromFile";
    QTest::newRow("--set of a key the file lacks")
        << QStringList{QStringLiteral("agilentXMLLabelField=Use Comment Field")}
        << "agilentXMLLabelField"
        << "Use Comment Field"
        << "--set"
        << "FromFile";
}

// --show-settings names each value's source, the plug-in's own QSettings sees the overrides,
// and the user's file never changes.
void TestTesselImport::settingsSources()
{
    QFETCH(QStringList, sets);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, origin);
    QFETCH(QString, importedMachineName);
    const QByteArray stored = "[General]\nimportMachineName=FromFile\n";
    QVERIFY(QDir().mkpath(QFileInfo(userSettingsFile()).path()));
    QFile file(userSettingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(stored) == stored.size());
    file.close();
    QStringList setArguments;
    for (const QString &assignment : qAsConst(sets))
        setArguments << QStringLiteral("--set") << assignment;

    const Run shown = runTool(QStringList{QStringLiteral("--show-settings")} + setArguments);
    QCOMPARE(shown.exitCode, 0);
    const QString report = QString::fromUtf8(shown.out);
    const int at = report.indexOf(key + QStringLiteral(" = "));
    QVERIFY2(at >= 0, shown.out);
    const QStringList lines = report.mid(at).split(QLatin1Char('\n'));
    QCOMPARE(lines.at(0), QStringLiteral("%1 = \"%2\"").arg(key, value));
    QVERIFY2(lines.at(1).endsWith(QStringLiteral("from: ") + origin), qPrintable(lines.at(1)));

    const QString data = writeFile(QStringLiteral("settings.csv"), englishExport());
    const QJsonArray files = importedFiles(setArguments + QStringList{data}, 0);
    QCOMPARE(files.size(), 1);
    QCOMPARE(files.at(0)[QLatin1String("machineName")].toString(), importedMachineName);

    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), stored);
}

void TestTesselImport::jsonReportsWhatReachedTheStore()
{
    const QString path = writeFile(QStringLiteral("S1.csv"), englishExport());
    const QJsonArray files = importedFiles({path}, 0);
    QCOMPARE(files.size(), 1);
    const QJsonObject report = files.at(0).toObject();

    const double startEpoch = acquired.toMSecsSinceEpoch() / 1000.0;
    const double lastTime = startEpoch + tableRow(tableRows - 1).time.toDouble();
    const QString offset = offsetText(acquired.offsetFromUtc());
    QCOMPARE(report[QLatin1String("file")].toString(), path);
    QCOMPARE(report[QLatin1String("importer")].toString(), QStringLiteral("AgilentImporter"));
    QCOMPARE(report[QLatin1String("ok")].toBool(), true);
    QCOMPARE(report[QLatin1String("sampleName")].toString(), QStringLiteral("S1.d"));
    QCOMPARE(report[QLatin1String("machineName")].toString(), QString());
    QCOMPARE(report[QLatin1String("startTime")].toString(),
             QStringLiteral("2020-11-18T14:24:29.000") + offset);
    QCOMPARE(report[QLatin1String("startEpoch")].toDouble(), startEpoch);
    QVERIFY(report[QLatin1String("endTime")].toString().endsWith(offset));
    QVERIFY(qAbs(report[QLatin1String("endEpoch")].toDouble() - (lastTime + 0.001)) < 0.0015);
    const qint64 endMilliseconds = qRound64(report[QLatin1String("endEpoch")].toDouble() * 1000);
    QCOMPARE(report[QLatin1String("durationSeconds")].toDouble(),
             (endMilliseconds - acquired.toMSecsSinceEpoch()) / 1000.0);
    QCOMPARE(report[QLatin1String("rowCount")].toInt(), tableRows + 1);
    QCOMPARE(report[QLatin1String("sizeInBytes")].toDouble(), double(englishExport().size()));
    const QJsonArray channels = report[QLatin1String("channels")].toArray();
    QCOMPARE(channels.size(), 2);
    for (const auto &name : {QStringLiteral("Li7"), QStringLiteral("Na23")}) {
        const QJsonObject channel = channels.at(name == QLatin1String("Li7") ? 0 : 1).toObject();
        QCOMPARE(channel[QLatin1String("name")].toString(), name);
        QVERIFY(channel[QLatin1String("massPair")].isNull());
        QVERIFY(channel[QLatin1String("dwellTimeSeconds")].isNull());
    }
    QCOMPARE(report[QLatin1String("messages")].toArray().last().toString(),
             QStringLiteral("Finished loading agilent sample data"));
    QCOMPARE(report[QLatin1String("errors")].toArray(), QJsonArray());
    QCOMPARE(report[QLatin1String("log")].toArray(), QJsonArray());
}

void TestTesselImport::csvExportReadsBackExactly()
{
    const QString path = writeFile(QStringLiteral("table/Run.7.csv"), englishExport());
    const QString exportFolder = work.filePath(QStringLiteral("exported"));
    const Run run = runTool({QStringLiteral("--export"), exportFolder, path});
    QCOMPARE(run.exitCode, 0);

    QFile exported(exportFolder + QStringLiteral("/Run.7.csv"));
    QVERIFY(exported.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = exported.readAll().split('\n');
    QCOMPARE(lines.size(),
             tableRows + 2); // header, the data rows, the empty piece after the last line end
    QCOMPARE(lines.first(), QByteArray("time,Li7,Na23"));
    QVERIFY(lines.last().isEmpty());
    const double startEpoch = acquired.toMSecsSinceEpoch() / 1000.0;
    for (const int row : {0, tableRows / 2, tableRows - 1}) {
        const QList<QByteArray> fields = lines.at(row + 1).split(',');
        const TableRow written = tableRow(row);
        QCOMPARE(fields.size(), 3);
        QVERIFY2(fields.at(0).toDouble() == startEpoch + written.time.toDouble(), fields.at(0));
        QVERIFY2(fields.at(1).toDouble() == written.li7.toDouble(), fields.at(1));
        QVERIFY2(fields.at(2).toDouble() == written.na23.toDouble(), fields.at(2));
    }
}

void TestTesselImport::acquisitionFolderAdditions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("labelField");

    QTest::newRow("label from the sample name") << QStringList() << "Glass A"
                                                << "Sample Name";
    QTest::newRow("label from the comment")
        << QStringList{QStringLiteral("--set"),
                       QStringLiteral("agilentXMLLabelField=Use Comment Field")}
        << "second spot"
        << "Comment";
}

void TestTesselImport::acquisitionFolderAdditions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, label);
    QFETCH(QString, labelField);
    writeFile(QStringLiteral("acq/Run1.d/AcqMethod.xml"), acquisitionMethod);
    writeFile(QStringLiteral("acq/Run1.d/AcqData/sample_info.xml"), sampleInfo);
    const QString path = writeFile(QStringLiteral("acq/Run1.d/Run1.csv"),
                                   englishExport(QByteArray(exportHead).replace("S1.d", "Run1.d")));

    const QJsonArray files = importedFiles(arguments + QStringList{path}, 0);
    QCOMPARE(files.size(), 1);
    const QJsonObject report = files.at(0).toObject();
    QCOMPARE(report[QLatin1String("sampleName")].toString(), label);
    QCOMPARE(report[QLatin1String("machineName")].toString(), QStringLiteral("Agilent G8900 X1"));
    const QJsonObject folder = report[QLatin1String("acquisitionFolder")].toObject();
    QCOMPARE(folder[QLatin1String("instrumentName")].toString(),
             QStringLiteral("Agilent G8900 X1"));
    QCOMPARE(folder[QLatin1String("sampleLabel")].toString(), label);
    QCOMPARE(folder[QLatin1String("sampleLabelField")].toString(), labelField);
    const QJsonArray channels = report[QLatin1String("channels")].toArray();
    QCOMPARE(channels.size(), 2);
    QCOMPARE(channels.at(0)[QLatin1String("name")].toString(), QStringLiteral("Ti48"));
    QCOMPARE(channels.at(0)[QLatin1String("massPair")].toArray(),
             (QJsonArray{QStringLiteral("48"), QStringLiteral("64")}));
    QCOMPARE(channels.at(0)[QLatin1String("dwellTimeSeconds")].toDouble(), 0.03);
    QCOMPARE(channels.at(1)[QLatin1String("name")].toString(), QStringLiteral("Sr88"));
    QCOMPARE(channels.at(1)[QLatin1String("massPair")].toArray(),
             (QJsonArray{QStringLiteral("88"), QStringLiteral("88")}));
    QCOMPARE(channels.at(1)[QLatin1String("dwellTimeSeconds")].toDouble(), 0.01);
}

// A batch whose method and log lie at batch level: the report says which files served, and the
// overview names the log's acquisitions that have no export among the inputs or did not pass.
void TestTesselImport::batchFolderAndItsLog()
{
    writeFile(QStringLiteral("lab/day1.b/Method/AcqMethod.xml"), acquisitionMethod);
    writeFile(QStringLiteral("lab/day1.b/BatchLog.csv"),
              "#,Acq. Date-Time,Sample Type,Sample Name,Vial#,File Name,Acquisition Result,Comment,\r\n"
              "1,18/11/2020 2:24:29 PM,Sample,Glass A,<Manual>,D:\\DATA\\day1.b\\Run1.d,Pass,-,\r\n"
              "2,18/11/2020 2:30:00 PM,Sample,Glass B,<Manual>,D:\\DATA\\day1.b\\Run2.d,Fail,-,\r\n"
              "3,18/11/2020 2:35:00 PM,Sample,Glass C,<Manual>,D:\\DATA\\day1.b\\Run3.d,Pass,-,\r\n");
    QByteArray head = QByteArray(exportHead).replace("demo.b\\S1.d", "day1.b\\Run1.d");
    head.replace("Time [Sec],Li7,Na23", "Time [Sec],Ti48 -> 64,Sr88 -> 88");
    head.replace(",CPS", ",Counts");
    const QString path = writeFile(QStringLiteral("lab/day1.b/Run1.d/Run1.csv"), englishExport(head));

    const Run run = runTool({QStringLiteral("--json"), path});
    QCOMPARE(run.exitCode, 0);
    const QJsonObject document = QJsonDocument::fromJson(run.out).object();
    const QJsonObject report = document[QLatin1String("files")].toArray().at(0).toObject();
    QCOMPARE(report[QLatin1String("intensityUnit")].toString(), QStringLiteral("Counts"));
    QCOMPARE(report[QLatin1String("sampleName")].toString(), QStringLiteral("Glass A"));
    const QJsonObject folder = report[QLatin1String("acquisitionFolder")].toObject();
    QVERIFY(folder[QLatin1String("methodFile")].toString().endsWith("lab/day1.b/Method/AcqMethod.xml"));
    QVERIFY(folder[QLatin1String("sampleRecordFile")].toString().endsWith("lab/day1.b/BatchLog.csv"));
    QVERIFY(folder[QLatin1String("instrumentFile")].isNull());
    QCOMPARE(folder[QLatin1String("acquisitionResult")].toString(), QStringLiteral("Pass"));
    QCOMPARE(QDateTime::fromString(folder[QLatin1String("acquisitionInstant")].toString(), Qt::ISODateWithMs), acquired);
    const QJsonObject batch = document[QLatin1String("overview")][QLatin1String("batches")].toArray().at(0).toObject();
    QCOMPARE(batch[QLatin1String("acquisitionCount")].toInt(), 3);
    const auto names = [](const QJsonValue &list) {
        QStringList found;
        for (const QJsonValue &entry : list.toArray())
            found.append(entry[QLatin1String("acquisition")].toString());
        return found;
    };
    QCOMPARE(names(batch[QLatin1String("withoutExport")]), (QStringList{"Run2.d", "Run3.d"}));
    QCOMPARE(names(batch[QLatin1String("notPassed")]), QStringList{"Run2.d"});

    const Run text = runTool({path});
    QVERIFY2(text.out.contains("  Unit:       Counts\n"), text.out);
    QVERIFY2(text.out.contains("without an export among the inputs: Run2.d (sample Glass B): Fail, "
                               "Run3.d (sample Glass C)\n"),
             text.out);
    QVERIFY2(text.out.contains("result other than \"Pass\": Run2.d (sample Glass B): Fail\n"), text.out);
}

void TestTesselImport::failingFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("importer");
    QTest::addColumn<QString>("warning");

    QTest::newRow("impossible date in the stamp") << withBadStamp() << "AgilentImporter"
                                                  << "impossible or invalid time stamp";
    QTest::newRow("no channel header")
        << englishExport(QByteArray(exportHead).replace("Time [Sec]", "Zeit")) << "AgilentImporter"
        << "channel header";
    QTest::newRow("not an export") << QByteArray("a,b\r\n1,2\r\n") << QString() << QString();
}

void TestTesselImport::failingFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, importer);
    QFETCH(QString, warning);
    const QString good = writeFile(QStringLiteral("good.csv"), englishExport());
    const QString bad = writeFile(QStringLiteral("bad.csv"), bytes);

    const QJsonArray files = importedFiles({bad, good}, 1);
    QCOMPARE(files.size(), 2);
    const QJsonObject failed = files.at(0).toObject();
    QCOMPARE(failed[QLatin1String("ok")].toBool(), false);
    QCOMPARE(failed[QLatin1String("importer")].toString(), importer);
    QCOMPARE(failed[QLatin1String("rowCount")].toInt(), 0);
    const QJsonArray log = failed[QLatin1String("log")].toArray();
    if (!warning.isEmpty()) {
        QCOMPARE(log.size(), 1);
        QCOMPARE(log.at(0)[QLatin1String("level")].toString(), QStringLiteral("warning"));
        QVERIFY(log.at(0)[QLatin1String("message")].toString().contains(warning));
    }
    QCOMPARE(files.at(1)[QLatin1String("ok")].toBool(), true);

    const Run text = runTool({bad});
    QCOMPARE(text.exitCode, 1);
    if (!warning.isEmpty())
        QVERIFY2(text.out.contains("  Warning:    ") && text.out.contains(warning.toUtf8()),
                 text.out);
}

// Imports running at once each report their own log entries, in path order; files of a folder
// that no importer recognises are left out.
void TestTesselImport::concurrentBatchKeepsOrderAndAttributesLogs()
{
    QStringList expected;
    QSet<QString> failing;
    for (int i = 0; i < 8; ++i) {
        const bool fails = i % 3 == 1;
        const QString name = QStringLiteral("batch/%1/f%2.csv").arg(i % 2).arg(i);
        expected << writeFile(name, fails ? withBadStamp() : englishExport());
        if (fails)
            failing.insert(expected.last());
    }
    writeFile(QStringLiteral("batch/readme.txt"), "notes");
    writeFile(QStringLiteral("batch/plain.csv"), "a,b\r\n1,2\r\n");
    expected.sort();

    const QJsonArray files = importedFiles(
        {QStringLiteral("--jobs"), QStringLiteral("4"), work.filePath(QStringLiteral("batch"))}, 1);
    QCOMPARE(files.size(), expected.size());
    for (int i = 0; i < files.size(); ++i) {
        const QJsonObject report = files.at(i).toObject();
        const QString file = report[QLatin1String("file")].toString();
        QCOMPARE(file, expected.at(i));
        const QJsonArray log = report[QLatin1String("log")].toArray();
        const bool bad = failing.contains(file);
        QCOMPARE(report[QLatin1String("ok")].toBool(), !bad);
        QCOMPARE(log.size(), bad ? 1 : 0);
        if (bad)
            QVERIFY(log.at(0)[QLatin1String("message")].toString().contains(file));
    }
}

QTEST_GUILESS_MAIN(TestTesselImport)
#include "tst_tesselimport.moc"
