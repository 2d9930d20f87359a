// tessel-import: its library in-process, then runs of the built program for what only a process
// shows (what it takes from the plug-in, exit codes, streams, settings, threads, zones).
#include "importreporter.h"
#include "importtesting.h"
#include "input/fileimport.h"
#include "input/importerplugins.h"
#include "input/inputfiles.h"
#include "output/csvexport.h"
#include "output/outputpaths.h"
#include "output/picturefile.h"
#include "plot/plotaxes.h"
#include "plot/quicklookpainter.h"
#include "report/isotime.h"
#include "report/textreport.h"
#include "tool.h"

#include <QtTest>

#include <charconv>

namespace {

// An export of <acquisition>.d in the batch <batch>.b, its 30 rows by ruleRows.
QByteArray exportText(QByteArray acquisition, QByteArray stamp = "18/11/2020 14:24:29",
                      QByteArray batch = "demo", QByteArray channels = "Li7,Na23,Mg24,Al27")
{
    Acquisition made;
    made.firstLine = "D:\\DATA\\" + batch + ".b\\" + acquisition + ".d";
    made.stampLine = "Acquired      : " + stamp + " using Batch " + batch + ".b";
    made.header = "Time [Sec]," + channels;
    made.rows = ruleRows(30, channels.count(',') + 1);
    made.footer = "          Printed:" + stamp;
    return made.exportBytes();
}

// A file's bytes; empty when it cannot be read.
QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct ToolRun
{
    int exitCode = -1; // -1: did not end normally within a minute
    QByteArray out, err;
};

// The preferences of the program runs: a file of the test's, never the user's settings.
QString toolSettings;

ToolRun runTool(const QStringList &arguments)
{
    QProcess process;
    process.start(TESSEL_IMPORT_TOOL, QStringList{"--settings", toolSettings} + arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

const QDateTime acquired(QDate(2020, 11, 18), QTime(14, 24, 29), QTimeZone::systemTimeZone());
using Doubles = QVector<double>;

// A JSON value as compact text, its keys in order: an expectation on one line.
QString compact(const QJsonValue &value)
{
    const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

// The parsed options in one line: the mode, the paths, and what differs from the defaults.
QString describe(const ToolOptions &o)
{
    QStringList sets, named;
    for (auto it = o.overrides.cbegin(); it != o.overrides.cend(); ++it)
        sets << it.key() + '=' + it.value();
    sets.sort();
    const QString size = QStringLiteral("%1x%2").arg(o.plotSize.width()).arg(o.plotSize.height());
    named << "jobs" << (o.jobs == QThread::idealThreadCount() ? "" : QString::number(o.jobs))
          << "plugins" << o.pluginDir << "export" << o.exportDir << "set" << sets.join(';')
          << "zone" << o.timeZone << "plot" << o.plotTarget << "size"
          << (size == "1600x900" ? "" : size) << "format" << o.plotFormat << "channels"
          << o.plotChannels.join(',');
    QString text = QStringList{"import", "list", "detect", "settings"}.at(int(o.mode)) +
                   (o.paths.isEmpty() ? "" : " [" + o.paths.join(',') + ']');
    for (int i = 0; i < named.size(); i += 2)
        text += named[i + 1].isEmpty() ? QString() : ' ' + named[i] + ' ' + named[i + 1];
    return text + (o.json ? " json" : "") + (o.linearAxis ? " linear" : "") +
           (o.overwrite ? " overwrite" : "");
}

} // namespace

class TestTesselImport : public QObject
{
    Q_OBJECT

    QTemporaryDir configHome, work;
    std::optional<ImporterPlugins> plugins;
    QString batchFolder = work.filePath("batch"), userSettings; // of the program runs
    // A path to nothing, named beyond every Windows code page: messages naming it are UTF-8.
    const QString refused = work.filePath("refused-\u00e9\u6e2c");
    const QByteArray settings = "[General]\nimportMachineName=FromFile\nagilentXMLLabelField=x\n";
    // The tool's advice on an export whose stamp does not fit the date format.
    const QString dateAdvice = "to read it under another agilentDateFormat than \"dd MM yyyy hh mm "
                               "ss\", give --set \"agilentDateFormat=...\"";

    // Writes a file and its folders (a relative path: below the working folder); its path.
    QString writeFile(const QString &name, const QByteArray &bytes) const
    {
        const QString path = QDir(work.path()).filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        return writeBytes(path, bytes) ? path : "";
    }

private slots:
    void initTestCase()
    {
        moveSettingsStore(configHome.filePath("store"));
        userSettings = toolSettings = writeFile(configHome.filePath("Tessel.ini"), settings);
        // The host's identity: the plug-in's QSettings read the host's preferences.
        QCoreApplication::setOrganizationName("Tessel");
        QCoreApplication::setApplicationName("Tessel");
        QStringList problems;
        plugins = ImporterPlugins::load(TESSEL_BUILD_PLUGIN_DIR, &problems);
        QCOMPARE(problems, QStringList());
        QCOMPARE(plugins->importers().size(), 1);
        // Eight exports in two folders (f1, f4, f7 with an impossible date) and files none takes.
        for (int i = 0; i < 8; ++i)
            writeFile(QStringLiteral("batch/%1/f%2.csv").arg(i % 2).arg(i),
                      exportText("f" + QByteArray::number(i),
                                 (i % 3 == 1 ? "31/02/2020 " : "18/11/2020 ") +
                                     QByteArray::number(19 - i) + ":24:29"));
        // Stamps that another order of day, month and year reads: month first, year first.
        writeFile("advice/month.csv", exportText("m1", "2/28/2020 11:59:00 AM"));
        writeFile("advice/year.csv", exportText("y1", "24/02/28 10:00:00"));
        writeFile("batch/plain.csv", "a,b\r\n1,2\r\n");
        writeFile("empty/readme.txt", "notes");
        writeFile("taken/f0.csv", "an output of an earlier run");
    }

    void cleanup() { QCOMPARE(readFile(userSettings), settings); } // no run changes it

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected"); // describe() of the options, or the usage error

        // The arguments (split on spaces)|the expected text; $Z and $S: the zone's and the
        // size's error on the last argument, $D: the advice on a dash, $E: the bundled example.
        const QString rows = R"(--detect f|detect [f]
a.csv -- --plot --timezone UTC|import [a.csv,--plot,--timezone,UTC]
--json --export out --plugin-dir p --jobs 300 x|import [x] jobs 300 plugins p export out json
--set k=a=b --set e= --set x=1 --overwrite --set x=2 x|import [x] set e=;k=a=b;x=2 overwrite
--timezone Europe/Berlin --timezone=Australia/Sydney x|import [x] zone Australia/Sydney
--plot pics --plot-size 400x300 --plot-format SVG x|import [x] plot pics size 400x300 format svg
--plot p --plot-size 10000x10000 x|import [x] plot p size 10000x10000
--plot=a.png --channels Li7,Pr141,Li7 --linear x|import [x] plot a.png channels Li7,Pr141 linear
--list-importers|list
--show-settings|settings
--json|no PATH to import: name files or folders, such as the bundled example $E
--plotter x|unknown option '--plotter'
-x.csv|unknown option '-x.csv'
--export -x --jobs=2 -json|unknown option '-json'
--export|missing value after '--export'
--set x|--set expects KEY=VALUE, not "x"
--jobs 0|--jobs expects a positive whole number
--detect|--detect needs at least one FILE
--list-importers --detect x|--list-importers, --detect and --show-settings exclude each other
--show-settings x.csv|unexpected argument "x.csv"
--timezone Mars/Olympus|$Z
--timezone XYZ3|$Z
--timezone UTC+05:00|$Z
--timezone ../zoneinfo/UTC|$Z
a.csv -|-: reading standard input is not supported; name a file or folder$D
--plot -|--plot -: writing to standard output is not supported; name a folder$D
--plot p --plot-size 399x300|$S
--plot p --plot-size 400x10001|$S
--plot p --plot-format gif|--plot-format expects png or svg
--plot p --channels A,,B|--channels expects channel names separated by commas, not "A,,B"
--plot-size 800x600|--plot-size needs --plot
--linear|--linear needs --plot)";
        const QString zone = "--timezone %1: no such time zone; give a name such as "
                             "Australia/Sydney or Europe/Berlin, or UTC";
        const QString size = "--plot-size expects WIDTHxHEIGHT in pixels, from 400x300 to "
                             "10000x10000, not \"%1\"";
        for (const QString &row : rows.split('\n')) {
            const QString tag = row.section('|', 0, 0), last = tag.section(' ', -1);
            QString expected = row.section('|', 1).replace("$D", " (./- for one named \"-\")");
            expected.replace("$E", TESSEL_EXAMPLES "/GlassStd_01.d");
            expected.replace("$Z", zone.arg(last)).replace("$S", size.arg(last));
            QTest::newRow(qPrintable(tag)) << tag.split(' ') << expected;
        }
    }

    // main's look-up before the application exists (pictures?) agrees with the parser.
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        const ParsedOptions read = parseOptions(QStringList{"tessel-import"} + arguments);
        QVERIFY(read.answer.isEmpty());
        QCOMPARE(read.options ? describe(*read.options) : read.usageError, expected);
        QCOMPARE(read.usageError.isEmpty(), bool(read.options));
        if (!read.options)
            return;
        QByteArray line = ("tessel-import " + arguments.join(' ')).toUtf8().replace(' ', '\0');
        QVector<char *> argv{line.data()};
        for (char &c : line)
            argv += c ? QVector<char *>() : QVector<char *>{&c + 1};
        QCOMPARE(picturesRequested(argv.size(), argv.data()), !read.options->plotTarget.isEmpty());
    }

    // A batch's real imports, read in Tokyo: the text of a stored one (folder, stamp's clock, the
    // result's zone) and of a failed one (its warning once, as the error); the overview (by
    // acquisition, then path; an output not written fails a file; the log's acquisitions without
    // an export, in any case, or a pass); the JSON, as QJsonDocument writes it, keys in README.
    void reports()
    {
        Acquisition made; // Run1.d, which the instrument named RUN1.d, in the batch demo.b
        made.layout = Layout::BatchXml;
        made.firstLine = "D:\\DATA\\demo.b\\RUN1.d";
        made.header = "Time [Sec],Ti48 -> 64,Sr88";
        made.method = {{"Ti", "64", "48", "0.03"}, {"Sr", "88", "", "0.01"}};
        made.devices = "G8900A SG123";
        made.batchLog = {{"D:\\DATA\\demo.b\\RUN1.d", "", "2020-11-18T14:24:29+11:00", ""},
                         {"D:\\DATA\\demo.b\\Run2.d", "", "2020-11-18T14:30:00+11:00", ""},
                         {"D:\\DATA\\demo.b\\Run3.d", "C", "2026-02-09T14:24:29+09:00", "Pass"},
                         {"D:\\DATA\\demo.b\\Run4.d", "D", "2020-11-18T14:40:00+11:00", "Fail"}};
        const QString batch = work.filePath("reports/demo.b");
        // Run3's stamp has day and month swapped; Run2's export, which names Run9.d, an impossible
        // date; no importer takes x.
        const QStringList files{
            made.writeTo(work.filePath("reports")),
            writeFile(batch + "/Run3.d/Run3.csv",
                      exportText("Run3", "02/09/2026 14:24:29", "demo", "Ti48 -> 64,Sr88")),
            writeFile(batch + "/Run2.d/a.csv",
                      exportText("Run9", "31/02/2020 14:24:29", "demo", "Ti48 -> 64,Sr88")),
            writeFile(batch + "/Run2.d/x.csv", "a,b\r\n1,2\r\n")};
        QVector<ImportResult> results;
        for (const QString &file : files) {
            results.append(importFile(*plugins, file, {QTimeZone("Asia/Tokyo"), std::nullopt}, {}));
            Session()->data()->forgetFile(file);
        }
        ImportResult &stored = results[0], &failed = results[2];
        stored.timeZone = QTimeZone("Australia/Sydney");
        stored.outputs = {{"table", "/t/1.csv", ""}, {"picture", "/p/1.png", "disk full"}};
        failed.log.append({LogEntry::Warning, "no origin", "", {}});
        QString report;
        QTextStream out(&report); // writes at once: a string has no buffer to flush
        for (const ImportResult &result : {stored, failed})
            writeTextReport(result, out);
        QCOMPARE(report.replace(batch, "$"), R"($/Run1.d/Run1.csv
  Importer:   AgilentImporter
  Sample:     RUN1.d
  Machine:    Agilent G8900A SG123
  Start:      2020-11-18T14:24:29.000+11:00
  Stamp:      read at UTC+11:00, the instrument's clock as the acquisition time shows it
  End:        2020-11-18T14:24:30.001+11:00
  Duration:   1.001 s
  Rows:       2 data rows (3 handed to the host, with the closing row)
  Unit:       CPS
  Channels:   2
    Ti48  mass 48 -> 64  dwell 0.03 s
    Sr88  mass 88 -> 88  dwell 0.01 s
  Acquisition folder:
    instrument:    Agilent G8900A SG123 (from $/Run1.d/AcqData/Devices.xml)
    sample label:  (none) (from the "Sample Name" field)
    acquired:      2020-11-18T14:24:29.000+11:00
    method:        $/Method/AcqMethod.xml
    sample record: $/Method/BatchLog.xml
  Data store: stored (1 imported-file record(s), 1 sample record(s))
  Table:      /t/1.csv
  Picture:    not written: disk full

$/Run2.d/a.csv
  Importer:   AgilentImporter
  Sample:     (none)
  Machine:    (none)
  Start:      (invalid)
  End:        (invalid)
  Duration:   (not announced)
  Rows:       none
  Unit:       CPS
  Channels:   0
  Data store: nothing stored
  Error:      Could not load the file "$/Run2.d/a.csv" due to an impossible or invalid time )"
                                             R"(stamp "31 02 2020 14 24 29" using the date/time )"
                                             R"(format dd MM yyyy hh mm ss. Please check the )"
                                             R"(data import options in preferences.
  Warning:    no origin

)");
        report.clear();
        writeTextReport(results[1], out);
        const QString finding = results[1].report.dayMonthCheck->message;
        QVERIFY(report.contains("+09:00 (result: Pass)\n") &&
                report.contains("  Warning:    " + finding +
                                " [void __cdecl AgilentImporter::importData(bool)]\n"));

        BatchOverview overview;
        report.clear();
        JsonDocumentWriter writer(out, "Zone/Here");
        QJsonArray json;
        for (const ImportResult &imported : results) {
            json.append(importToJson(imported));
            writer.addFile(json.last().toObject());
            overview.add(imported);
        }
        writer.finish(overview.toJson());
        QJsonObject whole{{"files", json}, {"overview", overview.toJson()}};
        whole["schemaVersion"] = 1;
        whole["timeZone"] = "Zone/Here";
        QCOMPARE(report.toUtf8(), QJsonDocument(whole).toJson(QJsonDocument::Indented));
        QCOMPARE(compact(whole.value("files")[3]).replace(batch, "$"),
                 R"({"acquisitionFolder":null,"channels":[],"dataRowCount":0,)"
                 R"("durationSeconds":null,"endEpoch":null,"endTime":null,"errors":[],)"
                 R"("file":"$/Run2.d/x.csv","importer":null,"intensityUnit":null,"log":[],)"
                 R"("machineName":null,"messages":[],"ok":false,"outputs":[],"rowCount":0,)"
                 R"("sampleName":null,"sizeInBytes":null,"stampOffset":null,"startEpoch":null,)"
                 R"("startTime":null,"warnings":[]})");
        const QJsonValue lines = whole.value("overview");
        QCOMPARE(compact(QJsonArray{lines["files"][3], lines["totals"]}).replace(batch, "$"),
                 R"([{"channelCount":0,"dataRowCount":0,"durationSeconds":null,)"
                 R"("file":"$/Run2.d/x.csv","rowCount":0,"sampleName":null,"startTime":null,)"
                 R"("status":"not recognised"},{"dataRowCount":32,"durationSeconds":15.625,)"
                 R"("failed":3,"files":4,"ok":1,"rowCount":34}])");
        const QString section = QString::fromUtf8(readFile(TESSEL_EXAMPLES "/../README.md"))
                                    .section("## The JSON report\n", 1)
                                    .section("\n## ", 0, 0);
        // A key is named as `key`, `.key`, `parent.key` or `parent[].key`.
        for (auto it = QRegularExpression("\"(\\w+)\": ").globalMatch(report); it.hasNext();) {
            const QString key = it.next().captured(1);
            QVERIFY2(section.contains(QRegularExpression("`([a-z]+(\\[\\])?\\.)?\\.?" + key + '`')),
                     qPrintable(key));
        }
        // The day-and-month finding, which the program also writes on stderr, the file imported.
        const ToolRun run = runTool({"--timezone", "Asia/Tokyo", files[1]});
        QCOMPARE(QString::fromUtf8(run.err), "tessel-import: " + files[1] + ": " + finding + '\n');
        QCOMPARE(run.exitCode, 0);
        QJsonObject warning = whole.value("files")[1]["warnings"][0].toObject();
        QCOMPARE(warning.take("message").toString(), finding);
        QCOMPARE(
            compact(QJsonArray{json[0].toObject()["stampOffset"], json[1].toObject()["startEpoch"],
                               warning}),
            R"(["+11:00",1788326669,{"acquisitionTime":"2026-02-09T14:24:29.000+09:00","currentValue":)"
            R"("dd MM yyyy hh mm ss","exportStart":"2026-09-02T14:24:29.000+09:00",)"
            R"("kind":"startTimeMismatch","preference":"agilentDateFormat","suggestedValue":)"
            R"("MM dd yyyy hh mm ss","swappedStart":"2026-02-09T14:24:29.000+09:00"}])");

        QCOMPARE(QPoint(overview.fileCount(), overview.hasBatchLogs()), QPoint(4, 1));
        report.clear();
        overview.writeText(out);
        QCOMPARE(report.replace(batch, "$"),
                 R"(Batch overview, in order of acquisition (files under $):
  file             sample  start                          duration  data rows  channels  status
  Run1.d/Run1.csv  RUN1.d  2020-11-18T14:24:29.000+11:00     1.0 s          2         2  failed
  Run3.d/Run3.csv  C       2026-09-02T14:24:29.000+09:00    14.6 s         30         2  ok, check the date
  Run2.d/a.csv     -       -                                     -          0         0  failed
  Run2.d/x.csv     -       -                                     -          0         0  not recognised
  Total: 4 files (1 ok, 3 failed), 32 data rows, 15.6 s
Batch $ (log $/Method/BatchLog.xml, 4 acquisitions):
  without an export among the inputs: Run4.d (sample D): Fail
  result other than "Pass": RUN1.d: no result, Run2.d: no result, Run4.d (sample D): Fail
)");
        stored.rowCount = 2;
        writeTextReport(stored, out);
        QVERIFY(report.contains("  Rows:       1 data row (2 handed to the host, with"));
    }

    // The header, then each row's numbers as std::to_chars writes them; LF; no terminating row.
    void exportTable()
    {
        for (const QPoint shape : {QPoint(0, 0), QPoint(40, 3), QPoint(300000, 2)}) {
            const int rows = shape.x(), channels = shape.y();
            QRandomGenerator random(uint(rows * 31 + channels));
            QVector<Column> values(channels + 1, Column(rows + 1)); // the time, then the channels
            for (int row = 0; row <= rows; ++row)
                for (int c = 0; c <= channels; ++c)
                    values[c][row] = c ? std::ldexp(random.generateDouble() - 0.25, row % 72 - 36)
                                       : 1.6e9 + row * 0.1;
            RawInput input;
            input.rowCount = rows + 1; // with the terminating row the importers append
            input.time = values[0];
            for (int c = 1; c <= channels; ++c) {
                input.channelNames << QStringLiteral("Ch%1").arg(c);
                input.channels.insert(input.channelNames.last(), values[c]);
            }
            QByteArray expected = (QStringList{"time"} + input.channelNames).join(',').toUtf8();
            for (int row = 0; row < rows; ++row)
                for (int c = 0; c <= channels; ++c) {
                    char text[32];
                    const char *end = std::to_chars(text, text + sizeof text, values[c][row]).ptr;
                    expected += (c ? ',' : '\n') + QByteArray(text, int(end - text));
                }
            const QString target = work.filePath(QStringLiteral("exported/%1.csv").arg(rows));
            QString error;
            StageClock clock;
            QVERIFY2(exportCsv(input, target, clock, &error), qPrintable(error));
            QCOMPARE(readFile(target), expected + '\n');
            // Each step once, its rounds summed (300,000 rows take four rounds of blocks, each
            // block of a round formatted on a thread of its own).
            QStringList steps;
            for (const StageTime &step : clock.times())
                steps << step.stage;
            const QStringList expectedSteps =
                rows ? QStringList{"export opening", "export formatting", "export writing",
                                   "export saving"}
                     : QStringList{"export opening", "export saving"};
            QCOMPARE(steps, expectedSteps);
            input.channelNames.append("Lost");
            QVERIFY(!exportCsv(input, work.filePath("refused/a.csv"), clock, &error));
            QCOMPARE(error, QStringLiteral("the stored data lack the channel Lost"));
            QVERIFY(!QFileInfo::exists(work.filePath("refused")));
            input.channelNames.removeLast();
            const QString underFile = target + QStringLiteral("/a.csv"); // a folder where a file is
            QVERIFY(!exportCsv(input, underFile, clock, &error));
            QCOMPARE(error, QStringLiteral("cannot write %1: cannot create the folder %2")
                                .arg(underFile, target));
        }
    }

    // Outputs go at the inputs' paths below the common folder of the paths given, a folder
    // keeping its name; what cannot be written as asked is found before anything is written, and
    // nothing is created.
    void outputPaths()
    {
        // The inputs ("name/": a folder made and given; "name+": a file made, not given;
        // absolute: taken as written, nothing made)|--export|--plot (a colon: then --plot-format)|
        // the last input's outputs or the problem|"windows" for Windows's rule of paths,
        // "overwrite" for --overwrite; $ stands for the folder of the row.
        const QString rows = R"(Run.7.csv||pics:svg|$/pics/Run.7.svg svg
a.b/001.d/001.csv,b.b/001.d/001.csv|out|pics|$/out/b.b/001.d/001.csv $/pics/b.b/001.d/001.png png
run.b/,run.b/1.d/1.csv|out|pics|$/out/run.b/1.d/1.csv $/pics/run.b/1.d/1.png png
x.csv|out|out/pics|$/out/x.csv $/out/pics/x.png png
x.csv|pics/t|pics:svg|$/pics/t/x.csv $/pics/x.svg svg
x.csv,out/x.csv+|out||$/x.csv: the output $/out/x.csv exists (--overwrite replaces it)
x.csv,out/x.csv+|out||$/out/x.csv|overwrite
x.csv,p.png+||p.png|$/x.csv: the output $/p.png exists (--overwrite replaces it) $/p.png png
in/Run.7.csv|out/|in/p.SVG|$/out/Run.7.csv $/in/p.SVG svg
x.csv,dir.png/||dir.png|$/dir.png/x.png png
x.csv,y.csv||a.png|--plot $/a.png names one picture, but 2 files are imported: name a folder instead
x.csv||a.png:svg|--plot-format svg contradicts the picture name $/a.png
a/x.csv,a/x.CSV|out||$/a/x.csv and $/a/x.CSV would both be written to $/out/x.csv
x.csv|.||$/x.csv: the output $/x.csv is one of the inputs and would replace it
x.csv,out/x.csv/|out||$/x.csv: the output $/out/x.csv is a folder
x.csv|x.csv||--export $/x.csv: $/x.csv is a file, not a folder
x.csv|no/out||--export $/no/out: the folder $/no does not exist
x.csv||no/p.png|--plot $/no/p.png: the folder $/no does not exist
x.csv||x.csv|--plot $/x.csv: $/x.csv is a file, not a folder
/d/a\b.csv|out||$/out/a\b.csv
a/x.csv,a/X.csv|out||$/out/X.csv
a/x.csv,a/X.csv|out||$/a/x.csv and $/a/X.csv would both be written to $/out/X.csv|windows
X.CSV|.||$/X.csv|overwrite
X.CSV|.||$/X.CSV: the output $/X.csv is one of the inputs and would replace it|windows
A/x.csv,a/y.csv|out|pics|$/out/y.csv $/pics/y.png png|windows
C:/data/a.b/1.csv,c:\Data\b.b\2.csv|out||$/out/b.b/2.csv|windows
C:/1.csv,c:/x/2.csv|out||$/out/x/2.csv|windows
C:/x/1.csv,D:\x\1.csv|out|pics|$/out/D/x/1.csv $/pics/D/x/1.png png|windows
//srv/share/a/1.csv,\\SRV\Share\b\2.csv|out||$/out/b/2.csv|windows
//srv/one/1.csv,C:/2.csv,\\?\UNC\srv\two\3.csv|out||$/out/UNC/srv/two/3.csv|windows)";
        int index = 0;
        for (const QString &row : rows.split('\n')) {
            const QString here = work.filePath("outputs/" + QString::number(index++));
            QStringList field = row.split('|'), files, given;
            const PathStyle style =
                field.value(4).contains("windows") ? PathStyle::Windows : PathStyle::Posix;
            QDir().mkpath(here);
            for (const QString &input : field[0].split(',')) {
                const bool absolute = input.contains(':') || input.startsWith('/') ||
                                      input.startsWith('\\'),
                           isFolder = input.endsWith('/'), made = input.endsWith('+');
                const QString path = absolute ? input : here + '/' + input.chopped(made);
                if (isFolder)
                    QDir().mkpath(path);
                else if (!absolute)
                    writeFile(path, "");
                given << (made ? QStringList() : QStringList{path});
                files << (made || isFolder ? QStringList() : QStringList{path});
            }
            const uint before = QDir(here).count(); // nothing is created
            const QString folder = commonFolder(given, style);
            ToolOptions options;
            options.exportDir = field[1].isEmpty() ? "" : here + '/' + field[1];
            options.plotTarget = field[2].isEmpty() ? "" : here + '/' + field[2].section(':', 0, 0);
            options.plotFormat = field[2].section(':', 1);
            QString problem;
            const auto plots = field[2].isEmpty()
                                   ? std::nullopt
                                   : PlotTarget::resolve(options, files.size(), folder, &problem);
            if (problem.isEmpty())
                problem = outputProblem(files, options.exportDir, folder, plots,
                                        field.value(4).contains("overwrite"), style);
            if (problem.isEmpty() && !options.exportDir.isEmpty())
                problem = mirroredPath(options.exportDir, folder, files.last(), ".csv", style);
            if (plots && !problem.startsWith('-'))
                problem += ' ' + plots->pathFor(files.last(), style) +
                           (plots->style().format == PictureFormat::Svg ? " svg" : " png");
            const QString tag = row.section('|', 0, 2) + ' ' + field.value(4) + ' ';
            QCOMPARE(tag + problem.trimmed(), tag + field[3].replace('$', QDir::cleanPath(here)));
            QCOMPARE(QDir(here).count(), before);
        }
    }

    // The intensity axis holds all values of two columns: whole decades (one more below zeros) or
    // linear from zero. Ticks at 1, 2 or 5 times a power of ten, as many as wanted, the decimals
    // they need; what lies beyond the plot sits on its edge. Sixty channels, sixty line styles,
    // their dashes as long in the legend's thick line as in the trace.
    void plotting()
    {
        const QList<std::tuple<Column, Column, QPoint, QPointF>> rows{
            {{200, 8e5}, {}, {2, 6}, {0, 8e5}},           {{0, 200}, {}, {1, 3}, {0, 200}},
            {{230, -45}, {}, {1, 3}, {-50, 250}},         {{10}, {1e4}, {1, 4}, {0, 1e4}},
            {{qQNaN(), qInf(), 50}, {}, {1, 2}, {0, 50}}, {{0, 0}, {}, {0, 1}, {0, 1}},
            {{1e-3, 1e12}, {}, {0, 12}, {0, 1e12}}};
        for (const auto &[first, second, decades, linear] : rows) {
            const DecadeRange range = decadeRangeOf({&first, &second});
            const LinearRange linearRange = linearRangeOf({&first, &second}, 6);
            QCOMPARE(QPoint(range.lowest, range.highest), decades);
            QCOMPARE(QPointF(linearRange.low, linearRange.high), linear);
        }
        QCOMPARE(Doubles({tickStep(102.4, 10), tickStep(7, 3), tickStep(95, 10), tickStep(1, 10),
                          tickStep(0.05, 4), tickStep(0, 5)}),
                 Doubles({20, 5, 10, 0.1, 0.02, 1}));
        QCOMPARE(QStringList({tickText(40, 20), tickText(0.3, 0.1), tickText(0.04, 0.02),
                              tickText(2.5e6, 5e5), tickText(-1e7, 5e6), tickText(999999, 1)}),
                 QStringList({"40", "0.3", "0.04", "2.5e6", "-1e7", "999999"}));
        const PlotMapping mapping(QRectF(100, 50, 1000, 500), 20, DecadeRange{1, 6});
        const PlotMapping linear(QRectF(100, 50, 1000, 500), 20, LinearRange{-100, 400, 100});
        QCOMPARE(Doubles({mapping.x(0), mapping.x(10), mapping.x(-5), mapping.x(40), mapping.y(10),
                          mapping.y(1e6), mapping.y(std::pow(10.0, 3.5)), mapping.y(0),
                          mapping.y(-3), mapping.y(1e9), mapping.yOfDecade(3), linear.y(-100),
                          linear.y(0), linear.y(150), linear.y(400), linear.y(-500), linear.y(1e9),
                          PlotMapping(QRectF(0, 0, 100, 100), 0, DecadeRange{}).x(0.5)}),
                 Doubles({100, 600, 100, 1100, 550, 50, 300, 550, 550, 50, 350, 550, 450, 300, 50,
                          550, 50, 50}));
        QStringList thin, thick;
        for (int channel = 0; channel <= 60; ++channel)
            for (const double width : {1.5, 3.0}) {
                const QPen pen = channelPen(channel, width, 1.5);
                QString style = pen.color().name();
                for (const qreal dash : pen.dashPattern())
                    style += ' ' + QString::number(dash * width);
                (width == 3 ? thick : thin) << style;
            }
        QCOMPARE(QSet<QString>(thin.begin(), thin.end()).size(), 60);
        QCOMPARE(thin.at(60), thin.at(0));
        QCOMPARE(thick, thin);
    }

    void pictures_data()
    {
        // zero: a channel set to zero throughout; texts: in the SVG, split on '|'; "-": must be
        // missing. The log axis labels decades (10 and its exponent), the linear one steps of
        // 50; the time axis steps of 2 s. The subtitle counts the channels drawn.
        addColumns<QString, QStringList, bool, QString, QString>("picture", "channels", "linear",
                                                                 "zero", "texts");
        QTest::newRow("png") << "S1.png" << QStringList() << false << ""
                             << "";
        QTest::newRow("svg, log, Mg24 all zero")
            << "S1.svg" << QStringList() << false << "Mg24"
            << "Ti48 (48\u219264)|Sr88|Mg24 (all zero)|-Al27 (all zero)|Time since start "
               "(s)|Intensity (CPS)|10|1|-250|S1.csv \u00b7 4 channels \u00b7 30 data rows "
               "\u00b7 14.6 s";
        QTest::newRow("svg, linear, Sr88, Mg24 zero")
            << "S2.svg" << QStringList{"Sr88", "Mg24"} << true << "Mg24"
            << "Sr88|Mg24|250|-1|-Ti48 (48\u219264)|S2.csv \u00b7 2 of 4 channels \u00b7 30 "
               "data rows \u00b7 14.6 s";
    }

    // A PNG of the size asked for, in the palette's first colours, one a channel; an SVG with the
    // texts: the title (sample – start – machine, twice), the subtitle, legend and axis labels.
    void pictures()
    {
        const auto [picture, channels, linear, zero, texts] =
            fetchColumns<QString, QStringList, bool, QString, QString>("picture", "channels",
                                                                       "linear", "zero", "texts");
        const QString name = picture.left(2);
        const QString csv = writeFile("pictures/" + name + ".csv",
                                      exportText(name.toUtf8(), "18/11/2020 14:24:29", "demo",
                                                 "Ti48 -> 64,Sr88 -> 88,Mg24,Al27"));
        ImportResult imported =
            importFile(*plugins, csv, {QTimeZone::systemTimeZone(), std::nullopt}, {});
        Session()->data()->forgetFile(csv); // the result keeps the data
        imported.machineName = "Lab ICP";
        if (!zero.isEmpty()) {
            const auto changed = QSharedPointer<RawInput>::create(*imported.stored);
            changed->channels[zero].zeros();
            imported.stored = changed;
        }
        const QString path = work.filePath("pictures/" + picture);
        const bool svg = picture.endsWith(".svg");
        const PictureStyle style{svg ? PictureFormat::Svg : PictureFormat::Png, QSize(1000, 600),
                                 channels, linear};
        QString error;
        QVERIFY2(writeQuickLook(imported, path, style, &error), qPrintable(error));
        QCOMPARE(Session()->data()->rawInputs().size(), 0);
        if (!svg) {
            QCOMPARE(readFile(path).left(8), QByteArray("\x89PNG\r\n\x1a\n"));
            const QImage image = QImage(path).convertToFormat(QImage::Format_RGB32);
            QCOMPARE(image.size(), style.size);
            const auto *pixels = reinterpret_cast<const QRgb *>(image.constBits());
            const QSet<QRgb> colours(pixels, pixels + image.width() * image.height());
            for (const QRgb colour : {0xff1f77b4, 0xffff7f0e, 0xff2ca02c, 0xffd62728})
                QVERIFY2(colours.contains(colour), qPrintable(QString::number(colour, 16)));
            return;
        }
        const QString document = QString::fromUtf8(readFile(path));
        QVERIFY(document.contains("viewBox=\"0 0 1000 600\""));
        QStringList found;
        const QRegularExpression element("<(?:text|title)\\b[^>]*>([^<]*)<");
        for (auto it = element.globalMatch(document); it.hasNext();)
            found << it.next().captured(1).trimmed();
        QCOMPARE(found.count(name + ".d \u2013 " + isoTimeText(acquired) + " \u2013 Lab ICP"), 2);
        for (const QString &text : texts.split('|'))
            QVERIFY2(found.contains(text.mid(text.startsWith('-'))) != text.startsWith('-'),
                     qPrintable(text + " in " + found.join('|')));
    }

    void exitCodesAndStreams_data()
    {
        // out: stdout; its start if it has no final line break
        // err: "tessel-import: " starts each line
        addColumns<QStringList, int, QString, QString>("arguments", "exitCode", "out", "err");

        const QHash<QString, QStringList> changed{{"importMachineName", {"FromCli", "--set"}},
                                                  {"agilentXMLLabelField", {"x", userSettings}}};
        QString shown;
        for (const PreferenceDeclaration &preference : plugins->declaredPreferences()) {
            const auto value = changed.value(preference.key, {preference.defaultValue, "default"});
            shown += QStringLiteral("%1 = \"%2\"\n    default: \"%3\", from: %4\n")
                         .arg(preference.key, value[0], preference.defaultValue, value[1]);
        }
        // The arguments (split on spaces)|exit code|stdout|stderr; $F: an export, $B: one whose
        // stamp does not fit the date format, $A: the advice on it, $P: a file no importer takes,
        // $M, $Y: exports whose month-first or year-first stamp another format reads, $K: the
        // report's line on Kathmandu's zone,
        // $R: a path to nothing, $Z: the text report's line on the zone, $S: the preferences as
        // --show-settings lists them, with their sources, $T: a folder with an earlier output.
        const QStringList rows{
            "--help|0|Usage: tessel-import [options] PATH...\nImports instrument data files with "
            "the importer plug-ins and reports what each import handed to the data store.\n\nThe "
            "keys of the --json report are described in README.md, section \"The JSON report\" "
            "(installed as <prefix>/share/doc/tessel_agilent/README.md)|",
            "--list-importers|0|AgilentImporter\n  description:    Imports data generated by "
            "agilent instruments\n  version:        2.0\n  file extension: .csv\n  library:   |",
            "--detect $F $P|1|$F: AgilentImporter\n$P: not recognised\n|",
            "--show-settings --set importMachineName=FromCli --set zzz=1 --set aaa=2|0|$Saaa = "
            "\"2\"\n    default: none, from: --set\nzzz = \"1\"\n    default: none, from: --set\n|"
            "note: no importer is known to read the preference aaa\nnote: no importer is known "
            "to read the preference zzz",
            "--plugin-dir $R $F|2||no plug-in folder $R",
            "$R|1|$Z$R\n  Error:      no such file or folder\n\n|$R: no such file or folder",
            "$B|1|$Z$B\n  Importer:   AgilentImporter|$B: the import stored no data; $A",
            "--timezone Asia/Kathmandu $M|1|$K$M\n  Importer:   AgilentImporter|$M: the import "
            "stored no data; the stamp \"2 28 2020 11 59 00 AM\" reads under --set "
            "\"agilentDateFormat=MM dd yyyy hh mm ss\" as 2020-02-28T11:59:00.000+05:45",
            "--timezone Asia/Kathmandu --set agilentDateFormat=MM/dd/yyyy $Y|1|$K$Y\n  Importer:   "
            "AgilentImporter|$Y: the import stored no data; the stamp \"24 02 28 10 00 00\" reads "
            "under --set \"agilentDateFormat=dd/MM/yyyy\" as 2028-02-24T10:00:00.000+05:45, or "
            "under --set \"agilentDateFormat=yyyy/MM/dd\" as 2024-02-28T10:00:00.000+05:45",
            "--linear|2||--linear needs --plot\ntry --help",
            "--export $P $F|2||--export $P: $P is a file, not a folder",
            "--plot $R.svg --channels Li7,Xx1 $F|2|$Z$F|--channels: $F has no channel Xx1 (its "
            "channels: Li7, Na23, Mg24, Al27); no picture drawn",
            "$P|1|$Z$P\n  Not recognised by any importer\n\n|$P: not recognised by any importer",
            "--export $T $F|2||$F: the output $T/f0.csv exists (--overwrite replaces it)",
            "--overwrite --export $T $F|0|$Z$F\n  Importer:   AgilentImporter|",
            "--timezone Australia/Sydney $F|0|Time zone: Australia/Sydney (times are read and "
            "shown in it)\n\n$F\n  Importer:   AgilentImporter\n  Sample:     f0.d\n  Machine:    "
            "FromFile\n  Start:      2020-11-18T19:24:29.000+11:00|"};
        const QString zone =
            "Time zone: " + QTimeZone::systemTimeZoneId() + " (times are read and shown in it)\n\n";
        for (QString row : rows) {
            const QString tag = row.section('|', 0, 0);
            row.replace("$Z", zone).replace("$S", shown).replace("$F", batchFolder + "/0/f0.csv");
            row.replace("$P", batchFolder + "/plain.csv").replace("$R", refused);
            row.replace("$T", work.filePath("taken"));
            row.replace("$B", batchFolder + "/1/f1.csv").replace("$A", dateAdvice);
            row.replace("$M", work.filePath("advice/month.csv"))
                .replace("$Y", work.filePath("advice/year.csv"))
                .replace("$K", "Time zone: Asia/Kathmandu (times are read and shown in it)\n\n");
            const QStringList field = row.split('|');
            QTest::newRow(qPrintable(tag))
                << field[0].split(' ') << field[1].toInt() << field[2] << field[3];
        }
    }

    void exitCodesAndStreams()
    {
        auto [arguments, exitCode, out, err] =
            fetchColumns<QStringList, int, QString, QString>("arguments", "exitCode", "out", "err");
        const ToolRun run = runTool(arguments);
        QCOMPARE(run.exitCode, exitCode);
        const bool whole = out.isEmpty() || out.endsWith('\n');
        QCOMPARE(QString::fromUtf8(whole ? run.out : run.out.left(out.toUtf8().size())), out);
        QCOMPARE(QString::fromUtf8(run.err),
                 err.isEmpty() ? err
                               : "tessel-import: " + err.replace("\n", "\ntessel-import: ") + '\n');
        for (const char *suffix : {"", ".png", ".svg"})
            QVERIFY(!QFileInfo::exists(refused + suffix));
    }

    void batchRun_data()
    {
        QTest::addColumn<QString>("zone"); // empty: the computer's, which the tests pin
        QTest::addColumn<int>("jobs");

        QTest::newRow("the computer's zone, one by one") << "" << 1;
        QTest::newRow("Sydney, three at once") << "Australia/Sydney" << 3;
        QTest::newRow("Kathmandu, three at once") << "Asia/Kathmandu" << 3;
    }

    // Failing files, a folder without exports, tables that cannot be written: a line on stderr
    // each, failed in the totals; the reports in path order (a file named twice once), their own
    // logs, times in the zone asked for, the machine from --set; a table and a picture per stored
    // file, laid out as the inputs below the folder named, and the JSON names them.
    void batchRun()
    {
        QFETCH(QString, zone);
        QFETCH(int, jobs);
        const QString out = work.filePath("runs/" + QString(QTest::currentDataTag()));
        writeFile(out + "/tables/batch/1", "a file where a folder goes");
        const ToolRun run = runTool(
            QStringList{"--json", "--jobs", QString::number(jobs), "--set",
                        "importMachineName=FromCli", "--export", out + "/tables", "--plot",
                        out + "/pictures", "--plot-format", "svg", batchFolder + "/0/f6.csv",
                        batchFolder, batchFolder + "/0/../1/f7.csv", work.filePath("empty")} +
            (zone.isEmpty() ? QStringList() : QStringList{"--timezone", zone}));
        QCOMPARE(run.exitCode, 1);
        const QTimeZone timeZone =
            zone.isEmpty() ? QTimeZone::systemTimeZone() : timeZoneNamed(zone.toUtf8());
        const QJsonObject document = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(document["timeZone"].toString(),
                 zone.isEmpty() ? QTimeZone::systemTimeZoneId() : zone);
        QCOMPARE(document["files"].toArray().size(), 9);
        const QJsonValue totals = document["overview"]["totals"];
        QCOMPARE(QPoint(totals["ok"].toInt(), totals["failed"].toInt()), QPoint(3, 6));
        QString err;
        int n = 0;
        for (const int i : {6, 0, 2, 4, 1, 3, 5, 7}) { // f6, named first, then the folder's
            const QString name = QStringLiteral("%1/f%2").arg(i % 2).arg(i);
            const QString file = batchFolder + '/' + name + ".csv";
            const QJsonValue report = document["files"][n++];
            const QJsonArray log = report["log"].toArray();
            const bool ok = i % 3 != 1;
            const QDateTime start(acquired.date(), QTime(19 - i, 24, 29), timeZone);
            const QString table = out + "/tables/batch/" + name + ".csv",
                          picture = out + "/pictures/batch/" + name + ".svg",
                          tableError = "cannot write " + table + ": cannot create the folder " +
                                       QFileInfo(table).path();
            err +=
                ok ? ""
                   : "tessel-import: " + file + ": the import stored no data; " + dateAdvice + '\n';
            err += ok && i % 2 ? "tessel-import: " + tableError + '\n' : "";
            const QJsonArray outputs{
                QJsonObject{{"error", i % 2 ? QJsonValue(tableError) : QJsonValue()},
                            {"kind", "table"},
                            {"path", table}},
                QJsonObject{{"error", QJsonValue()}, {"kind", "picture"}, {"path", picture}}};
            QCOMPARE(report["outputs"].toArray(), ok ? outputs : QJsonArray());
            const QString shown =
                report["startTime"].toString() + ' ' + report["machineName"].toString();
            QCOMPARE(report["file"].toString() + ' ' + (report["ok"].toBool() ? shown : "failed"),
                     file + ' ' + (ok ? isoTimeText(start) + " FromCli" : "failed"));
            QVERIFY(log.size() == int(!ok) && (ok || log[0]["message"].toString().contains(file)));
            QCOMPARE(QFileInfo::exists(table) + 2 * QFileInfo::exists(picture),
                     ok ? 2 + (i % 2 == 0) : 0);
        }
        // The folder without exports is a failed entry in its place; no other file is written.
        const QString empty = work.filePath("empty");
        QCOMPARE(document["files"][8]["file"].toString() + ": " +
                     document["files"][8]["errors"][0].toString(),
                 empty + ": no file there that an importer recognises");
        int written = 0;
        for (QDirIterator it(out, QDir::Files, QDirIterator::Subdirectories); it.hasNext();
             it.next())
            ++written;
        QCOMPARE(written, 9); // 5 pictures, 3 tables and the file in the way
        QCOMPARE(QString::fromUtf8(run.err),
                 err + "tessel-import: " + empty + ": no file there that an importer recognises\n");
    }
};

QTEST_MAIN(TestTesselImport)
#include "tst_tesselimport.moc"
