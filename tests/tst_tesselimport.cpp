// tessel-import: its library in-process (the command line, what the tool takes from the plug-in,
// the reports, the outputs' paths, the export, the plot's axes and pictures), then runs of the
// built program for what only a process shows: exit codes, streams, settings, threads, zones.
#include "importreporter.h"
#include "input/batchimport.h"
#include "input/importerplugins.h"
#include "input/inputfiles.h"
#include "input/progressbar.h"
#include "options/timezone.h"
#include "plot/plotaxes.h"
#include "plot/quicklookpainter.h"
#include "report/csvexport.h"
#include "report/diagnostics.h"
#include "report/isotime.h"
#include "report/outputpaths.h"
#include "report/textreport.h"
#include "tool.h"
#include "tooltesting.h"

#include <QImage>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QtTest>

#include <cstring>
#include <limits>

namespace {

const QDateTime acquired(QDate(2020, 11, 18), QTime(14, 24, 29));
const double notANumber = std::numeric_limits<double>::quiet_NaN();
using Doubles = QVector<double>;

Column columnOf(const Doubles &values)
{
    return Column(std::vector<double>(values.begin(), values.end()));
}

bool bitEqual(double one, double other)
{
    return std::memcmp(&one, &other, sizeof one) == 0;
}

// A JSON value as compact text, its keys in order: an expectation on one line.
QString compact(const QJsonValue &value)
{
    const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

// The parsed options in one line, so that a table row can state them.
QString describe(const ToolOptions &options)
{
    QStringList overrides;
    for (auto it = options.overrides.cbegin(); it != options.overrides.cend(); ++it)
        overrides.append(it.key() + '=' + it.value());
    overrides.sort();
    QString text = QStringList{"import", "list", "detect", "settings"}.at(int(options.mode)) +
                   QStringLiteral(" [%1] jobs %2").arg(options.paths.join(',')).arg(options.jobs);
    const QStringList parts{options.json ? " json" : "",    " plugins " + options.pluginDir,
                            " export " + options.exportDir, " set " + overrides.join(';'),
                            " zone " + options.timeZone,    " plot " + options.plotTarget};
    for (const QString &part : parts)
        text += part.endsWith(' ') ? QString() : part;
    if (!options.plotTarget.isEmpty())
        text += QStringLiteral(" %1x%2 %3 [%4]%5")
                    .arg(options.plotSize.width())
                    .arg(options.plotSize.height())
                    .arg(options.plotFormat.isEmpty() ? "-" : options.plotFormat)
                    .arg(options.plotChannels.join(','))
                    .arg(options.linearAxis ? " linear" : "");
    return text;
}

// A result as an import announces it, for the reports' tables; a null sample: none announced;
// no start: the import failed (recognised unless the sample is "?").
ImportResult result(const QString &file, const QString &sample = "?", const QDateTime &start = {},
                    double seconds = 0, int rows = 0, int channels = 0)
{
    ImportResult made;
    made.file = file;
    made.importer = sample == "?" ? QString() : QStringLiteral("AgilentImporter");
    made.ok = start.isValid();
    if (!made.ok)
        return made;
    if (!sample.isNull())
        made.sampleName = sample;
    made.start = start;
    made.end = start.addMSecs(qint64(seconds * 1000));
    made.durationSeconds = seconds;
    made.rowCount = rows;
    for (int channel = 0; channel < channels; ++channel)
        made.channels.append({QStringLiteral("C%1").arg(channel), std::nullopt, std::nullopt});
    return made;
}

// The key names of a JSON value, at any depth.
QSet<QString> keysOf(const QJsonValue &value)
{
    QSet<QString> keys;
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it)
        keys += keysOf(it.value()) + QSet<QString>{it.key()};
    for (const QJsonValue &element : value.toArray())
        keys += keysOf(element);
    return keys;
}

} // namespace

class TestTesselImport : public QObject
{
    Q_OBJECT

    QTemporaryDir configHome;
    QTemporaryDir work;
    std::optional<ImporterPlugins> plugins;
    QStringList diagnostics;
    // The batch of the program runs: paths in path order, and which of them fail.
    QString batchFolder;
    QStringList batchFiles;
    QSet<QString> failingBatchFiles;

    QString writeFile(const QString &name, const QByteArray &bytes) const
    {
        return writeFileBelow(work.path(), name, bytes);
    }
    // Imports one file in-process; the data store forgets it again (the result keeps the data).
    ImportResult importHere(const QString &path) const
    {
        const ImportResult imported = importFile(*plugins, path, {});
        Session()->data()->forgetFile(path);
        return imported;
    }
    ToolRun runTool(const QStringList &arguments) const
    {
        return runImportTool(arguments, configHome.path());
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(configHome.isValid() && work.isValid());
        // The host's identity: the plug-in's QSettings read the host's preferences.
        QCoreApplication::setOrganizationName("Tessel");
        QCoreApplication::setApplicationName("Tessel");
        QStringList problems;
        plugins = ImporterPlugins::load(TESSEL_BUILD_PLUGIN_DIR, &problems);
        QCOMPARE(problems, QStringList());
        QCOMPARE(plugins->importers().size(), 1);
        installDiagnosticHandler([this](const QString &text) { diagnostics.append(text); });

        // Eight exports in two folders, every third with an impossible date, and two files
        // that no importer takes.
        batchFolder = work.filePath("batch");
        for (int i = 0; i < 8; ++i) {
            const QByteArray hour = QByteArray::number(19 - i);
            ExportText text;
            text.acquisition = "f" + QByteArray::number(i);
            text.stamp = i % 3 == 1 ? "31/02/2020 14:24:29" : "18/11/2020 " + hour + ":24:29";
            batchFiles << writeFile(QStringLiteral("batch/%1/f%2.csv").arg(i % 2).arg(i),
                                    text.bytes());
            if (i % 3 == 1)
                failingBatchFiles.insert(batchFiles.last());
        }
        writeFile("batch/readme.txt", "notes");
        writeFile("batch/plain.csv", "a,b\r\n1,2\r\n");
        batchFiles.sort();
    }

    void init() { diagnostics.clear(); }

    void cleanup()
    {
        QSettings().clear();
        QFile::remove(configHome.filePath("Tessel/Tessel.conf"));
        QCOMPARE(Session()->data()->rawInputs().size(), 0);
    }

    // -----------------------------------------------------------------------------------------
    // The command line and the inputs

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected"); // describe() of the options, or the usage error

        const QString jobs = QString::number(QThread::idealThreadCount());
        const QString sizes = "--plot-size expects WIDTHxHEIGHT in pixels, from 400x300 to "
                              "10000x10000, not \"%1\"";
        const QString zone = "--timezone %1: no such time zone; give a name such as "
                             "Australia/Sydney or Europe/Berlin, or UTC";
        const QString dash = " (./- for one named \"-\")";
        const QList<QPair<QStringList, QString>> rows{
            {{"a.csv", "--", "--plot", "--timezone"}, "import [a.csv,--plot,--timezone] jobs $J"},
            {{"--json", "--export", "out", "--plugin-dir", "p", "--jobs", "3", "x"},
             "import [x] jobs 3 json plugins p export out"},
            {{"--set", "k=a=b", "--set", "e=", "--set", "x=1", "--set", "x=2"},
             "import [] jobs $J set e=;k=a=b;x=2"},
            {{"--timezone", "Europe/Berlin", "--timezone=Australia/Sydney"},
             "import [] jobs $J zone Australia/Sydney"},
            {{"--plot", "pics", "--plot-size", "400x300", "--plot-format", "SVG"},
             "import [] jobs $J plot pics 400x300 svg []"},
            {{"--plot=a.png", "--plot-size", "10000x10000", "--channels", "Li7,Pr141,Li7",
              "--linear"},
             "import [] jobs $J plot a.png 10000x10000 - [Li7,Pr141] linear"},
            {{"--list-importers"}, "list [] jobs $J"},
            {{"--detect", "f"}, "detect [f] jobs $J"},
            {{"--show-settings"}, "settings [] jobs $J"},
            {{"--plotter"}, "Unknown option 'plotter'."},
            {{"--set", "x"}, "--set expects KEY=VALUE, not \"x\""},
            {{"--jobs", "0"}, "--jobs expects a positive whole number"},
            {{"--detect"}, "--detect needs at least one FILE"},
            {{"--list-importers", "--detect", "x"},
             "--list-importers, --detect and --show-settings exclude each other"},
            {{"--show-settings", "x.csv"}, "unexpected argument \"x.csv\""},
            {{"--timezone", "Mars/Olympus"}, zone.arg("Mars/Olympus")},
            {{"--timezone", "UTC+05:00"}, zone.arg("UTC+05:00")},
            {{"--timezone", "../zoneinfo/UTC"}, zone.arg("../zoneinfo/UTC")},
            {{"a.csv", "-"},
             "-: reading standard input is not supported; name a file or folder" + dash},
            {{"--plot", "-"},
             "--plot -: writing to standard output is not supported; name a folder" + dash},
            {{"--plot", "p", "--plot-size", "399x300"}, sizes.arg("399x300")},
            {{"--plot", "p", "--plot-size", "400x10001"}, sizes.arg("400x10001")},
            {{"--plot", "p", "--plot-format", "gif"}, "--plot-format expects png or svg"},
            {{"--plot", "p", "--channels", "Li7,,Na23"},
             "--channels expects channel names separated by commas, not \"Li7,,Na23\""},
            {{"--plot-size", "800x600"}, "--plot-size needs --plot"},
            {{"--linear"}, "--linear needs --plot"},
        };
        for (const auto &row : rows)
            QTest::newRow(qPrintable(row.first.join(' ')))
                << row.first << QString(row.second).replace("$J", jobs);
    }

    // Before the application exists, main looks up whether pictures (a GUI application) and
    // which zone are asked for: as the parser reads them.
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        const ParsedOptions parsed = parseOptions(QStringList{"tessel-import"} + arguments);
        QVERIFY(parsed.answer.isEmpty());
        QCOMPARE(parsed.options ? describe(*parsed.options) : parsed.usageError, expected);
        QCOMPARE(parsed.usageError.isEmpty(), bool(parsed.options));
        QList<QByteArray> bytes{"tessel-import"};
        QVector<char *> argv;
        for (const QString &argument : arguments)
            bytes.append(argument.toUtf8());
        for (QByteArray &argument : bytes)
            argv.append(argument.data());
        if (!parsed.options)
            return;
        QCOMPARE(picturesRequested(int(argv.size()), argv.data()),
                 !parsed.options->plotTarget.isEmpty());
        QCOMPARE(QString::fromUtf8(requestedTimeZone(int(argv.size()), argv.data())),
                 parsed.options->timeZone);
    }

    // A folder stands for the files under it that an importer recognises, in path order; a
    // file named twice is imported once. The common folder is the deepest that holds them all.
    void inputFiles()
    {
        const QString missing = work.filePath("missing.csv");
        const QString empty = work.filePath("batch-empty");
        writeFile("batch-empty/notes.txt", "notes");
        QStringList problems;
        const QStringList files = filesToImport(
            {batchFiles.at(3), batchFolder,
             batchFolder + "/0/../1/" + QFileInfo(batchFiles.last()).fileName(), missing, empty},
            *plugins, &problems);
        QStringList expected = batchFiles;
        expected.move(3, 0);
        QCOMPARE(files, expected);
        QCOMPARE(problems, (QStringList{missing + ": no such file or folder",
                                        empty + ": no file there that an importer recognises"}));
        QCOMPARE(commonFolder(files).path(), batchFolder);
    }

    // -----------------------------------------------------------------------------------------
    // An import through the plug-in

    // What the importer announces reaches the JSON report, stderr and the overview: here a
    // batch whose log lies at batch level, with the day-and-month finding on the start.
    void importerReport()
    {
        QByteArray log = "<BatchLogDataSet>";
        for (const char *entry :
             {"Run1.d</DataFileName><SampleName>Glass A</SampleName><AcqResult>Pass",
              "Run2.d</DataFileName><SampleName>Glass B</SampleName><AcqResult>Fail"})
            log +=
                "<BatchLogInfo><DataFileName>D:\\DATA\\day1.b\\" + QByteArray(entry) +
                "</AcqResult><AcqDateTime>2026-02-09T14:24:29+09:00</AcqDateTime></BatchLogInfo>";
        writeFile("lab/day1.b/Method/BatchLog.xml", log + "</BatchLogDataSet>");
        ExportText text;
        text.acquisition = "Run1";
        text.batch = "day1";
        text.stamp = "02/09/2026 14:24:29";
        const QString path = writeFile("lab/day1.b/Run1.d/Run1.csv", text.bytes());
        ToolOptions options;
        options.json = true;
        QString report;
        QTextStream out(&report);
        ImportReporter reporter(out, options, std::nullopt, commonFolder({path}), "Zone/Here");
        reporter.report(importHere(path));
        QCOMPARE(reporter.finish(false), int(ExitSuccess));
        out.flush();
        const QJsonObject document = QJsonDocument::fromJson(report.toUtf8()).object();
        const QJsonObject file = document["files"][0].toObject();
        QJsonObject warning = file["warnings"][0].toObject();
        QCOMPARE(diagnostics, QStringList{path + ": " + warning.take("message").toString()});
        const QDateTime start(QDate(2026, 9, 2), QTime(14, 24, 29));
        QCOMPARE(file["startEpoch"].toDouble() * 1000, double(start.toMSecsSinceEpoch()));
        QCOMPARE(
            compact(QJsonArray{file["sampleName"], file["dataRowCount"], file["rowCount"],
                               file["startTime"], warning})
                .replace(isoTimeText(start), "S")
                .replace(isoTimeText(QDateTime(QDate(2026, 2, 9), QTime(14, 24, 29))), "A"),
            R"(["Run1.d",30,31,"S",{"acquisitionTime":"2026-02-09T14:24:29.000+09:00","currentValue":)"
            R"("dd MM yyyy hh mm ss","exportStart":"S","kind":"startTimeMismatch",)"
            R"("preference":"agilentDateFormat","suggestedValue":"MM dd yyyy hh mm ss",)"
            R"("swappedStart":"A"}])");
    }

    // -----------------------------------------------------------------------------------------
    // Reports

    void textReport_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QString>("expected");

        const QString start = isoTimeText(acquired);
        QTest::newRow("not recognised") << 0 << "/d/x.csv\n  Not recognised by any importer\n\n";
        QTest::newRow("failed, with errors and warnings")
            << 1
            << "/d/x.csv\n  Importer:   AgilentImporter\n  Sample:     (none)\n"
               "  Machine:    (none)\n  Start:      (invalid)\n  End:        (invalid)\n"
               "  Duration:   (not announced)\n  Rows:       none\n  Unit:       (none)\n"
               "  Channels:   0\n  Data store: nothing stored\n  Error:      A problem occurred.\n"
               "  Warning:    bad stamp [here]\n  Warning:    no origin\n\n";
        QTest::newRow("stored, with channels and an acquisition folder")
            << 2
            << "/d/x.csv\n  Importer:   AgilentImporter\n  Sample:     Glass A\n"
               "  Machine:    G8900\n  Start:      " +
                   start + "\n  End:        " + isoTimeText(acquired.addMSecs(3951)) +
                   "\n  Duration:   3.951 s\n  Rows:       40 data rows (41 handed to the host, "
                   "with the closing row)\n  Unit:       CPS\n"
                   "  Channels:   2\n    Ti48  mass 48 -> 64  dwell 0.03 s\n    Sr88\n"
                   "  Acquisition folder:\n    instrument:    G8900 (from /d/Devices.xml)\n"
                   "    sample label:  (none) (from the \"Comment\" field)\n    acquired:      " +
                   start +
                   " (result: Pass)\n    method:        /d/AcqMethod.xml\n"
                   "    sample record: /d/BatchLog.csv\n"
                   "  Data store: stored (1 imported-file record(s), 2 sample record(s))\n\n";
        QTest::newRow("one data row")
            << 3 << "  Rows:       1 data row (2 handed to the host, with the closing row)\n";
    }

    void textReport()
    {
        QFETCH(int, variant);
        QFETCH(QString, expected);
        ImportResult reported = variant >= 2 ? result("/d/x.csv", "Glass A", acquired, 3.951, 41)
                                             : result("/d/x.csv", variant == 1 ? "" : "?");
        if (variant < 2) {
            reported.errors = QStringList{"A problem occurred."};
            reported.log = {{LogEntry::Warning, "bad stamp", "here", {}},
                            {LogEntry::Debug, "quiet", QString(), {}},
                            {LogEntry::Warning, "no origin", QString(), {}}};
        } else {
            reported.rowCount = variant == 3 ? 2 : 41;
            reported.machineName = "G8900";
            reported.intensityUnit = "CPS";
            reported.channels = {{"Ti48", MassPair{"48", "64"}, 0.03},
                                 {"Sr88", std::nullopt, std::nullopt}};
            reported.acquisitionFolder = AcquisitionFolderReport{
                "G8900",          "",       "Comment", "/d/AcqMethod.xml", "/d/BatchLog.csv",
                "/d/Devices.xml", acquired, "Pass"};
            reported.fileRecords = 1;
            reported.sampleRecords = 2;
        }
        QString report;
        QTextStream out(&report);
        writeTextReport(reported, out);
        out.flush();
        QCOMPARE(variant == 3 ? report.split('\n').at(7) + '\n' : report, expected);
    }

    // What the import did not establish is null, not an empty or made-up value.
    void jsonOfImport()
    {
        QCOMPARE(compact(importToJson(result("/d/x.csv"))),
                 R"({"acquisitionFolder":null,"channels":[],"dataRowCount":0,)"
                 R"("durationSeconds":null,"endEpoch":null,"endTime":null,"errors":[],)"
                 R"("file":"/d/x.csv","importer":null,"intensityUnit":null,"log":[],)"
                 R"("machineName":null,"messages":[],"ok":false,"rowCount":0,"sampleName":null,)"
                 R"("sizeInBytes":null,"startEpoch":null,"startTime":null,"warnings":[]})");
    }

    // The document written one file at a time is the document QJsonDocument writes whole, with
    // its version and its zone; the README describes every key it can hold.
    void jsonDocument()
    {
        for (int fileCount : {0, 2}) {
            QJsonArray files;
            QString written;
            QTextStream out(&written);
            JsonDocumentWriter writer(out, "Zone/Here");
            for (int i = 0; i < fileCount; ++i) {
                files.append(importToJson(result("/d/x.csv", "S\u00e9", acquired, i, 2, 2)));
                writer.addFile(files.last().toObject());
            }
            const QJsonObject overview{{"files", QJsonArray{QJsonObject{{"a", 1}}}}};
            writer.finish(overview);
            out.flush();
            const QJsonObject whole{{"files", files},
                                    {"overview", overview},
                                    {"schemaVersion", 1},
                                    {"timeZone", "Zone/Here"}};
            QCOMPARE(written.toUtf8(), QJsonDocument(whole).toJson(QJsonDocument::Indented));
        }

        ImportResult full = result("/d/x.csv", "", acquired, 2.5, 3, 1);
        full.log = {{LogEntry::Debug, "read", "origin", {}}};
        full.acquisitionFolder = AcquisitionFolderReport();
        full.dayMonthWarning = DayMonthWarning();
        full.batchLog = BatchLogReport{"/d/BatchLog.csv", {{"x.d", "", ""}, {"y.d", "", ""}}};
        full.channels[0].massPair = MassPair{"7", "7"};
        BatchOverview overview;
        overview.add(full);
        QSet<QString> keys = keysOf(importToJson(full)) + keysOf(overview.toJson()) +
                             QSet<QString>{"files", "overview", "schemaVersion", "timeZone"};
        QFile readme(TESSEL_EXAMPLES "/../README.md");
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(readme.readAll());
        const QString section = text.section("## The JSON report\n", 1).section("\n## ", 0, 0);
        QRegularExpressionMatchIterator names =
            QRegularExpression("`(?:[a-z]+(?:\\[\\])?\\.)?\\.?([A-Za-z]+)`").globalMatch(section);
        while (names.hasNext())
            keys.remove(names.next().captured(1));
        QCOMPARE(QStringList(keys.values()), QStringList());
    }

    // Files in order of acquisition (those without a valid start last, in path order) whatever
    // order they arrive in, named from the folder they share; rows and duration count the files
    // that reached the store; per batch, the log's acquisitions without an export among the
    // inputs (folder names match in any case) and those that did not pass.
    void overview()
    {
        const QString folder = work.filePath("lab/day1.b");
        BatchOverview overview;
        ImportResult first =
            result(folder + "/Run3.d/Run3.csv", "Glass C", acquired.addSecs(60), 102.44, 2001, 10);
        first.batchLog = BatchLogReport{
            folder + "/BatchLog.csv",
            {{"RUN3.d", "Glass C", "Pass"}, {"Run2.d", "", ""}, {"Run4.d", "Glass D", "Fail"}}};
        first.dayMonthWarning = DayMonthWarning();
        overview.add(first);
        overview.add(result(folder + "/Run2.d/x.csv", "?"));
        overview.add(result(folder + "/Run1.d/Run1.csv", QString(), acquired, 42.56, 301, 6));
        overview.add(result(folder + "/Run2.d/a.csv", ""));
        QVERIFY(overview.hasBatchLogs());
        QCOMPARE(overview.fileCount(), 4);
        const QString start = isoTimeText(acquired);
        const QString none = "-" + QString(start.size() - 1, ' ');
        QString report;
        QTextStream out(&report);
        overview.writeText(out);
        out.flush();
        QCOMPARE(report,
                 "Batch overview, in order of acquisition (files under " + folder +
                     "):\n  file             sample   start" + QString(start.size() - 5, ' ') +
                     "  duration  data rows  channels  status\n  Run1.d/Run1.csv  -        " +
                     start + "    42.6 s        300         6  ok\n  Run3.d/Run3.csv  Glass C  " +
                     isoTimeText(acquired.addSecs(60)) +
                     "   102.4 s       2000        10  ok, check the date\n"
                     "  Run2.d/a.csv     -        " +
                     none +
                     "         -          0         0  failed\n  Run2.d/x.csv     -        " +
                     none + "         -          0         0  not recognised\n" +
                     "  Total: 4 files (2 ok, 2 failed), 2300 data rows, 145.0 s\nBatch " + folder +
                     " (log " + folder +
                     "/BatchLog.csv, 3 acquisitions):\n  without an export among the inputs: "
                     "Run4.d (sample Glass D): Fail\n  result other than \"Pass\": Run2.d: no "
                     "result, Run4.d (sample Glass D): Fail\n");
        // The JSON of the lines and totals: what the import did not establish is null.
        const QJsonObject json = overview.toJson();
        QCOMPARE(compact(QJsonArray{json["files"][3], json["totals"]}).replace(folder, "F"),
                 R"([{"channelCount":0,"dataRowCount":0,"durationSeconds":null,)"
                 R"("file":"F/Run2.d/x.csv","rowCount":0,"sampleName":null,"startTime":null,)"
                 R"("status":"not recognised"},{"dataRowCount":2300,"durationSeconds":145,)"
                 R"("failed":2,"files":4,"ok":2,"rowCount":2302}])");
    }

    // -----------------------------------------------------------------------------------------
    // Outputs

    // Every number reads back as the same double in its shortest text; the header names the
    // channels; the terminating row is left out; lines end in LF.
    void exportTable()
    {
        for (const QPoint shape : {QPoint(0, 0), QPoint(40, 3), QPoint(100000, 2)}) {
            const int rows = shape.x(), channels = shape.y();
            QRandomGenerator random(uint(rows * 31 + channels));
            const Doubles special{0.0, 1e300, -2.5e-300, 123456789012345678.0, 0.001, 7.0};
            auto input = QSharedPointer<RawInput>::create();
            input->rowCount = rows + 1; // with the terminating row the importers append
            Doubles time;
            QVector<Doubles> values(channels);
            for (int row = 0; row < rows; ++row) {
                time.append(1.6e9 + row * 0.1 + random.generateDouble() * 0.01);
                for (int c = 0; c < channels; ++c) {
                    const double value =
                        std::ldexp(random.generateDouble() + 1, random.bounded(-36, 36));
                    values[c].append(row < special.size()     ? special.at(row)
                                     : random.bounded(4) == 0 ? -value
                                                              : value);
                }
            }
            input->time = columnOf(time + Doubles{rows ? time.last() + 0.001 : 0.001});
            for (int c = 0; c < channels; ++c) {
                input->channelNames.append(QStringLiteral("Ch%1").arg(c));
                input->channels.insert(input->channelNames.last(),
                                       columnOf(values.at(c) + Doubles{notANumber}));
            }
            const QString target = work.filePath(QStringLiteral("exported/%1.csv").arg(rows));
            QString error;
            QVERIFY2(exportCsv(*input, target, &error), qPrintable(error));
            QFile file(target);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QList<QByteArray> lines = file.readAll().split('\n');
            QCOMPARE(lines.size(),
                     rows + 2); // the header, the rows, the empty piece after the last LF
            QCOMPARE(lines.first(), (QStringList{"time"} + input->channelNames).join(',').toUtf8());
            QVERIFY(lines.last().isEmpty());
            for (int row = 0; row < rows; ++row) {
                const QList<QByteArray> fields = lines.at(row + 1).split(',');
                QCOMPARE(fields.size(), channels + 1);
                for (int c = 0; c <= channels; ++c) {
                    const double value = c == 0 ? time.at(row) : values.at(c - 1).at(row);
                    bool isNumber = false;
                    QVERIFY2(bitEqual(fields.at(c).toDouble(&isNumber), value) && isNumber &&
                                 fields.at(c).size() <= QByteArray::number(value, 'g', 17).size(),
                             fields.at(c));
                }
            }
            input->channelNames.append("Lost");
            QVERIFY(!exportCsv(*input, work.filePath("refused/a.csv"), &error));
            QCOMPARE(error, QStringLiteral("the stored data lack the channel Lost"));
            QVERIFY(!QFileInfo::exists(work.filePath("refused")));
        }
    }

    // Outputs go at the inputs' paths below the inputs' common folder; what cannot be written
    // as asked is found before anything is written, and nothing is created.
    void outputPaths()
    {
        // The inputs ("name/": a folder made), --export, --plot (a colon: then --plot-format),
        // the last input's outputs or the problem; $ stands for the folder of the row.
        const QStringList rows{
            "a.b/001.d/001.csv,b.b/001.d/001.csv|out|pics|$/out/b.b/001.d/001.csv "
            "$/pics/b.b/001.d/001.png png",
            "in/Run.7.csv|out/|in/p.SVG|$/out/Run.7.csv $/in/p.SVG svg",
            "Run.7.csv||pics:svg|$/pics/Run.7.svg svg",
            "x.csv,dir.png/||dir.png|$/dir.png/x.png png",
            "x.csv,y.csv||a.png|--plot $/a.png names one picture, but 2 files are imported: name a "
            "folder instead",
            "x.csv||a.png:svg|--plot-format svg contradicts the picture name $/a.png",
            "a/x.csv,a/x.CSV|out||$/a/x.csv and $/a/x.CSV would both be written to $/out/x.csv",
            "x.csv|.||$/x.csv: the output $/x.csv is one of the inputs and would replace it",
            "x.csv,out/x.csv/|out||$/x.csv: the output $/out/x.csv is a folder",
            "x.csv|x.csv||--export $/x.csv: $/x.csv is a file, not a folder",
            "x.csv|no/out||--export $/no/out: the folder $/no does not exist",
            "x.csv||no/p.png|--plot $/no/p.png: the folder $/no does not exist",
            "x.csv||x.csv|--plot $/x.csv: $/x.csv is a file, not a folder"};
        for (const QString &row : rows) {
            const QString here = work.filePath("outputs/" + QString::number(rows.indexOf(row)));
            const QString exportDir = row.section('|', 1, 1), plot = row.section('|', 2, 2);
            QStringList files;
            for (const QString &input : row.section('|', 0, 0).split(',')) {
                if (input.endsWith('/'))
                    QDir().mkpath(here + '/' + input);
                else
                    files << writeFileBelow(here, input, "");
            }
            const QStringList before =
                QDir(here).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
            const QDir folder = commonFolder(files);
            ToolOptions options;
            options.plotTarget = plot.isEmpty() ? QString() : here + '/' + plot.section(':', 0, 0);
            options.plotFormat = plot.section(':', 1);
            QString problem;
            const auto plots = plot.isEmpty()
                                   ? std::nullopt
                                   : PlotTarget::resolve(options, files.size(), folder, &problem);
            const QString exported = exportDir.isEmpty() ? QString() : here + '/' + exportDir;
            if (problem.isEmpty())
                problem = outputProblem(files, exported, folder, plots);
            if (problem.isEmpty() && !exported.isEmpty())
                problem = mirroredPath(exported, folder, files.last(), ".csv");
            if (plots && !problem.startsWith('-'))
                problem += ' ' + plots->pathFor(files.last()) +
                           (plots->style().format == PictureFormat::Svg ? " svg" : " png");
            QCOMPARE(row.section('|', 0, 2) + ' ' + problem.trimmed(),
                     row.section('|', 0, 2) + ' ' +
                         row.section('|', 3).replace('$', QDir::cleanPath(here)));
            QCOMPARE(QDir(here).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        }
    }

    // -----------------------------------------------------------------------------------------
    // The plot

    // The axis of a picture holds every value: whole decades, with one below for zeros, or a
    // linear range from zero in steps of 1, 2 or 5 times a power of ten.
    void decadeRange()
    {
        const double infinity = std::numeric_limits<double>::infinity();
        const QList<std::tuple<QVector<Doubles>, QPoint, QPointF>> rows{
            {{{200, 8e5}}, {2, 6}, {0, 8e5}},
            {{{0, 200}}, {1, 3}, {0, 200}},
            {{{230, -45}}, {1, 3}, {-50, 250}},
            {{{10}, {1e4}}, {1, 4}, {0, 1e4}},
            {{{notANumber, infinity, 50}}, {1, 2}, {0, 50}},
            {{{0, 0}}, {0, 1}, {0, 1}},
            {{{1e-3, 1e12}}, {0, 12}, {0, 1e12}}};
        for (const auto &[columns, decades, linear] : rows) {
            QVector<Column> held;
            QVector<const Column *> pointers;
            for (const Doubles &values : columns)
                held.append(columnOf(values));
            for (const Column &column : qAsConst(held))
                pointers.append(&column);
            const DecadeRange range = decadeRangeOf(pointers);
            const LinearRange linearRange = linearRangeOf(pointers, 6);
            QCOMPARE(QPoint(range.lowest, range.highest), decades);
            QCOMPARE(QPointF(linearRange.low, linearRange.high), linear);
        }
    }

    // Ticks at 1, 2 or 5 times a power of ten, no more than wanted, with the decimals they need;
    // seconds run left to right, intensities bottom to top, what lies outside sits on the edge.
    void axes()
    {
        QCOMPARE(Doubles({tickStep(102.4, 10), tickStep(7, 3), tickStep(95, 10), tickStep(1, 10),
                          tickStep(0.05, 4), tickStep(0, 5)}),
                 Doubles({20, 5, 10, 0.1, 0.02, 1}));
        QCOMPARE(QStringList({tickText(40, 20), tickText(0.3, 0.1), tickText(0.04, 0.02),
                              tickText(2.5e6, 5e5), tickText(-1e7, 5e6), tickText(999999, 1)}),
                 QStringList({"40", "0.3", "0.04", "2.5e6", "-1e7", "999999"}));
        const PlotMapping mapping(QRectF(100, 50, 1000, 500), 20, DecadeRange{1, 6});
        QCOMPARE(Doubles({mapping.x(0), mapping.x(10), mapping.x(-5), mapping.x(40)}),
                 Doubles({100, 600, 100, 1100}));
        QCOMPARE(Doubles({mapping.y(10), mapping.y(1e6), mapping.y(std::pow(10.0, 3.5)),
                          mapping.y(0), mapping.y(-3), mapping.y(1e9), mapping.yOfDecade(3)}),
                 Doubles({550, 50, 300, 550, 550, 50, 350}));
        const PlotMapping linear(QRectF(100, 50, 1000, 500), 20, LinearRange{-100, 400, 100});
        QCOMPARE(Doubles({linear.y(-100), linear.y(0), linear.y(150), linear.y(400), linear.y(-500),
                          linear.y(1e9)}),
                 Doubles({550, 450, 300, 50, 550, 50}));
        QCOMPARE(PlotMapping(QRectF(0, 0, 100, 100), 0, DecadeRange{}).x(0.5), 50.0);
    }

    // Sixty channels, sixty lines; the dashes are as long in the legend's thick line as in the
    // trace.
    void lineStyles()
    {
        const auto styles = [](double width) {
            QStringList all;
            for (int channel = 0; channel <= 60; ++channel) {
                const QPen pen = channelPen(channel, width, 1.5);
                all << pen.color().name();
                for (const qreal dash : pen.dashPattern())
                    all.last() += ' ' + QString::number(dash * width);
            }
            return all;
        };
        const QStringList thin = styles(1.5);
        QCOMPARE(QSet<QString>(thin.begin(), thin.end()).size(), 60);
        QCOMPARE(thin.at(60), thin.at(0));
        QCOMPARE(styles(3), thin);
    }

    void pictures_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QStringList>("channels");
        QTest::addColumn<bool>("linear");
        QTest::addColumn<QStringList>("texts"); // in the SVG; "-" before one that must be missing

        QTest::newRow("png") << "S1.png" << QStringList() << false << QStringList();
        QTest::newRow("svg, log10 axis")
            << "S1.svg" << QStringList() << false
            << QStringList{"Ti48 (48\u219264)",  "Sr88", "Time since start (s)",
                           "Intensity (Counts)", "10",   "-0"};
        QTest::newRow("svg, linear axis, one channel")
            << "S2.svg" << QStringList{"Sr88"} << true
            << QStringList{"Sr88", "0", "-10", "-Ti48 (48\u219264)",
                           "S2.csv \u00b7 2 channels "
                           "\u00b7 30 data rows \u00b7 3.0 s"};
    }

    // A PNG of the requested size with each channel's colour; an SVG whose texts are the title
    // (sample – start – machine), the subtitle, the legend and the axes' labels.
    void pictures()
    {
        QFETCH(QString, picture);
        QFETCH(QStringList, channels);
        QFETCH(bool, linear);
        QFETCH(QStringList, texts);
        QSettings().setValue("importMachineName", "Lab ICP");
        ExportText text;
        text.acquisition = picture.left(2).toUtf8();
        const bool svg = picture.endsWith(".svg");
        text.channelHeader = svg ? "Time [Sec],Ti48 -> 64,Sr88 -> 88" : text.channelHeader;
        text.unit = "Counts";
        const ImportResult imported =
            importHere(writeFile("pictures/" + picture.left(2) + ".csv", text.bytes()));
        const QString path = work.filePath("pictures/" + picture);
        const PictureStyle style{svg ? PictureFormat::Svg : PictureFormat::Png, QSize(1000, 600),
                                 channels, linear};
        QString error;
        QVERIFY2(writeQuickLook(imported, path, style, &error), qPrintable(error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        if (!svg) {
            QCOMPARE(file.read(8), QByteArray("\x89PNG\r\n\x1a\n"));
            const QImage image(path);
            QCOMPARE(image.size(), style.size);
            QSet<QRgb> colours;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x)
                    colours.insert(image.pixel(x, y) & 0xffffff);
            }
            // The first four colours of the palette, in channel order.
            for (const QRgb colour : {0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728})
                QVERIFY2(colours.contains(colour), qPrintable(QString::number(colour, 16)));
            return;
        }
        QXmlStreamReader xml(&file);
        QVERIFY(xml.readNextStartElement());
        QCOMPARE(xml.attributes().value("viewBox"), QLatin1String("0 0 1000 600"));
        QStringList found;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement &&
                (xml.name() == QLatin1String("text") || xml.name() == QLatin1String("title")))
                found << xml.readElementText().trimmed();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        const QString title =
            picture.left(2) + ".d \u2013 " + isoTimeText(acquired) + " \u2013 Lab ICP";
        QCOMPARE(found.count(title), 2);
        for (const QString &expected : texts)
            QVERIFY2(found.contains(expected.mid(expected.startsWith('-'))) !=
                         expected.startsWith('-'),
                     qPrintable(expected + " in " + found.join('|')));
    }

    // -----------------------------------------------------------------------------------------
    // The built program

    void exitCodesAndStreams_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err"); // "tessel-import: " starts each line

        const QString refused = work.filePath("refused");
        const QString plain = work.filePath("batch/plain.csv");
        const QString zone =
            "Time zone: " + timeZoneInUse() + " (times are read and shown in it)\n\n";
        QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: tessel-import [options]"
                                << "";
        QTest::newRow("--list-importers")
            << QStringList{"--list-importers"} << 0
            << "AgilentImporter\n  description:    Imports data generated by agilent "
               "instruments\n  version:        2.0\n  file extension: .csv\n  library:        "
            << "";
        QTest::newRow("--detect") << QStringList{"--detect", batchFiles.at(0), plain} << 1
                                  << batchFiles.at(0) + ": AgilentImporter\n" + plain +
                                         ": not recognised\n"
                                  << "";
        QTest::newRow("no plug-in folder") << QStringList{"--plugin-dir", refused} << 2 << ""
                                           << "no plug-in folder " + refused;
        QTest::newRow("usage error")
            << QStringList{"--timezone", "Mars/Olympus"} << 2 << ""
            << "--timezone Mars/Olympus: no such time zone; give a name "
               "such as Australia/Sydney or Europe/Berlin, or UTC\ntry --help";
        QTest::newRow("export onto a file")
            << QStringList{"--export", plain, batchFolder} << 2 << ""
            << "--export " + plain + ": " + plain + " is a file, not a folder";
        QTest::newRow("channel the file lacks")
            << QStringList{"--plot", refused + ".svg", "--channels", "Li7,Xx1", batchFiles.at(0)}
            << 2 << zone + batchFiles.at(0)
            << "--channels: " + batchFiles.at(0) +
                   " has no channel Xx1 (its channels: Li7, Na23, Mg24, Al27); no picture drawn";
        QTest::newRow("a file no importer takes")
            << QStringList{plain} << 1 << zone + plain + "\n  Not recognised by any importer\n\n"
            << plain + ": not recognised by any importer";
    }

    void exitCodesAndStreams()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const ToolRun run = runTool(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.out.startsWith(out.toUtf8()) && out.isEmpty() == run.out.isEmpty(), run.out);
        QCOMPARE(QString::fromUtf8(run.err),
                 err.isEmpty() ? err
                               : "tessel-import: " + err.replace("\n", "\ntessel-import: ") + '\n');
        for (const char *suffix : {"", ".png", ".svg"})
            QVERIFY(!QFileInfo::exists(work.filePath("refused") + suffix));
    }

    // --show-settings lists what the plug-in declares with each value's source; the plug-in's
    // own QSettings sees the overrides and the user's file, which never changes.
    void settingsFromFileAndCommandLine()
    {
        const QVector<PreferenceDeclaration> declared = plugins->declaredPreferences();
        QVERIFY(declared.size() >= 3);
        const QString userFile = configHome.filePath("Tessel/Tessel.conf");
        const QByteArray stored = "[General]\nimportMachineName=FromFile\nagilentXMLLabelField=x\n";
        QCOMPARE(writeFileBelow(configHome.path(), "Tessel/Tessel.conf", stored), userFile);
        const QStringList sets{"--set", "importMachineName=FromCli", "--set", "zzz=1", "--set",
                               "aaa=2"};
        const ToolRun shown = runTool(QStringList{"--show-settings"} + sets);
        QCOMPARE(shown.exitCode, 0);
        const QMap<QString, QPair<QString, QString>> changed{
            {"importMachineName", {"FromCli", "--set"}}, {"agilentXMLLabelField", {"x", userFile}}};
        QString expected;
        for (const PreferenceDeclaration &declaration : declared) {
            const auto value =
                changed.value(declaration.key, {declaration.defaultValue, "default"});
            expected +=
                QStringLiteral("%1 = \"%2\"\n    default: \"%3\", from: %4\n")
                    .arg(declaration.key, value.first, declaration.defaultValue, value.second);
        }
        QCOMPARE(QString::fromUtf8(shown.out), expected +
                                                   "aaa = \"2\"\n    default: none, from: --set\n"
                                                   "zzz = \"1\"\n    default: none, from: --set\n");
        QCOMPARE(
            shown.err,
            QByteArray("tessel-import: note: no importer is known to read the preference aaa\n"
                       "tessel-import: note: no importer is known to read the preference zzz\n"));

        const QString plain = writeFile("settings/S1.csv", ExportText().bytes());
        const ToolRun imported = runTool(QStringList{"--json", plain} + sets.mid(0, 2));
        QCOMPARE(imported.exitCode, 0);
        QCOMPARE(QJsonDocument::fromJson(imported.out)["files"][0]["machineName"].toString(),
                 QStringLiteral("FromCli"));
        QFile file(userFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), stored);
    }

    void batchRun_data()
    {
        QTest::addColumn<QString>("zone"); // empty: the computer's, which the tests pin
        QTest::addColumn<int>("jobs");

        QTest::newRow("the computer's zone, one by one") << "" << 1;
        QTest::newRow("Sydney, three at once") << "Australia/Sydney" << 3;
        QTest::newRow("Kathmandu, three at once") << "Asia/Kathmandu" << 3;
    }

    // A batch with failing files: the reports in path order with their own logs, times read
    // and shown in the zone asked for, a line on stderr per failure; a table (bit for bit what
    // was imported) and a picture per stored file, laid out as the inputs.
    void batchRun()
    {
        QFETCH(QString, zone);
        QFETCH(int, jobs);
        const QString out = work.filePath(QStringLiteral("runs/%1").arg(QTest::currentDataTag()));
        QDir().mkpath(out);
        const QStringList zoneOption{"--timezone", zone};
        const ToolRun run = runTool(
            QStringList{"--json", "--jobs", QString::number(jobs), "--export", out + "/tables",
                        "--plot", out + "/pictures", "--plot-format", "svg", batchFolder} +
            (zone.isEmpty() ? QStringList() : zoneOption));
        QCOMPARE(run.exitCode, 1);
        const QTimeZone timeZone(zone.isEmpty() ? QTimeZone::systemTimeZoneId() : zone.toUtf8());
        QString err;
        QStringList expected{timeZone.id() + " 1"};
        QStringList outputs;
        for (const QString &file : qAsConst(batchFiles)) {
            const QString name = QDir(batchFolder).relativeFilePath(file).chopped(4);
            const QDateTime start(acquired.date(), QTime(19 - name.right(1).toInt(), 24, 29),
                                  timeZone);
            const bool bad = failingBatchFiles.contains(file);
            err += bad ? "tessel-import: " + file + ": the import stored no data\n" : QString();
            expected << file + ' ' + (bad ? "failed" : isoTimeText(start));
            outputs << (bad ? QStringList()
                            : QStringList{"tables/" + name + ".csv", "pictures/" + name + ".svg"});
        }
        QCOMPARE(QString::fromUtf8(run.err), err);
        const QJsonObject document = QJsonDocument::fromJson(run.out).object();
        QStringList reported{document["timeZone"].toString() + ' ' +
                             QString::number(document["schemaVersion"].toInt())};
        for (const QJsonValue &file : document["files"].toArray()) {
            const QString path = file["file"].toString();
            const QJsonArray log = file["log"].toArray();
            const bool ownLog = log.size() == int(!file["ok"].toBool()) &&
                                (log.isEmpty() || log[0]["message"].toString().contains(path));
            reported << path + ' ' +
                            (file["ok"].toBool() ? file["startTime"].toString() : "failed") +
                            (ownLog ? "" : " (wrong log)");
        }
        QCOMPARE(reported, expected);
        QStringList written;
        for (QDirIterator it(out, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            written << QDir(out).relativeFilePath(it.next());
        written.sort();
        outputs.sort();
        QCOMPARE(written, outputs);
    }
};

QTEST_MAIN(TestTesselImport)
#include "tst_tesselimport.moc"
