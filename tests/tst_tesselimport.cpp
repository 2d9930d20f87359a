// tessel-import: its library in-process (the command line, what the tool takes from the plug-in,
// the reports, the export, the plot's axes and pictures), then a few runs of the built program
// for what only a process shows: exit codes, stdout against stderr, settings, threads.
#include "importreporter.h"
#include "input/batchimport.h"
#include "input/importerplugins.h"
#include "input/inputfiles.h"
#include "input/progressbar.h"
#include "plot/plotaxes.h"
#include "report/csvexport.h"
#include "report/diagnostics.h"
#include "report/isotime.h"
#include "report/textreport.h"
#include "tool.h"
#include "tooltesting.h"

#include <QImage>
#include <QRandomGenerator>
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
    return QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact))
        .mid(1)
        .chopped(1);
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
    const QStringList parts{options.json ? " json" : "", " plugins " + options.pluginDir,
                            " export " + options.exportDir, " set " + overrides.join(';'),
                            " plot " + options.plotTarget};
    for (const QString &part : parts)
        text += part.endsWith(' ') || part.isEmpty() ? QString() : part;
    if (!options.plotTarget.isEmpty())
        text += QStringLiteral(" %1x%2 %3")
                    .arg(options.plotSize.width())
                    .arg(options.plotSize.height())
                    .arg(options.plotFormat.isEmpty() ? "-" : options.plotFormat);
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

// A stored table of the given columns, with the terminating row the importers append.
QSharedPointer<RawInput> storedTable(const Doubles &time, const QVector<Doubles> &channels)
{
    auto input = QSharedPointer<RawInput>::create();
    input->time = columnOf(time + Doubles{time.isEmpty() ? 0.001 : time.last() + 0.001});
    for (int c = 0; c < channels.size(); ++c) {
        input->channelNames.append(QStringLiteral("Ch%1").arg(c));
        input->channels.insert(input->channelNames.last(),
                               columnOf(channels.at(c) + Doubles{notANumber}));
    }
    input->rowCount = int(time.size()) + 1;
    return input;
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
    // Reports the files as a run with these options does; the exit code.
    int reportRun(const ToolOptions &options, const QStringList &files, QString *report)
    {
        QTextStream out(report);
        QString error;
        const auto plots = options.plotTarget.isEmpty()
                               ? std::nullopt
                               : PlotTarget::resolve(options, int(files.size()), &error);
        ImportReporter reporter(out, options, plots);
        for (const QString &file : files)
            reporter.report(importHere(file));
        return reporter.finish(false);
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
            const ExportText text = ExportText().named(
                "f" + QByteArray::number(i),
                i % 3 == 1 ? "31/02/2020 14:24:29" : "18/11/2020 " + hour + ":24:29");
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
        const QList<QPair<QStringList, QString>> rows{
            {{"a.csv", "--", "--plot"}, "import [a.csv,--plot] jobs $J"},
            {{"--json", "--export", "out", "--plugin-dir", "p", "--jobs", "3", "x"},
             "import [x] jobs 3 json plugins p export out"},
            {{"--set", "k=a=b", "--set", "e=", "--set", "x=1", "--set", "x=2"},
             "import [] jobs $J set e=;k=a=b;x=2"},
            {{"--plot", "pics", "--plot-size", "400x300", "--plot-format", "SVG"},
             "import [] jobs $J plot pics 400x300 svg"},
            {{"--plot=a.png", "--plot-size", "10000x10000"},
             "import [] jobs $J plot a.png 10000x10000 -"},
            {{"--plot=a.png"}, "import [] jobs $J plot a.png 1600x900 -"},
            {{"--list-importers"}, "list [] jobs $J"},
            {{"--detect", "f"}, "detect [f] jobs $J"},
            {{"--show-settings"}, "settings [] jobs $J"},
            {{"--plotter"}, "Unknown option 'plotter'."},
            {{"--set", "x"}, "--set expects KEY=VALUE, not \"x\""},
            {{"--set", "=x"}, "--set expects KEY=VALUE, not \"=x\""},
            {{"--jobs", "0"}, "--jobs expects a positive whole number"},
            {{"--jobs", "two"}, "--jobs expects a positive whole number"},
            {{"--detect"}, "--detect needs at least one FILE"},
            {{"--list-importers", "--detect", "x"},
             "--list-importers, --detect and --show-settings exclude each other"},
            {{"--show-settings", "x.csv"}, "unexpected argument \"x.csv\""},
            {{"--plot", "p", "--plot-size", "399x300"}, sizes.arg("399x300")},
            {{"--plot", "p", "--plot-size", "400x10001"}, sizes.arg("400x10001")},
            {{"--plot", "p", "--plot-size", "800"}, sizes.arg("800")},
            {{"--plot", "p", "--plot-format", "gif"}, "--plot-format expects png or svg"},
            {{"--plot-size", "800x600"}, "--plot-size and --plot-format need --plot"},
            {{"--plot-format", "svg"}, "--plot-size and --plot-format need --plot"},
        };
        for (const auto &row : rows)
            QTest::newRow(qPrintable(row.first.join(' ')))
                << row.first << QString(row.second).replace("$J", jobs);
    }

    // Pictures, which need a GUI application, are requested exactly when --plot is given.
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
        if (parsed.options)
            QCOMPARE(picturesRequested(int(argv.size()), argv.data()),
                     !parsed.options->plotTarget.isEmpty());
    }

    // A folder stands for the files under it that an importer recognises, in path order; a
    // file named twice is imported once.
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
    }

    // -----------------------------------------------------------------------------------------
    // Imports through the plug-in

    // What the importer announces and leaves in its report reaches the result: here a batch
    // whose method and log lie at batch level.
    void importerReport()
    {
        writeFile("lab/day1.b/Method/AcqMethod.xml",
                  methodXml({{"Ti", "64", "48", "0.03"}, {"Sr", "88", "88", "0.01"}}));
        const QString log = writeFile(
            "lab/day1.b/BatchLog.csv",
            batchLogCsv("day1", {{"Run1", "Glass A", "Pass"}, {"Run2", "Glass B", "Fail"}}));
        ExportText text = ExportText().named("Run1");
        text.channelHeader = "Time [Sec],Ti48 -> 64,Sr88 -> 88";
        text.batch = "day1";
        text.unit = "Counts";
        const QString path = writeFile("lab/day1.b/Run1.d/Run1.csv", text.bytes());

        const ImportResult imported = importHere(path);
        QVERIFY(imported.ok && imported.stored && imported.acquisitionFolder && imported.batchLog);
        QCOMPARE(QStringList({imported.importer, imported.sampleName.value_or(""),
                              imported.intensityUnit, imported.messages.last()}),
                 QStringList({"AgilentImporter", "Glass A", "Counts",
                              "Finished loading agilent sample data"}));
        QCOMPARE(imported.start, acquired);
        QCOMPARE(QVector<qint64>({imported.rowCount, qint64(imported.sizeInBytes.value_or(0)),
                                  imported.fileRecords, imported.sampleRecords}),
                 QVector<qint64>({text.rowCount + 1, text.bytes().size(), 1, 1}));
        QVERIFY(imported.log.first().message.contains(path + "\" holds counts per dwell time"));
        const AcquisitionFolderReport &folder = *imported.acquisitionFolder;
        QCOMPARE(QStringList({folder.methodFile, folder.sampleRecordFile, folder.instrumentFile,
                              folder.acquisitionResult}),
                 QStringList({work.filePath("lab/day1.b/Method/AcqMethod.xml"), log, "", "Pass"}));
        QCOMPARE(folder.acquisitionInstant, acquired);
        QCOMPARE(imported.batchLog->file, log);
        const BatchLogAcquisition &second = imported.batchLog->acquisitions.value(1);
        QCOMPARE(second.sampleName + ' ' + second.acquisition + ' ' + second.result,
                 QStringLiteral("Glass B Run2.d Fail"));
        // Dwell times as the decimals the method writes, not the floats' binary expansion.
        QCOMPARE(compact(importToJson(imported)["channels"]),
                 R"([{"dwellTimeSeconds":0.03,"massPair":["48","64"],"name":"Ti48"},)"
                 R"({"dwellTimeSeconds":0.01,"massPair":["88","88"],"name":"Sr88"}])");
    }

    // The importer's day-and-month finding reaches the JSON report, stderr and the overview.
    void dayMonthWarning()
    {
        const QDateTime acquiredAt(QDate(2026, 2, 9), QTime(14, 24, 29));
        const ExportText text = ExportText().named("Run", "02/09/2026 14:24:29");
        writeFile("check/Run.d/AcqMethod.xml", methodXml({{"Li", "7", "7", "0.01"}}));
        writeFile("check/Run.d/AcqData/sample_info.xml", sampleInfoXml("demo", "Run", acquiredAt));
        const QString path = writeFile("check/Run.d/Run.csv", text.bytes());
        ToolOptions options;
        options.json = true;
        QString report;
        QCOMPARE(reportRun(options, {path}, &report), int(ExitSuccess));
        const QJsonObject document = QJsonDocument::fromJson(report.toUtf8()).object();
        const QJsonObject json = document["files"][0].toObject();
        const QJsonObject warning = json["warnings"][0].toObject();
        QCOMPARE(document["overview"]["files"][0]["status"].toString(), "ok, check the date");
        QCOMPARE(diagnostics, QStringList{path + ": " + warning["message"].toString()});
        QCOMPARE(
            QStringList({warning["exportStart"].toString(), warning["acquisitionTime"].toString(),
                         warning["swappedStart"].toString(), warning["kind"].toString(),
                         warning["preference"].toString(), warning["currentValue"].toString(),
                         warning["suggestedValue"].toString()}),
            QStringList({json["startTime"].toString(), isoTimeText(acquiredAt.toUTC()),
                         isoTimeText(acquiredAt), "startTimeMismatch", "agilentDateFormat",
                         "dd MM yyyy hh mm ss", "MM dd yyyy hh mm ss"}));
    }

    void batchDriver_data()
    {
        QTest::addColumn<int>("jobs");
        QTest::newRow("one by one") << 1;
        QTest::newRow("four at once") << 4;
        QTest::newRow("more jobs than files") << 20;
    }

    // Results arrive in input order on the calling thread, each with its own log entries, and
    // the data store holds no other file's data than the one reported.
    void batchDriver()
    {
        QFETCH(int, jobs);
        ProgressBar bar;
        QStringList reported;
        QStringList expected;
        for (const QString &file : qAsConst(batchFiles))
            expected << file << file + " stored";
        for (const QString &file : qAsConst(failingBatchFiles))
            expected.removeOne(file + " stored");
        importFiles(*plugins, batchFiles, jobs, &bar, [&](const ImportResult &result) {
            const bool bad = failingBatchFiles.contains(result.file);
            const bool ownLog =
                bad ? result.log.size() == 1 && result.log.at(0).message.contains(result.file)
                    : result.log.isEmpty();
            reported << result.file + (result.ok == !bad && ownLog ? "" : " (wrong result)");
            if (QThread::currentThread() != thread())
                reported << "on another thread";
            for (const QString &file : batchFiles.mid(0, batchFiles.indexOf(result.file) + 1)) {
                if (!Session()->data()->rawInputFor(file).isNull())
                    reported << file + " stored";
            }
        });
        QCOMPARE(reported, expected);
        QCOMPARE(Session()->data()->files().size(), 0);
    }

    // -----------------------------------------------------------------------------------------
    // Reports

    void isoTime()
    {
        const QDateTime local(QDate(2020, 11, 18), QTime(14, 24, 29, 7));
        const auto offset = [&](int seconds) {
            return isoTimeText(QDateTime(local.date(), local.time(), Qt::OffsetFromUTC, seconds));
        };
        QCOMPARE(QStringList({isoTimeText(local.toUTC().addSecs(local.offsetFromUtc())),
                              offset(20700), offset(-12600), isoTimeText(local)}),
                 QStringList({"2020-11-18T14:24:29.007+00:00", "2020-11-18T14:24:29.007+05:45",
                              "2020-11-18T14:24:29.007-03:30", offset(local.offsetFromUtc())}));
    }

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
               "  Duration:   (not announced)\n  Rows:       0\n  Unit:       (none)\n"
               "  Channels:   0\n  Data store: nothing stored\n  Error:      A problem occurred.\n"
               "  Warning:    bad stamp [here]\n  Warning:    no origin\n\n";
        QTest::newRow("stored, with channels and an acquisition folder")
            << 2
            << "/d/x.csv\n  Importer:   AgilentImporter\n  Sample:     Glass A\n"
               "  Machine:    G8900\n  Start:      " +
                   start + "\n  End:        " + isoTimeText(acquired.addMSecs(3951)) +
                   "\n  Duration:   3.951 s\n  Rows:       41\n  Unit:       CPS\n"
                   "  Channels:   2\n    Ti48  mass 48 -> 64  dwell 0.03 s\n    Sr88\n"
                   "  Acquisition folder:\n    instrument:    G8900 (from /d/Devices.xml)\n"
                   "    sample label:  (none) (from the \"Comment\" field)\n    acquired:      " +
                   start +
                   " (result: Pass)\n    method:        /d/AcqMethod.xml\n"
                   "    sample record: /d/BatchLog.csv\n"
                   "  Data store: stored (1 imported-file record(s), 2 sample record(s))\n\n";
    }

    void textReport()
    {
        QFETCH(int, variant);
        QFETCH(QString, expected);
        ImportResult reported = variant == 2 ? result("/d/x.csv", "Glass A", acquired, 3.951, 41)
                                             : result("/d/x.csv", variant == 1 ? "" : "?");
        if (variant < 2) {
            reported.errors = QStringList{"A problem occurred."};
            reported.log = {{LogEntry::Warning, "bad stamp", "here", {}},
                            {LogEntry::Debug, "quiet", QString(), {}},
                            {LogEntry::Warning, "no origin", QString(), {}}};
        } else {
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
        QCOMPARE(report, expected);
    }

    // What the import did not establish is null, not an empty or made-up value.
    void jsonOfImport()
    {
        QCOMPARE(compact(importToJson(result("/d/x.csv"))),
                 R"({"acquisitionFolder":null,"channels":[],"durationSeconds":null,)"
                 R"("endEpoch":null,"endTime":null,"errors":[],"file":"/d/x.csv","importer":null,)"
                 R"("intensityUnit":null,"log":[],"machineName":null,"messages":[],"ok":false,)"
                 R"("rowCount":0,"sampleName":null,"sizeInBytes":null,"startEpoch":null,)"
                 R"("startTime":null,"warnings":[]})");
        const QDateTime start(QDate(2020, 11, 18), QTime(14, 24, 29, 250), Qt::UTC);
        ImportResult found = result("/d/x.csv", "", start, 2.5, 3, 1);
        found.sizeInBytes = 1234;
        found.messages = QStringList{"done"};
        found.errors = QStringList{"bad"};
        found.log = {{LogEntry::Debug, "read", "origin", {}}};
        found.acquisitionFolder = AcquisitionFolderReport{"I", "L", "F", "/m", "/s", "", {}, ""};
        const QDateTime swapped = start.addMonths(2);
        found.dayMonthWarning =
            DayMonthWarning{"check", start, swapped, swapped.addSecs(60), "key", "dd", "MM"};
        QCOMPARE(
            compact(importToJson(found)),
            R"({"acquisitionFolder":{"acquisitionInstant":null,"acquisitionResult":null,)"
            R"("instrumentFile":null,"instrumentName":"I","methodFile":"/m","sampleLabel":"L",)"
            R"("sampleLabelField":"F","sampleRecordFile":"/s"},"channels":[{"dwellTimeSeconds":)"
            R"(null,"massPair":null,"name":"C0"}],"durationSeconds":2.5,"endEpoch":1605709471.75,)"
            R"("endTime":"2020-11-18T14:24:31.750+00:00","errors":["bad"],"file":"/d/x.csv",)"
            R"("importer":"AgilentImporter","intensityUnit":null,"log":[{"level":"debug",)"
            R"("message":"read","origin":"origin"}],"machineName":"","messages":["done"],)"
            R"("ok":true,"rowCount":3,"sampleName":"","sizeInBytes":1234,)"
            R"("startEpoch":1605709469.25,"startTime":"2020-11-18T14:24:29.250+00:00",)"
            R"("warnings":[{"acquisitionTime":"2021-01-18T14:25:29.250+00:00",)"
            R"("currentValue":"dd","exportStart":"2020-11-18T14:24:29.250+00:00",)"
            R"("kind":"startTimeMismatch","message":"check","preference":"key",)"
            R"("suggestedValue":"MM","swappedStart":"2021-01-18T14:24:29.250+00:00"}]})");
    }

    // The document written one file at a time is the document QJsonDocument writes whole.
    void jsonDocument()
    {
        for (int fileCount : {0, 2}) {
            QJsonArray files;
            QString written;
            QTextStream out(&written);
            JsonDocumentWriter writer(out);
            for (int i = 0; i < fileCount; ++i) {
                files.append(importToJson(result("/d/x.csv", "S\u00e9", acquired, i, 2, 2)));
                writer.addFile(files.last().toObject());
            }
            const QJsonObject overview{{"files", QJsonArray{QJsonObject{{"a", 1}}}}};
            writer.finish(overview);
            out.flush();
            const QJsonObject whole{{"files", files}, {"overview", overview}};
            QCOMPARE(written.toUtf8(), QJsonDocument(whole).toJson(QJsonDocument::Indented));
        }
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
        QCOMPARE(
            report,
            "Batch overview, in order of acquisition (files under " + folder +
                "):\n  file             sample   start" + QString(start.size() - 5, ' ') +
                "  duration  rows  channels  status\n  Run1.d/Run1.csv  -        " + start +
                "    42.6 s   301         6  ok\n  Run3.d/Run3.csv  Glass C  " +
                isoTimeText(acquired.addSecs(60)) +
                "   102.4 s  2001        10  ok, check the date\n  Run2.d/a.csv     -        " +
                none + "         -     0         0  failed\n  Run2.d/x.csv     -        " + none +
                "         -     0         0  not recognised\n" +
                "  Total: 4 files (2 ok, 2 failed), 2302 rows, 145.0 s\nBatch " + folder +
                " (log " + folder +
                "/BatchLog.csv, 3 acquisitions):\n  without an export among the inputs: "
                "Run4.d (sample Glass D): Fail\n  result other than \"Pass\": Run2.d: no "
                "result, Run4.d (sample Glass D): Fail\n");

        const QString json = compact(overview.toJson()).replace(folder, "F");
        QCOMPARE(
            json,
            R"({"batches":[{"acquisitionCount":3,"batchFolder":"F","batchLog":"F/BatchLog.csv",)"
            R"("notPassed":[{"acquisition":"Run2.d","result":null,"sampleName":""},)"
            R"({"acquisition":"Run4.d","result":"Fail","sampleName":"Glass D"}],)"
            R"("withoutExport":[{"acquisition":"Run4.d","result":"Fail","sampleName":)"
            R"("Glass D"}]}],"files":[{"channelCount":6,"durationSeconds":42.56,)"
            R"("file":"F/Run1.d/Run1.csv","rowCount":301,"sampleName":null,"startTime":")" +
                start +
                R"(","status":"ok"},{"channelCount":10,"durationSeconds":102.44,"file":"F/Run3.d/Run3.csv",)"
                R"("rowCount":2001,"sampleName":"Glass C","startTime":")" +
                isoTimeText(acquired.addSecs(60)) +
                R"(","status":"ok, check the date"},{"channelCount":0,"durationSeconds":null,)"
                R"("file":"F/Run2.d/a.csv","rowCount":0,"sampleName":null,"startTime":null,)"
                R"("status":"failed"},{"channelCount":0,"durationSeconds":null,"file":)"
                R"("F/Run2.d/x.csv","rowCount":0,"sampleName":null,"startTime":null,"status":)"
                R"("not recognised"}],"totals":{"durationSeconds":145,"failed":2,"files":4,)"
                R"("ok":2,"rowCount":2302}})");
    }

    void exportTable_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("channels");
        QTest::newRow("no data row, no channel") << 0 << 0;
        QTest::newRow("small table") << 40 << 3;
        // More than two blocks of rows: the export formats them on two threads.
        QTest::newRow("several blocks") << 100000 << 2;
    }

    // Every number reads back as the same double in its shortest text; the header names the
    // channels; the terminating row is left out; lines end in LF.
    void exportTable()
    {
        QFETCH(int, rows);
        QFETCH(int, channels);
        QRandomGenerator random(uint(rows * 31 + channels));
        const Doubles special{0.0, 1e300, -2.5e-300, 123456789012345678.0, 0.001, 7.0};
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
        const QSharedPointer<RawInput> input = storedTable(time, values);
        const QString target = work.filePath(QStringLiteral("exported/%1.csv").arg(rows));
        QString error;
        QVERIFY2(exportCsv(*input, target, &error), qPrintable(error));
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), rows + 2); // the header, the rows, the empty piece after the last LF
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
    }

    // The export's file is named after the input; the stored data must hold every channel.
    void exportPathAndRefusals()
    {
        QCOMPARE(exportPath("/out", "/in/table/Run.7.csv"), QStringLiteral("/out/Run.7.csv"));
        QSharedPointer<RawInput> input = storedTable({1.0}, {{2.0}});
        input->channelNames.append("Lost");
        QString error;
        QVERIFY(!exportCsv(*input, work.filePath("refused/a.csv"), &error));
        QCOMPARE(error, QStringLiteral("the stored data lack the channel Lost"));
        QVERIFY(!QFileInfo::exists(work.filePath("refused")));
    }

    // Each output holds one input's data: a second input whose export or picture would land on
    // the same path is refused, as is an output that cannot be written; the run ends with 1.
    void outputsOfOneRun()
    {
        ExportText shorter;
        shorter.rowCount = 12;
        const QString first = writeFile("outputs/a/Run.csv", ExportText().bytes());
        const QString second = writeFile("outputs/b/Run.csv", shorter.bytes());
        const QString third = writeFile("outputs/c/Other.csv", shorter.bytes());
        writeFile("outputs/exported/Other.csv/blocked", "a folder where the export would go");
        ToolOptions options;
        options.exportDir = work.filePath("outputs/exported");
        options.plotTarget = work.filePath("outputs/pictures");
        options.plotSize = QSize(400, 300);
        QString report;
        QCOMPARE(reportRun(options, {first, second, third}, &report), int(ExitFailure));
        const QString exported = options.exportDir + "/Run.csv";
        const QString taken = " already holds another file's output";
        QCOMPARE(diagnostics.mid(0, 2), (QStringList{second + ": not exported, " + exported + taken,
                                                     second + ": no picture drawn, " +
                                                         options.plotTarget + "/Run.png" + taken}));
        QCOMPARE(diagnostics.size(), 3);
        QVERIFY(diagnostics.at(2).startsWith("cannot write " + options.exportDir + "/Other.csv: "));
        QFile file(exported);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().count('\n'), ExportText().rowCount + 1);
        QCOMPARE(QDir(options.plotTarget).entryList(QDir::Files),
                 (QStringList{"Other.png", "Run.png"}));
        QCOMPARE(reportRun(ToolOptions(), {first}, &report), int(ExitSuccess));
    }

    // -----------------------------------------------------------------------------------------
    // The plot

    void decadeRange_data()
    {
        QTest::addColumn<QVector<Doubles>>("columns");
        QTest::addColumn<QPoint>("decades"); // lowest, highest

        const double infinity = std::numeric_limits<double>::infinity();
        QTest::newRow("counts from 200 to 8e5") << QVector<Doubles>{{200, 8e5}} << QPoint(2, 6);
        QTest::newRow("a zero adds the decade below") << QVector<Doubles>{{0, 200}} << QPoint(1, 3);
        QTest::newRow("a negative like a zero") << QVector<Doubles>{{200, -5}} << QPoint(1, 3);
        QTest::newRow("whole decades") << QVector<Doubles>{{100, 1000}} << QPoint(2, 3);
        QTest::newRow("over all columns") << QVector<Doubles>{{10}, {1e4}} << QPoint(1, 4);
        QTest::newRow("not finite") << QVector<Doubles>{{notANumber, infinity, 50}} << QPoint(1, 2);
        QTest::newRow("no positive value") << QVector<Doubles>{{0, -1}} << QPoint(0, 1);
        QTest::newRow("the top twelve decades") << QVector<Doubles>{{1e-3, 1e12}} << QPoint(0, 12);
    }

    void decadeRange()
    {
        QFETCH(QVector<Doubles>, columns);
        QFETCH(QPoint, decades);
        QVector<Column> held;
        QVector<const Column *> pointers;
        for (const Doubles &values : qAsConst(columns))
            held.append(columnOf(values));
        for (const Column &column : qAsConst(held))
            pointers.append(&column);
        const DecadeRange range = decadeRangeOf(pointers);
        QCOMPARE(QPoint(range.lowest, range.highest), decades);
    }

    // Ticks at 1, 2 or 5 times a power of ten, no more than wanted, with the decimals they need;
    // seconds run left to right, decades bottom to top, what lies outside sits on the edge.
    void axes()
    {
        QCOMPARE(Doubles({tickStep(102.4, 10), tickStep(7, 3), tickStep(95, 10), tickStep(1, 10),
                          tickStep(0.05, 4), tickStep(0, 5)}),
                 Doubles({20, 5, 10, 0.1, 0.02, 1}));
        QCOMPARE(QVector<int>({tickDecimals(20), tickDecimals(0.1), tickDecimals(0.02)}),
                 QVector<int>({0, 1, 2}));
        const PlotMapping mapping(QRectF(100, 50, 1000, 500), 20, DecadeRange{1, 6});
        QCOMPARE(Doubles({mapping.x(0), mapping.x(10), mapping.x(-5), mapping.x(40)}),
                 Doubles({100, 600, 100, 1100}));
        QCOMPARE(Doubles({mapping.y(10), mapping.y(1e6), mapping.y(std::pow(10.0, 3.5)),
                          mapping.y(0), mapping.y(-3), mapping.y(1e9), mapping.yOfDecade(3)}),
                 Doubles({550, 50, 300, 550, 550, 50, 350}));
        QCOMPARE(PlotMapping(QRectF(0, 0, 100, 100), 0, {}).x(0.5), 50.0);
    }

    void decimatedTrace_data()
    {
        QTest::addColumn<Doubles>("time");
        QTest::addColumn<Doubles>("values");
        QTest::addColumn<QPolygonF>("expected");

        // Ten pixel columns of 1 s from 100 s on; y 100 at 1, 50 at 10, 0 at 100.
        using Points = QVector<QPointF>;
        QTest::newRow("a spike within a column is kept")
            << Doubles{100.1, 100.2, 100.3, 100.4, 105.5} << Doubles{10, 100, 1, 10, 10}
            << QPolygonF(Points{{0.5, 50}, {0.5, 0}, {0.5, 100}, {5.5, 50}});
        QTest::newRow("a rise within a column, constant in the next")
            << Doubles{100.1, 100.2, 100.3, 101.1, 101.2} << Doubles{1, 10, 100, 10, 10}
            << QPolygonF(Points{{0.5, 100}, {0.5, 100}, {0.5, 0}, {0.5, 0}, {1.5, 50}});
        QTest::newRow("rows that are not finite are left out")
            << Doubles{100.5, notANumber, 102.5, 103.5}
            << Doubles{1, 10, 100, std::numeric_limits<double>::infinity()}
            << QPolygonF(Points{{0.5, 100}, {2.5, 0}});
    }

    void decimatedTrace()
    {
        QFETCH(Doubles, time);
        QFETCH(Doubles, values);
        QFETCH(QPolygonF, expected);
        const PlotMapping mapping(QRectF(0, 0, 10, 100), 10, DecadeRange{0, 2});
        QCOMPARE(::decimatedTrace(columnOf(time), columnOf(values), 100, mapping), expected);
    }

    void plotTarget_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("fileCount");
        QTest::addColumn<QString>("expected"); // the picture of /in/Run.7.csv, or the error

        const QString folderLikeAPicture = work.filePath("dir.png");
        QDir().mkpath(folderLikeAPicture);
        QTest::newRow("a picture named in capitals") << "out/a.SVG"
                                                     << "" << 1 << "out/a.SVG svg";
        QTest::newRow("format that agrees with the name") << "a.svg"
                                                          << "svg" << 1 << "a.svg svg";
        QTest::newRow("a folder") << "out/pics"
                                  << "" << 3 << "out/pics/Run.7.png png";
        QTest::newRow("a folder of svg pictures") << "pics"
                                                  << "svg" << 1 << "pics/Run.7.svg svg";
        QTest::newRow("a folder named like a picture")
            << folderLikeAPicture << "" << 2 << folderLikeAPicture + "/Run.7.png png";
        QTest::newRow("one picture named for two files")
            << "a.png"
            << "" << 2
            << "--plot a.png names one picture, but 2 files are imported: name a folder instead";
        QTest::newRow("format contradicts the name")
            << "a.png"
            << "svg" << 1 << "--plot-format svg contradicts the picture name a.png";
    }

    void plotTarget()
    {
        QFETCH(QString, target);
        QFETCH(QString, format);
        QFETCH(int, fileCount);
        QFETCH(QString, expected);
        ToolOptions options;
        options.plotTarget = target;
        options.plotFormat = format;
        options.plotSize = QSize(800, 600);
        QString error;
        const std::optional<PlotTarget> plots = PlotTarget::resolve(options, fileCount, &error);
        QCOMPARE(plots.has_value(), error.isEmpty());
        QCOMPARE(plots ? plots->pathFor("/in/Run.7.csv") +
                             (plots->format() == PictureFormat::Svg ? " svg" : " png")
                       : error,
                 expected);
        QCOMPARE(plots ? plots->size() : options.plotSize, options.plotSize);
    }

    // A PNG of the requested size with each channel's colour (in the legend, drawn without
    // antialiasing).
    void pngPicture()
    {
        const ImportResult imported = importHere(writeFile("png/S1.csv", ExportText().bytes()));
        const QString png = work.filePath("png/S1.png");
        QString error;
        QVERIFY2(writeQuickLook(imported, png, PictureFormat::Png, QSize(800, 450), &error),
                 qPrintable(error));
        QFile file(png);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(8), QByteArray("\x89PNG\r\n\x1a\n"));
        const QImage image(png);
        QCOMPARE(image.size(), QSize(800, 450));
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                colours.insert(image.pixel(x, y) & 0xffffff);
        }
        // The first four colours of the palette, in channel order.
        for (const QRgb colour : {0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728})
            QVERIFY2(colours.contains(colour), qPrintable(QString::number(colour, 16)));
    }

    // The SVG holds the title and the subtitle, a line per channel, and the legend's and axes'
    // texts.
    void svgPicture()
    {
        QSettings().setValue("importMachineName", "Lab ICP");
        ExportText text;
        text.channelHeader = "Time [Sec],Ti48 -> 64,Sr88 -> 88";
        text.unit = "Counts";
        const ImportResult imported = importHere(writeFile("svg/S1.csv", text.bytes()));
        const QString svg = work.filePath("svg/S1.svg");
        QString error;
        QVERIFY2(writeQuickLook(imported, svg, PictureFormat::Svg, QSize(1000, 600), &error),
                 qPrintable(error));
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QVERIFY(xml.readNextStartElement());
        QCOMPARE(xml.attributes().value("viewBox"), QLatin1String("0 0 1000 600"));
        int lines = 0;
        QString title;
        QStringList texts;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            lines += xml.name() == QLatin1String("polyline") || xml.name() == QLatin1String("path");
            if (xml.name() == QLatin1String("title"))
                title = xml.readElementText();
            else if (xml.name() == QLatin1String("text"))
                texts << xml.readElementText().trimmed();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(lines > 3);
        QCOMPARE(title, QStringLiteral("S1.d \u2013 %1 \u2013 Lab ICP").arg(isoTimeText(acquired)));
        const QString subtitle =
            QStringLiteral("S1.csv \u00b7 2 channels \u00b7 31 rows \u00b7 %1 s")
                .arg(*imported.durationSeconds, 0, 'f', 1);
        for (const QString &expected : QStringList{title, subtitle, "Ti48 (48\u219264)", "Sr88",
                                                   "Time since start (s)", "Intensity (Counts)"})
            QVERIFY2(texts.contains(expected), qPrintable(expected + " not in " + texts.join('|')));
    }

    // -----------------------------------------------------------------------------------------
    // The built program

    void exitCodesAndStreams_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err"); // "tessel-import: " starts each line

        const QString picture = work.filePath("refused/one.png");
        const QString plain = work.filePath("batch/plain.csv");
        const QString nothing = work.filePath("refused");
        QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: "
                                << "";
        QTest::newRow("--version") << QStringList{"--version"} << 0 << "tessel-import 2.0\n"
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
        QTest::newRow("no plug-in folder") << QStringList{"--plugin-dir", nothing} << 2 << ""
                                           << "no plug-in folder " + nothing;
        QTest::newRow("no plug-in in the folder")
            << QStringList{"--plugin-dir", batchFolder} << 2 << ""
            << "no importer plug-ins in " + batchFolder;
        QTest::newRow("usage error") << QStringList{"--jobs", "0"} << 2 << ""
                                     << "--jobs expects a positive whole number\ntry --help";
        QTest::newRow("one picture named for two files")
            << QStringList{"--plot", picture, batchFiles.at(0), batchFiles.at(2)} << 2 << ""
            << "--plot " + picture +
                   " names one picture, but 2 files are imported: name a folder instead";
        QTest::newRow("a file no importer takes")
            << QStringList{plain} << 1 << plain + "\n  Not recognised by any importer\n\n"
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
        QVERIFY(!QFileInfo::exists(work.filePath("refused")));
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

    // A batch with failing files, three at once: the reports in path order with their own logs,
    // the overview in order of acquisition, a line on stderr per failure, a picture per stored
    // file.
    void batchRun()
    {
        const QString folder = work.filePath("pictures");
        const ToolRun run = runTool(
            {"--json", "--jobs", "3", "--plot", folder, "--plot-format", "svg", batchFolder});
        QCOMPARE(run.exitCode, 1);
        QStringList err;
        QStringList pictures;
        for (const QString &file : qAsConst(batchFiles)) {
            if (failingBatchFiles.contains(file))
                err << "tessel-import: " + file + ": the import stored no data\n";
            else
                pictures << QFileInfo(file).completeBaseName() + ".svg";
        }
        QCOMPARE(QString::fromUtf8(run.err), err.join(""));
        pictures.sort();
        QCOMPARE(QDir(folder).entryList(QDir::Files), pictures);
        const QJsonObject document = QJsonDocument::fromJson(run.out).object();
        QStringList reported;
        for (const QJsonValue &file : document["files"].toArray()) {
            const QString path = file["file"].toString();
            const bool bad = failingBatchFiles.contains(path);
            const QJsonArray log = file["log"].toArray();
            const bool right = file["ok"].toBool() == !bad && log.size() == int(bad) &&
                               (!bad || log[0]["message"].toString().contains(path));
            reported << path + (right ? "" : " (wrong result)");
        }
        QCOMPARE(reported, batchFiles);
        QStringList order;
        for (const QJsonValue &line : document["overview"]["files"].toArray())
            order << QFileInfo(line["file"].toString()).fileName();
        QCOMPARE(order, (QStringList{"f6.csv", "f5.csv", "f3.csv", "f2.csv", "f0.csv", "f4.csv",
                                     "f1.csv", "f7.csv"}));
    }
};

QTEST_MAIN(TestTesselImport)
#include "tst_tesselimport.moc"
