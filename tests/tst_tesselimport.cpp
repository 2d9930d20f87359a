// tessel-import: its library in-process (the command line, the imports through the real
// plug-in, the reports, the export, the plot's axes and pictures), then a few runs of the built
// program for what only a process shows: exit codes, stdout against stderr, the settings store.
#include "importreporter.h"
#include "input/batchimport.h"
#include "input/fileimport.h"
#include "input/importerplugins.h"
#include "input/inputfiles.h"
#include "input/progressbar.h"
#include "options/commandline.h"
#include "options/preferences.h"
#include "plot/plotaxes.h"
#include "plot/quicklook.h"
#include "report/batchoverview.h"
#include "report/csvexport.h"
#include "report/diagnostics.h"
#include "report/isotime.h"
#include "report/jsonreport.h"
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
// The first four colours of the plot's palette, in channel order.
const QVector<QRgb> channelColours{0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728};
const QStringList channelNames{"Li7", "Na23", "Mg24", "Al27"};
// An export of two mass-shifted channels, as the acquisition folders' method lists them.
const ExportText msmsExport = ExportText().withHeader("Time [Sec],Ti48 -> 64,Sr88 -> 88");

// "+01:00" for an offset of 3600 s.
QString offsetText(int seconds)
{
    return QStringLiteral("%1%2:%3")
        .arg(seconds < 0 ? '-' : '+')
        .arg(qAbs(seconds) / 3600, 2, 10, QLatin1Char('0'))
        .arg(qAbs(seconds) % 3600 / 60, 2, 10, QLatin1Char('0'));
}

QPolygonF points(const QVector<QPointF> &list)
{
    return QPolygonF(list);
}

Column columnOf(const QVector<double> &values)
{
    return Column(std::vector<double>(values.begin(), values.end()));
}

bool bitEqual(double one, double other)
{
    return std::memcmp(&one, &other, sizeof one) == 0;
}

// A double with all its digits: random bits of a finite value within the magnitudes an
// instrument writes, with either sign.
double randomValue(QRandomGenerator &random)
{
    const double mantissa = 1.0 + random.generateDouble();
    const int exponent = int(random.bounded(-12, 12));
    const double value = std::ldexp(mantissa, exponent * 3);
    return random.bounded(4) == 0 ? -value : value;
}

QByteArray shortestText(double value)
{
    return QByteArray::number(value, 'g', 17);
}

bool isDark(QRgb pixel)
{
    return qRed(pixel) < 90 && qGreen(pixel) < 90 && qBlue(pixel) < 90;
}

// The longest run of dark pixels along one column (or row) of the picture.
int longestDarkRun(const QImage &image, int index, bool alongColumn)
{
    const int length = alongColumn ? image.height() : image.width();
    int longest = 0;
    int run = 0;
    for (int i = 0; i < length; ++i) {
        run = isDark(alongColumn ? image.pixel(index, i) : image.pixel(i, index)) ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// A pixel that is the colour laid over white with at least 40 % coverage (an antialiased line).
bool coveredBy(QRgb pixel, QRgb colour)
{
    const int pixelParts[] = {qRed(pixel), qGreen(pixel), qBlue(pixel)};
    const int colourParts[] = {qRed(colour), qGreen(colour), qBlue(colour)};
    const int deepest = int(std::min_element(colourParts, colourParts + 3) - colourParts);
    const double coverage = (255.0 - pixelParts[deepest]) / (255.0 - colourParts[deepest]);
    if (coverage < 0.4 || coverage > 1.05)
        return false;
    for (int part = 0; part < 3; ++part) {
        if (qAbs(pixelParts[part] - (255.0 - coverage * (255 - colourParts[part]))) > 12)
            return false;
    }
    return true;
}

// Pixels of exactly the colour, and pixels the colour covers.
QPair<int, int> colourCount(const QImage &image, QRgb colour)
{
    QPair<int, int> count{0, 0};
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            count.first += (pixel & 0xffffff) == colour ? 1 : 0;
            count.second += coveredBy(pixel, colour) ? 1 : 0;
        }
    }
    return count;
}

// The parsed options in one line, so that a table row can state them.
QString describe(const ToolOptions &options)
{
    static const QStringList modes{"import", "list", "detect", "settings"};
    QStringList overrides;
    for (auto it = options.overrides.cbegin(); it != options.overrides.cend(); ++it)
        overrides.append(it.key() + '=' + it.value());
    overrides.sort();
    QString text = QStringLiteral("%1 [%2] jobs %3")
                       .arg(modes.at(int(options.mode)), options.paths.join(','))
                       .arg(options.jobs);
    if (options.json)
        text += " json";
    if (!options.pluginDir.isEmpty())
        text += " plugins " + options.pluginDir;
    if (!options.exportDir.isEmpty())
        text += " export " + options.exportDir;
    if (!overrides.isEmpty())
        text += " set " + overrides.join(';');
    if (!options.plotTarget.isEmpty())
        text += QStringLiteral(" plot %1 %2x%3 %4")
                    .arg(options.plotTarget)
                    .arg(options.plotSize.width())
                    .arg(options.plotSize.height())
                    .arg(options.plotFormat.isEmpty() ? "-" : options.plotFormat);
    return text;
}

// A result as an import announces it, for the reports' tables.
ImportResult result(const QString &file, const QString &sample, const QDateTime &start,
                    double seconds, int rows, int channels)
{
    ImportResult made;
    made.file = file;
    made.importer = "AgilentImporter";
    made.ok = true;
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

ImportResult failed(const QString &file, bool recognised)
{
    ImportResult made;
    made.file = file;
    made.importer = recognised ? "AgilentImporter" : QString();
    return made;
}

// A stored table of the given columns, with the terminating row the importers append.
QSharedPointer<RawInput> storedTable(const QVector<double> &time,
                                     const QVector<QVector<double>> &channels)
{
    auto input = QSharedPointer<RawInput>::create();
    const arma::uword rows = arma::uword(time.size()) + 1;
    input->time = Column(rows);
    for (arma::uword row = 0; row + 1 < rows; ++row)
        input->time[row] = time.at(int(row));
    input->time[rows - 1] = time.isEmpty() ? 0.001 : time.last() + 0.001;
    for (int c = 0; c < channels.size(); ++c) {
        const QString name = QStringLiteral("Ch%1").arg(c);
        Column column(rows);
        for (arma::uword row = 0; row + 1 < rows; ++row)
            column[row] = channels.at(c).at(int(row));
        column[rows - 1] = std::numeric_limits<double>::quiet_NaN();
        input->channelNames.append(name);
        input->channels.insert(name, column);
    }
    input->rowCount = int(rows);
    return input;
}

} // namespace

class TestTesselImport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    // The command line.
    void commandLine_data();
    void commandLine();
    void picturesRequested_data();
    void picturesRequested();

    // Plug-ins, inputs and imports through the real plug-in.
    void listAndDetect_data();
    void listAndDetect();
    void missingPluginFolder();
    void inputFiles();
    void importedFile();
    void acquisitionFolder_data();
    void acquisitionFolder();
    void batchFolderAndItsLog();
    void failingFiles_data();
    void failingFiles();
    void outputsOfOneRun();
    void batchDriver_data();
    void batchDriver();
    void startTimeCrossCheck_data();
    void startTimeCrossCheck();

    // Reports.
    void isoTime_data();
    void isoTime();
    void textReport_data();
    void textReport();
    void jsonOfImport();
    void jsonDocument_data();
    void jsonDocument();
    void overviewOrderAndTotals();
    void overviewText();
    void batchFindings_data();
    void batchFindings();
    void exportTable_data();
    void exportTable();
    void exportPathAndRefusals();

    // The plot.
    void decadeRange_data();
    void decadeRange();
    void ticks_data();
    void ticks();
    void plotMapping();
    void decimatedTrace_data();
    void decimatedTrace();
    void plotTarget_data();
    void plotTarget();
    void pngPicture_data();
    void pngPicture();
    void svgPicture();

    // The built program.
    void exitCodesAndStreams_data();
    void exitCodesAndStreams();
    void settingsFromFileAndCommandLine();
    void jsonRun();
    void textRun();
    void exportRun();
    void plotRun();

private:
    QString writeFile(const QString &name, const QByteArray &bytes) const;
    // An acquisition folder <folder>/<name>.d with method (Ti48 -> 64 and Sr88), sample record
    // and export; the export.
    QString writeAcquisition(const QString &folder, const ExportText &text,
                             const QDateTime &acquiredAt) const;
    // Imports one file in-process; the data store forgets it again (the result keeps the data).
    ImportResult importHere(const QString &path) const;
    void setPreferences(const QVariantMap &preferences) const;
    QString batchFolder() const;
    ToolRun runTool(const QStringList &arguments) const
    {
        return runImportTool(arguments, configHome.path());
    }

    QTemporaryDir configHome;
    QTemporaryDir work;
    std::optional<ImporterPlugins> plugins;
    QStringList diagnostics;
    // The batch of the process runs: paths in path order, and which of them fail.
    QStringList batchFiles;
    QSet<QString> failingBatchFiles;
};

void TestTesselImport::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(configHome.isValid());
    QVERIFY(work.isValid());
    // The host's identity: the plug-in's QSettings read the host's preferences.
    QCoreApplication::setOrganizationName("Tessel");
    QCoreApplication::setApplicationName("Tessel");
    QStringList problems;
    plugins = ImporterPlugins::load(TESSEL_BUILD_PLUGIN_DIR, &problems);
    QCOMPARE(problems, QStringList());
    QCOMPARE(plugins->importers().size(), 1);
    installDiagnosticHandler([this](const QString &text) { diagnostics.append(text); });

    // Eight exports in two folders, every third with an impossible date, and two files that no
    // importer takes.
    const ExportText good;
    for (int i = 0; i < 8; ++i) {
        const bool fails = i % 3 == 1;
        const ExportText text =
            good.named("f" + QByteArray::number(i))
                .stampedAt(fails ? "31/02/2020 14:24:29"
                                 : "18/11/2020 1" + QByteArray::number(9 - i) + ":24:29");
        batchFiles << writeFile(QStringLiteral("batch/%1/f%2.csv").arg(i % 2).arg(i), text.bytes());
        if (fails)
            failingBatchFiles.insert(batchFiles.last());
    }
    writeFile("batch/readme.txt", "notes");
    writeFile("batch/plain.csv", "a,b\r\n1,2\r\n");
    batchFiles.sort();
}

void TestTesselImport::init()
{
    diagnostics.clear();
}

void TestTesselImport::cleanup()
{
    QSettings().clear();
    QFile::remove(configHome.filePath("Tessel/Tessel.conf"));
    QCOMPARE(Session()->data()->rawInputs().size(), 0);
}

QString TestTesselImport::writeFile(const QString &name, const QByteArray &bytes) const
{
    return writeFileBelow(work.path(), name, bytes);
}

QString TestTesselImport::writeAcquisition(const QString &folder, const ExportText &text,
                                           const QDateTime &acquiredAt) const
{
    const QString acquisition = folder + '/' + text.acquisition + ".d/";
    writeFile(acquisition + "AcqMethod.xml",
              methodXml({{"Sr", 88, 88, "0.0100"}, {"Ti", 64, 48, "0.0300"}}));
    writeFile(acquisition + "AcqData/sample_info.xml",
              sampleInfoXml(text.batch, text.acquisition, acquiredAt));
    return writeFile(acquisition + text.acquisition + ".csv", text.bytes());
}

ImportResult TestTesselImport::importHere(const QString &path) const
{
    const ImportResult imported = importFile(*plugins, path, {});
    Session()->data()->forgetFile(path);
    return imported;
}

void TestTesselImport::setPreferences(const QVariantMap &preferences) const
{
    QSettings settings;
    for (auto it = preferences.cbegin(); it != preferences.cend(); ++it)
        settings.setValue(it.key(), it.value());
}

QString TestTesselImport::batchFolder() const
{
    return work.filePath("batch");
}

// ---------------------------------------------------------------------------------------------
// The command line

void TestTesselImport::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected"); // describe() of the options, or the usage error

    const QString jobs = QString::number(QThread::idealThreadCount());
    const auto accepted = [&](const QString &text) { return QString(text).replace("$J", jobs); };
    QTest::newRow("paths, defaults")
        << QStringList{"a.csv", "b"} << accepted("import [a.csv,b] jobs $J");
    QTest::newRow("no paths") << QStringList{} << accepted("import [] jobs $J");
    QTest::newRow("json, export, plug-ins, jobs")
        << QStringList{"--json", "--export", "out", "--plugin-dir", "p", "--jobs", "3", "x"}
        << "import [x] jobs 3 json plugins p export out";
    QTest::newRow("--set splits at the first =") << QStringList{"--set", "k=a=b", "--set", "e="}
                                                 << accepted("import [] jobs $J set e=;k=a=b");
    QTest::newRow("--set of one key twice: the last counts")
        << QStringList{"--set", "k=1", "--set", "k=2"} << accepted("import [] jobs $J set k=2");
    QTest::newRow("--plot with size and format")
        << QStringList{"--plot", "pics", "--plot-size", "800x600", "--plot-format", "SVG"}
        << accepted("import [] jobs $J plot pics 800x600 svg");
    QTest::newRow("--plot=, default size")
        << QStringList{"--plot=a.png"} << accepted("import [] jobs $J plot a.png 1600x900 -");
    QTest::newRow("smallest picture") << QStringList{"--plot", "p", "--plot-size", "400x300"}
                                      << accepted("import [] jobs $J plot p 400x300 -");
    QTest::newRow("largest picture") << QStringList{"--plot", "p", "--plot-size", "10000x10000"}
                                     << accepted("import [] jobs $J plot p 10000x10000 -");
    QTest::newRow("--list-importers")
        << QStringList{"--list-importers"} << accepted("list [] jobs $J");
    QTest::newRow("--detect") << QStringList{"--detect", "f"} << accepted("detect [f] jobs $J");
    QTest::newRow("--show-settings")
        << QStringList{"--show-settings"} << accepted("settings [] jobs $J");

    const QString sizes = "--plot-size expects WIDTHxHEIGHT in pixels, from 400x300 to "
                          "10000x10000, not \"%1\"";
    QTest::newRow("unknown option")
        << QStringList{"--frobnicate"} << "Unknown option 'frobnicate'.";
    QTest::newRow("--set without =")
        << QStringList{"--set", "x"} << "--set expects KEY=VALUE, not \"x\"";
    QTest::newRow("--set with empty key")
        << QStringList{"--set", "=x"} << "--set expects KEY=VALUE, not \"=x\"";
    QTest::newRow("--jobs 0") << QStringList{"--jobs", "0"}
                              << "--jobs expects a positive whole number";
    QTest::newRow("--jobs -2") << QStringList{"--jobs", "-2"}
                               << "--jobs expects a positive whole number";
    QTest::newRow("--jobs two") << QStringList{"--jobs", "two"}
                                << "--jobs expects a positive whole number";
    QTest::newRow("--detect without files")
        << QStringList{"--detect"} << "--detect needs at least one FILE";
    QTest::newRow("two modes")
        << QStringList{"--list-importers", "--show-settings"}
        << "--list-importers, --detect and --show-settings exclude each other";
    QTest::newRow("--list-importers with a path")
        << QStringList{"--list-importers", "x.csv"} << "unexpected argument \"x.csv\"";
    QTest::newRow("--show-settings with a path")
        << QStringList{"--show-settings", "y"} << "unexpected argument \"y\"";
    QTest::newRow("picture below the smallest")
        << QStringList{"--plot", "p", "--plot-size", "399x300"} << sizes.arg("399x300");
    QTest::newRow("picture above the largest")
        << QStringList{"--plot", "p", "--plot-size", "10001x300"} << sizes.arg("10001x300");
    QTest::newRow("size without a height")
        << QStringList{"--plot", "p", "--plot-size", "800"} << sizes.arg("800");
    QTest::newRow("unknown picture format")
        << QStringList{"--plot", "p", "--plot-format", "gif"} << "--plot-format expects png or svg";
    QTest::newRow("size without --plot")
        << QStringList{"--plot-size", "800x600"} << "--plot-size and --plot-format need --plot";
    QTest::newRow("format without --plot")
        << QStringList{"--plot-format", "svg"} << "--plot-size and --plot-format need --plot";
}

void TestTesselImport::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    const ParsedOptions parsed = parseOptions(QStringList{"tessel-import"} + arguments);
    QVERIFY(parsed.answer.isEmpty());
    QCOMPARE(parsed.options ? describe(*parsed.options) : parsed.usageError, expected);
    QCOMPARE(parsed.usageError.isEmpty(), bool(parsed.options));
}

void TestTesselImport::picturesRequested_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("requested");

    QTest::newRow("--plot OUT") << QStringList{"--json", "--plot", "a.png"} << true;
    QTest::newRow("--plot=OUT") << QStringList{"--plot=pics"} << true;
    QTest::newRow("no --plot") << QStringList{"--plot-size", "800x600", "x.csv"} << false;
    QTest::newRow("--plot after --") << QStringList{"--", "--plot"} << false;
    QTest::newRow("a path that starts like it") << QStringList{"--plotter"} << false;
}

void TestTesselImport::picturesRequested()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, requested);
    QList<QByteArray> bytes{"tessel-import"};
    for (const QString &argument : arguments)
        bytes.append(argument.toUtf8());
    QVector<char *> argv;
    for (QByteArray &argument : bytes)
        argv.append(argument.data());
    QCOMPARE(::picturesRequested(int(argv.size()), argv.data()), requested);
}

// ---------------------------------------------------------------------------------------------
// Plug-ins, inputs and imports

void TestTesselImport::listAndDetect_data()
{
    QTest::addColumn<QString>("file"); // empty: --list-importers
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected"); // the report; %1 the file
    QTest::addColumn<int>("exitCode");

    QTest::newRow("list") << QString() << QByteArray()
                          << QStringLiteral(
                                 "AgilentImporter\n"
                                 "  description:    Imports data generated by agilent instruments\n"
                                 "  version:        2.0\n"
                                 "  file extension: .csv\n"
                                 "  library:        %1\n")
                          << 0;
    QTest::newRow("English export")
        << "detect.csv" << ExportText().bytes() << "%1: AgilentImporter\n"
        << 0;
    QTest::newRow("export words in a .txt file")
        << "detect.txt" << ExportText().bytes() << "%1: not recognised\n"
        << 1;
    QTest::newRow("csv that is no export")
        << "plain.csv" << QByteArray("Time,Li7\r\n0.1,2\r\n") << "%1: not recognised\n"
        << 1;
}

void TestTesselImport::listAndDetect()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QFETCH(int, exitCode);
    QString report;
    QTextStream out(&report);
    if (file.isEmpty()) {
        QCOMPARE(listImporters(*plugins, out), exitCode);
        file = plugins->importers().first().libraryPath;
    } else {
        file = writeFile("detect/" + file, bytes);
        QCOMPARE(detectImporters(*plugins, {file}, out), exitCode);
    }
    out.flush();
    QCOMPARE(report, expected.arg(file));
}

void TestTesselImport::missingPluginFolder()
{
    ToolOptions options;
    options.mode = ToolMode::ListImporters;
    options.pluginDir = work.filePath("no-plugins");
    QString report;
    QTextStream out(&report);
    QCOMPARE(::runTool(options, out), int(ExitUsage));
    QCOMPARE(report, QString());
    QCOMPARE(diagnostics, QStringList{"no plug-in folder " + options.pluginDir});

    diagnostics.clear();
    QDir().mkpath(options.pluginDir);
    QCOMPARE(::runTool(options, out), int(ExitUsage));
    QCOMPARE(diagnostics, QStringList{"no importer plug-ins in " + options.pluginDir});
}

// A folder stands for the files under it that an importer recognises, in path order; a file
// named twice is imported once.
void TestTesselImport::inputFiles()
{
    const QString folder = batchFolder();
    const QString missing = work.filePath("missing.csv");
    const QString empty = work.filePath("batch-empty");
    writeFile("batch-empty/notes.txt", "notes");
    QStringList problems;
    const QStringList files = filesToImport(
        {batchFiles.at(3), folder, folder + "/0/../1/" + QFileInfo(batchFiles.last()).fileName(),
         missing, empty},
        *plugins, &problems);
    QStringList expected = batchFiles;
    expected.move(3, 0);
    QCOMPARE(files, expected);
    QCOMPARE(problems, (QStringList{missing + ": no such file or folder",
                                    empty + ": no file there that an importer recognises"}));
}

void TestTesselImport::importedFile()
{
    const ExportText text;
    const QString path = writeFile("single/S1.csv", text.bytes());
    const ImportResult imported = importHere(path);

    QCOMPARE(imported.file, path);
    QCOMPARE(imported.importer, QStringLiteral("AgilentImporter"));
    QVERIFY(imported.ok);
    QCOMPARE(imported.sampleName.value_or("(none)"), QStringLiteral("S1.d"));
    QCOMPARE(imported.machineName, QString());
    QCOMPARE(imported.start, acquired);
    QCOMPARE(imported.rowCount, text.rowCount + 1);
    QCOMPARE(imported.sizeInBytes.value_or(0), quint64(text.bytes().size()));
    QCOMPARE(imported.intensityUnit, QStringLiteral("CPS"));
    QCOMPARE(imported.fileRecords, 1);
    QCOMPARE(imported.sampleRecords, 1);
    QCOMPARE(imported.errors, QStringList());
    QCOMPARE(imported.messages.last(), QStringLiteral("Finished loading agilent sample data"));
    QVERIFY(imported.log.isEmpty());
    QVERIFY(imported.stored);

    const QJsonObject json = importToJson(imported);
    const double startEpoch = acquired.toMSecsSinceEpoch() / 1000.0;
    const double lastTime =
        startEpoch + ExportText::generatedRow(text.rowCount - 1, 4).split(',').first().toDouble();
    const QString offset = offsetText(acquired.offsetFromUtc());
    QCOMPARE(json["startTime"].toString(), "2020-11-18T14:24:29.000" + offset);
    QCOMPARE(json["startEpoch"].toDouble(), startEpoch);
    QVERIFY(json["endTime"].toString().endsWith(offset));
    QVERIFY(qAbs(json["endEpoch"].toDouble() - (lastTime + 0.001)) < 0.0015);
    const qint64 endMilliseconds = qRound64(json["endEpoch"].toDouble() * 1000);
    QCOMPARE(json["durationSeconds"].toDouble(),
             (endMilliseconds - acquired.toMSecsSinceEpoch()) / 1000.0);
    QCOMPARE(json["sizeInBytes"].toDouble(), double(text.bytes().size()));
    const QJsonArray channels = json["channels"].toArray();
    QCOMPARE(channels.size(), 4);
    for (int i = 0; i < channels.size(); ++i) {
        QCOMPARE(channels.at(i)["name"].toString(), channelNames.at(i));
        QVERIFY(channels.at(i)["massPair"].isNull());
        QVERIFY(channels.at(i)["dwellTimeSeconds"].isNull());
    }
}

void TestTesselImport::acquisitionFolder_data()
{
    QTest::addColumn<QVariantMap>("preferences");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("labelField");

    QTest::newRow("label from the sample name") << QVariantMap() << "Glass A"
                                                << "Sample Name";
    QTest::newRow("label from the comment")
        << QVariantMap{{"agilentXMLLabelField", "Use Comment Field"}} << "second spot"
        << "Comment";
}

// What the acquisition folder adds reaches the result and its JSON, channels in the header's
// order with the method's masses and dwell times.
void TestTesselImport::acquisitionFolder()
{
    QFETCH(QVariantMap, preferences);
    QFETCH(QString, label);
    QFETCH(QString, labelField);
    setPreferences(preferences);
    const QString path = writeAcquisition("acq", msmsExport.named("Run1"), acquired);

    const ImportResult imported = importHere(path);
    QVERIFY(imported.ok);
    QCOMPARE(imported.sampleName.value_or(QString()), label);
    QCOMPARE(imported.machineName, QStringLiteral("Agilent G8900 X1"));
    QVERIFY(imported.acquisitionFolder);
    const QJsonObject json = importToJson(imported);
    const QJsonObject folder = json["acquisitionFolder"].toObject();
    QCOMPARE(folder["instrumentName"].toString(), QStringLiteral("Agilent G8900 X1"));
    QCOMPARE(folder["sampleLabel"].toString(), label);
    QCOMPARE(folder["sampleLabelField"].toString(), labelField);
    QCOMPARE(folder["methodFile"].toString(), QFileInfo(path).path() + "/AcqMethod.xml");
    QCOMPARE(folder["sampleRecordFile"].toString(),
             QFileInfo(path).path() + "/AcqData/sample_info.xml");
    QCOMPARE(folder["acquisitionInstant"].toString(), isoTimeText(acquired.toUTC()));
    QVERIFY(folder["acquisitionResult"].isNull());
    const QJsonArray channels = json["channels"].toArray();
    QCOMPARE(channels.size(), 2);
    QCOMPARE(channels.at(0)["name"].toString(), QStringLiteral("Ti48"));
    QCOMPARE(channels.at(0)["massPair"].toArray(), (QJsonArray{"48", "64"}));
    QCOMPARE(channels.at(0)["dwellTimeSeconds"].toDouble(), 0.03);
    QCOMPARE(channels.at(1)["name"].toString(), QStringLiteral("Sr88"));
    QCOMPARE(channels.at(1)["massPair"].toArray(), (QJsonArray{"88", "88"}));
    QCOMPARE(channels.at(1)["dwellTimeSeconds"].toDouble(), 0.01);
}

// A batch whose method and log lie at batch level: the result says which files served, and the
// overview names the log's acquisitions that have no export among the inputs or did not pass.
void TestTesselImport::batchFolderAndItsLog()
{
    writeFile("lab/day1.b/Method/AcqMethod.xml",
              methodXml({{"Ti", 64, 48, "0.03"}, {"Sr", 88, 88, "0.01"}}));
    writeFile("lab/day1.b/BatchLog.csv", batchLogCsv("day1", {{"Run1", "Glass A", "Pass"},
                                                              {"Run2", "Glass B", "Fail"},
                                                              {"Run3", "Glass C", "Pass"},
                                                              {"Run4", "", ""}}));
    ExportText text = msmsExport.named("Run1").inBatch("day1");
    text.unit = "Counts";
    const QString path = writeFile("lab/day1.b/Run1.d/Run1.csv", text.bytes());

    const ImportResult imported = importHere(path);
    QCOMPARE(imported.intensityUnit, QStringLiteral("Counts"));
    QCOMPARE(imported.sampleName.value_or(QString()), QStringLiteral("Glass A"));
    QVERIFY(imported.acquisitionFolder);
    QCOMPARE(imported.acquisitionFolder->methodFile,
             work.filePath("lab/day1.b/Method/AcqMethod.xml"));
    QCOMPARE(imported.acquisitionFolder->sampleRecordFile,
             work.filePath("lab/day1.b/BatchLog.csv"));
    QCOMPARE(imported.acquisitionFolder->instrumentFile, QString());
    QCOMPARE(imported.acquisitionFolder->acquisitionResult, QStringLiteral("Pass"));
    QCOMPARE(imported.acquisitionFolder->acquisitionInstant, acquired);
    QVERIFY(imported.batchLog);
    QCOMPARE(imported.batchLog->file, work.filePath("lab/day1.b/BatchLog.csv"));

    BatchOverview overview;
    overview.add(imported);
    QVERIFY(overview.hasBatchLogs());
    const QJsonObject batch = overview.toJson()["batches"].toArray().at(0).toObject();
    QCOMPARE(batch["batchFolder"].toString(), work.filePath("lab/day1.b"));
    QCOMPARE(batch["acquisitionCount"].toInt(), 4);
    QCOMPARE(batch["withoutExport"].toArray().size(), 3);
    QCOMPARE(batch["notPassed"].toArray().size(), 2);

    QString report;
    QTextStream out(&report);
    writeTextReport(imported, out);
    out.flush();
    QVERIFY2(report.contains("  Unit:       Counts\n"), qPrintable(report));
    QVERIFY2(
        report.contains("    sample record: " + work.filePath("lab/day1.b/BatchLog.csv") + '\n'),
        qPrintable(report));
    QVERIFY2(report.contains("(result: Pass)\n"), qPrintable(report));
    QVERIFY2(report.contains("  Warning:    The file \"" + path + "\" holds counts per dwell time"),
             qPrintable(report));
}

void TestTesselImport::failingFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("importer");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("diagnostic");

    QTest::newRow("impossible date in the stamp")
        << ExportText().stampedAt("31/02/2020 14:24:29").bytes() << "AgilentImporter"
        << "impossible or invalid time stamp"
        << "%1: the import stored no data";
    QTest::newRow("no channel header")
        << ExportText().withHeader("Zeit,Li7,Na23").bytes() << "AgilentImporter"
        << "channel header"
        << "%1: the import stored no data";
    QTest::newRow("not an export") << QByteArray("a,b\r\n1,2\r\n") << QString() << QString()
                                   << "%1: not recognised by any importer";
}

// A file that fails is reported with its cause, the files after it are imported, and the run
// ends with exit code 1.
void TestTesselImport::failingFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, importer);
    QFETCH(QString, warning);
    QFETCH(QString, diagnostic);
    const QString bad = writeFile("failing/bad.csv", bytes);
    const QString good = writeFile("failing/good.csv", ExportText().bytes());

    QString report;
    QTextStream out(&report);
    ToolOptions options;
    options.json = true;
    ImportReporter reporter(out, options, std::nullopt);
    reporter.report(importHere(bad));
    reporter.report(importHere(good));
    QCOMPARE(reporter.finish(false), int(ExitFailure));
    QCOMPARE(diagnostics, QStringList{diagnostic.arg(bad)});

    const QJsonArray files = QJsonDocument::fromJson(report.toUtf8())["files"].toArray();
    QCOMPARE(files.size(), 2);
    const QJsonObject json = files.at(0).toObject();
    QCOMPARE(json["ok"].toBool(), false);
    QCOMPARE(json["importer"].toString(), importer);
    QCOMPARE(json["importer"].isNull(), importer.isEmpty());
    QCOMPARE(json["rowCount"].toInt(), 0);
    const QJsonArray log = json["log"].toArray();
    QCOMPARE(log.size(), warning.isEmpty() ? 0 : 1);
    if (!warning.isEmpty()) {
        QCOMPARE(log.at(0)["level"].toString(), QStringLiteral("warning"));
        QVERIFY(log.at(0)["message"].toString().contains(warning));
        QVERIFY(log.at(0)["message"].toString().contains(bad));
    }
    QCOMPARE(files.at(1)["ok"].toBool(), true);
}

// Each output holds one input's data: a second input whose export or picture would land on the
// same path is refused, as is an output that cannot be written, and the run ends with code 1.
void TestTesselImport::outputsOfOneRun()
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
    QString error;
    const std::optional<PlotTarget> plots = PlotTarget::resolve(options, 3, &error);
    QVERIFY(plots);

    QString report;
    QTextStream out(&report);
    ImportReporter reporter(out, options, plots);
    for (const QString &file : {first, second, third})
        reporter.report(importHere(file));
    QCOMPARE(reporter.finish(false), int(ExitFailure));
    const QString exported = options.exportDir + "/Run.csv";
    const QString picture = options.plotTarget + "/Run.png";
    QCOMPARE(diagnostics.mid(0, 2), (QStringList{second + ": not exported, " + exported +
                                                     " already holds another file's output",
                                                 second + ": no picture drawn, " + picture +
                                                     " already holds another file's output"}));
    QCOMPARE(diagnostics.size(), 3);
    QVERIFY2(diagnostics.at(2).startsWith("cannot write " + options.exportDir + "/Other.csv: "),
             qPrintable(diagnostics.at(2)));
    QFile file(exported);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().count('\n'), ExportText().rowCount + 1);
    QCOMPARE(QDir(options.plotTarget).entryList(QDir::Files),
             (QStringList{"Other.png", "Run.png"}));

    // Without a problem, the run ends with code 0; problems before the imports make it 1.
    ImportReporter clean(out, ToolOptions(), std::nullopt);
    clean.report(importHere(first));
    QCOMPARE(clean.finish(false), int(ExitSuccess));
    QCOMPARE(ImportReporter(out, ToolOptions(), std::nullopt).finish(true), int(ExitFailure));
}

void TestTesselImport::batchDriver_data()
{
    QTest::addColumn<int>("jobs");

    QTest::newRow("one by one") << 1;
    QTest::newRow("four at once") << 4;
    QTest::newRow("more jobs than files") << 20;
}

// Results arrive in input order on the calling thread, each with its own log entries, and the
// data store forgets each file once it is reported.
void TestTesselImport::batchDriver()
{
    QFETCH(int, jobs);
    QStringList problems;
    const QStringList files = filesToImport({batchFolder()}, *plugins, &problems);
    QCOMPARE(files, batchFiles);
    ProgressBar bar;
    QStringList reported;
    QStringList wrongThread;
    QStringList storedWhenReported;
    QStringList keptAfterReport;
    importFiles(*plugins, files, jobs, &bar, [&](const ImportResult &result) {
        if (QThread::currentThread() != thread())
            wrongThread << result.file;
        if (!Session()->data()->rawInputFor(result.file).isNull())
            storedWhenReported << result.file;
        for (const QString &earlier : qAsConst(reported)) {
            if (!Session()->data()->rawInputFor(earlier).isNull())
                keptAfterReport << earlier;
        }
        const bool bad = failingBatchFiles.contains(result.file);
        const bool ownLog =
            bad ? result.log.size() == 1 && result.log.at(0).message.contains(result.file)
                : result.log.isEmpty();
        reported << result.file + (result.ok == !bad && ownLog ? "" : " (wrong result)");
    });
    QCOMPARE(reported, batchFiles);
    QCOMPARE(wrongThread, QStringList());
    QStringList goodFiles = batchFiles;
    goodFiles.erase(
        std::remove_if(goodFiles.begin(), goodFiles.end(),
                       [&](const QString &file) { return failingBatchFiles.contains(file); }),
        goodFiles.end());
    QCOMPARE(storedWhenReported, goodFiles);
    QCOMPARE(keptAfterReport, QStringList());
    QCOMPARE(Session()->data()->rawInputs().size(), 0);
    QCOMPARE(Session()->data()->files().size(), 0);
}

void TestTesselImport::startTimeCrossCheck_data()
{
    QTest::addColumn<QByteArray>("stamp");
    QTest::addColumn<QDateTime>("acquiredAt"); // the local time AcqTime stands for
    QTest::addColumn<int>("zoneHours");        // how far the instrument's zone shifts AcqTime
    QTest::addColumn<QVariantMap>("preferences");
    QTest::addColumn<QString>("suggested"); // null: no warning

    const QByteArray swapped = "09/02/2026 14:24:29";
    const QDateTime september(QDate(2026, 9, 2), QTime(14, 24, 29));
    const QString monthFirst = "MM dd yyyy hh mm ss";
    const QString timeLine = "agilentTimeLineOption";
    QTest::newRow("day and month swapped")
        << swapped << september << 0 << QVariantMap() << monthFirst;
    QTest::newRow("day and month swapped, instrument 5 h ahead")
        << swapped << september << -5 << QVariantMap() << monthFirst;
    QTest::newRow("day and month swapped, read from Printed")
        << swapped << september << 0 << QVariantMap{{timeLine, "Use 'Printed' Time"}} << monthFirst;
    QTest::newRow("month-first preference, day-first stamp")
        << swapped << QDateTime(QDate(2026, 2, 9), QTime(14, 24, 29)) << 0
        << QVariantMap{{"agilentDateFormat", monthFirst}} << "dd MM yyyy hh mm ss";
    QTest::newRow("swapped, but start taken from AcqTime")
        << swapped << september << 0 << QVariantMap{{timeLine, "Use XML Time"}} << QString();

    const QByteArray november = "18/11/2020 14:24:29";
    QTest::newRow("same time") << november << acquired << 0 << QVariantMap() << QString();
    QTest::newRow("time zone 9 h behind")
        << november << acquired << 9 << QVariantMap() << QString();
    QTest::newRow("23 h apart, day 18 cannot be a month")
        << november << acquired << -23 << QVariantMap() << QString();
    QTest::newRow("months apart, swapping does not give AcqTime")
        << QByteArray("05/03/2020 10:00:00") << QDateTime(QDate(2020, 6, 5), QTime(10, 0)) << 0
        << QVariantMap() << QString();
}

// The importer's finding reaches the JSON report, stderr and the overview; the tool adds no rule
// of its own.
void TestTesselImport::startTimeCrossCheck()
{
    QFETCH(QByteArray, stamp);
    QFETCH(QDateTime, acquiredAt);
    QFETCH(int, zoneHours);
    QFETCH(QVariantMap, preferences);
    QFETCH(QString, suggested);
    setPreferences(preferences);
    const QDateTime acqTime = acquiredAt.addSecs(zoneHours * 3600);
    const QString path = writeAcquisition(QStringLiteral("check/%1").arg(QTest::currentDataTag()),
                                          msmsExport.named("Run").stampedAt(stamp), acqTime);

    QString report;
    QTextStream out(&report);
    ToolOptions options;
    options.json = true;
    ImportReporter reporter(out, options, std::nullopt);
    reporter.report(importHere(path));
    QCOMPARE(reporter.finish(false), int(ExitSuccess));
    const QJsonObject document = QJsonDocument::fromJson(report.toUtf8()).object();
    const QJsonObject json = document["files"].toArray().at(0).toObject();
    const QJsonArray warnings = json["warnings"].toArray();
    QCOMPARE(warnings.size(), suggested.isNull() ? 0 : 1);
    QCOMPARE(diagnostics.size(), suggested.isNull() ? 0 : 1);
    QCOMPARE(document["overview"]["files"][0]["status"].toString(),
             suggested.isNull() ? "ok" : "ok, check the date");
    if (suggested.isNull())
        return;
    const QJsonObject warning = warnings.at(0).toObject();
    const QString message = warning["message"].toString();
    QCOMPARE(warning["kind"].toString(), QStringLiteral("startTimeMismatch"));
    QCOMPARE(warning["exportStart"], json["startTime"]);
    QCOMPARE(QDateTime::fromString(warning["acquisitionTime"].toString(), Qt::ISODateWithMs),
             acqTime);
    QCOMPARE(
        QDateTime::fromString(warning["swappedStart"].toString(), Qt::ISODateWithMs).date().month(),
        QDateTime::fromString(json["startTime"].toString(), Qt::ISODateWithMs).date().day());
    QCOMPARE(warning["preference"].toString(), QStringLiteral("agilentDateFormat"));
    QCOMPARE(warning["currentValue"].toString(),
             preferences.value("agilentDateFormat", "dd MM yyyy hh mm ss").toString());
    QCOMPARE(warning["suggestedValue"].toString(), suggested);
    QVERIFY2(message.contains(QStringLiteral("\"%1\"").arg(suggested)), qPrintable(message));
    QCOMPARE(diagnostics, QStringList{path + ": " + message});
}

// ---------------------------------------------------------------------------------------------
// Reports

void TestTesselImport::isoTime_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("text");

    const QDate date(2020, 11, 18);
    const QTime time(14, 24, 29, 7);
    QTest::newRow("UTC") << QDateTime(date, time, Qt::UTC) << "2020-11-18T14:24:29.007+00:00";
    QTest::newRow("one hour east")
        << QDateTime(date, time, Qt::OffsetFromUTC, 3600) << "2020-11-18T14:24:29.007+01:00";
    QTest::newRow("5:45 east") << QDateTime(date, time, Qt::OffsetFromUTC, 20700)
                               << "2020-11-18T14:24:29.007+05:45";
    QTest::newRow("3:30 west") << QDateTime(date, time, Qt::OffsetFromUTC, -12600)
                               << "2020-11-18T14:24:29.007-03:30";
    QTest::newRow("local time") << QDateTime(date, time)
                                << "2020-11-18T14:24:29.007" +
                                       offsetText(QDateTime(date, time).offsetFromUtc());
}

void TestTesselImport::isoTime()
{
    QFETCH(QDateTime, time);
    QFETCH(QString, text);
    QCOMPARE(isoTimeText(time), text);
}

void TestTesselImport::textReport_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<QString>("expected");

    const QString start = isoTimeText(acquired);
    const QString end = isoTimeText(acquired.addMSecs(3951));
    QTest::newRow("not recognised") << 0 << "/d/x.csv\n  Not recognised by any importer\n\n";
    QTest::newRow("failed, with errors and warnings")
        << 1
        << "/d/x.csv\n  Importer:   AgilentImporter\n  Sample:     (none)\n  Machine:    (none)\n"
           "  Start:      (invalid)\n  End:        (invalid)\n  Duration:   (not announced)\n"
           "  Rows:       0\n  Unit:       (none)\n  Channels:   0\n  Data store: nothing stored\n"
           "  Error:      A problem occurred.\n  Warning:    bad stamp [here]\n"
           "  Warning:    no origin\n\n";
    QTest::newRow("stored, with channels and an acquisition folder")
        << 2
        << "/d/x.csv\n  Importer:   AgilentImporter\n  Sample:     Glass A\n  Machine:    G8900\n"
           "  Start:      " +
               start + "\n  End:        " + end +
               "\n  Duration:   3.951 s\n"
               "  Rows:       41\n  Unit:       CPS\n  Channels:   2\n"
               "    Ti48  mass 48 -> 64  dwell 0.03 s\n    Sr88\n"
               "  Acquisition folder:\n    instrument:    G8900 (from /d/Devices.xml)\n"
               "    sample label:  (none) (from the \"Comment\" field)\n"
               "    acquired:      " +
               start +
               " (result: Pass)\n    method:        /d/AcqMethod.xml\n"
               "    sample record: /d/BatchLog.csv\n"
               "  Data store: stored (1 imported-file record(s), 2 sample record(s))\n\n";
}

void TestTesselImport::textReport()
{
    QFETCH(int, variant);
    QFETCH(QString, expected);
    ImportResult reported = variant == 2 ? result("/d/x.csv", "Glass A", acquired, 3.951, 41, 0)
                                         : failed("/d/x.csv", variant == 1);
    reported.errors = QStringList{"A problem occurred."};
    reported.log = {{LogEntry::Warning, "bad stamp", "here", {}},
                    {LogEntry::Debug, "quiet", QString(), {}},
                    {LogEntry::Warning, "no origin", QString(), {}}};
    if (variant == 2) {
        reported.errors.clear();
        reported.log.clear();
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
void TestTesselImport::jsonOfImport()
{
    const QJsonObject missing = importToJson(failed("/d/x.csv", false));
    for (const char *key :
         {"importer", "sampleName", "machineName", "startTime", "endTime", "startEpoch", "endEpoch",
          "durationSeconds", "sizeInBytes", "intensityUnit", "acquisitionFolder"})
        QVERIFY2(missing[QLatin1String(key)].isNull(), key);
    QCOMPARE(missing["ok"], QJsonValue(false));
    QCOMPARE(missing["warnings"], QJsonValue(QJsonArray()));
    QCOMPARE(missing.keys().size(), 19);

    ImportResult found = result(
        "/d/x.csv", "", QDateTime(QDate(2020, 11, 18), QTime(14, 24, 29, 250), Qt::UTC), 2.5, 3, 1);
    found.sizeInBytes = 1234;
    found.log = {{LogEntry::Debug, "read", "origin", {}}};
    found.acquisitionFolder =
        AcquisitionFolderReport{"I", "L", "F", "/m", "/s", "", QDateTime(), ""};
    const QDateTime swappedStart = found.start.addMonths(2);
    found.dayMonthWarning =
        DayMonthWarning{"check",         found.start, swappedStart, swappedStart.addSecs(60),
                        "thePreference", "dd MM",     "MM dd"};
    const QJsonObject json = importToJson(found);
    QCOMPARE(json["sampleName"], QJsonValue(""));
    QCOMPARE(json["machineName"], QJsonValue(""));
    QCOMPARE(json["startEpoch"].toDouble(), 1605709469.25);
    QCOMPARE(json["endEpoch"].toDouble(), 1605709471.75);
    QCOMPARE(json["sizeInBytes"].toDouble(), 1234.0);
    QCOMPARE(json["log"], QJsonValue(QJsonArray{QJsonObject{
                              {"level", "debug"}, {"message", "read"}, {"origin", "origin"}}}));
    const QJsonObject folder = json["acquisitionFolder"].toObject();
    QVERIFY(folder["instrumentFile"].isNull());
    QVERIFY(folder["acquisitionInstant"].isNull());
    QVERIFY(folder["acquisitionResult"].isNull());
    QCOMPARE(folder["methodFile"].toString(), QStringLiteral("/m"));
    QCOMPARE(
        json["warnings"],
        QJsonValue(QJsonArray{QJsonObject{{"kind", "startTimeMismatch"},
                                          {"message", "check"},
                                          {"exportStart", "2020-11-18T14:24:29.250+00:00"},
                                          {"acquisitionTime", "2021-01-18T14:25:29.250+00:00"},
                                          {"preference", "thePreference"},
                                          {"currentValue", "dd MM"},
                                          {"suggestedValue", "MM dd"},
                                          {"swappedStart", "2021-01-18T14:24:29.250+00:00"}}}));
}

void TestTesselImport::jsonDocument_data()
{
    QTest::addColumn<int>("fileCount");

    QTest::newRow("no file") << 0;
    QTest::newRow("one file") << 1;
    QTest::newRow("three files") << 3;
}

// The document written one file at a time is the document QJsonDocument writes whole.
void TestTesselImport::jsonDocument()
{
    QFETCH(int, fileCount);
    QJsonArray files;
    for (int i = 0; i < fileCount; ++i)
        files.append(
            importToJson(result(QStringLiteral("/d/%1.csv").arg(i), "S\u00e9", acquired, i, 2, 2)));
    const QJsonObject overview{{"files", QJsonArray{QJsonObject{{"a", 1}}}},
                               {"totals", QJsonObject{{"b", "c"}}}};

    QString written;
    QTextStream out(&written);
    JsonDocumentWriter writer(out);
    for (const QJsonValue &file : qAsConst(files))
        writer.addFile(file.toObject());
    writer.finish(overview);
    out.flush();
    const QByteArray whole = QJsonDocument(QJsonObject{{"files", files}, {"overview", overview}})
                                 .toJson(QJsonDocument::Indented);
    QCOMPARE(written.toUtf8(), whole);
}

// Files in order of acquisition (those without a valid start last, in path order) whatever order
// they arrive in; rows and duration count the files that reached the store.
void TestTesselImport::overviewOrderAndTotals()
{
    BatchOverview overview;
    const QString folder = work.filePath("ov/");
    overview.add(result(folder + "a.csv", "A", acquired.addSecs(3600), 10.5, 100, 3));
    overview.add(result(folder + "b.csv", "B", acquired.addSecs(-3600), 20.0, 200, 3));
    overview.add(failed(folder + "e.csv", true));
    overview.add(failed(folder + "c.csv", false));
    overview.add(result(folder + "d.csv", "D", acquired.addDays(-1), 1.25, 50, 2));
    ImportResult checked = result(folder + "f.csv", "F", acquired, 2.0, 10, 1);
    checked.dayMonthWarning = DayMonthWarning();
    overview.add(checked);
    ImportResult sameStart = result(folder + "0.csv", "G", acquired, 0.0, 1, 1);
    overview.add(sameStart);
    QCOMPARE(overview.fileCount(), 7);
    QVERIFY(!overview.hasBatchLogs());

    const QJsonObject json = overview.toJson();
    QStringList order;
    QStringList statuses;
    for (const QJsonValue &line : json["files"].toArray()) {
        order << QFileInfo(line["file"].toString()).fileName();
        statuses << line["status"].toString();
    }
    QCOMPARE(order, (QStringList{"d.csv", "b.csv", "f.csv", "0.csv", "a.csv", "c.csv", "e.csv"}));
    QCOMPARE(statuses, (QStringList{"ok", "ok", "ok, check the date", "ok", "ok", "not recognised",
                                    "failed"}));
    QCOMPARE(json["totals"], QJsonValue(QJsonObject{{"files", 7},
                                                    {"ok", 5},
                                                    {"failed", 2},
                                                    {"rowCount", 361},
                                                    {"durationSeconds", 33.75}}));
    QCOMPARE(json["batches"], QJsonValue(QJsonArray()));
    const QJsonObject first = json["files"].toArray().at(0).toObject();
    QCOMPARE(first, (QJsonObject{{"file", folder + "d.csv"},
                                 {"sampleName", "D"},
                                 {"startTime", isoTimeText(acquired.addDays(-1))},
                                 {"durationSeconds", 1.25},
                                 {"rowCount", 50},
                                 {"channelCount", 2},
                                 {"status", "ok"}}));
    const QJsonObject last = json["files"].toArray().at(6).toObject();
    QVERIFY(last["sampleName"].isNull());
    QVERIFY(last["startTime"].isNull());
    QVERIFY(last["durationSeconds"].isNull());
}

// The table names files from the folder they share, aligns its columns (numbers to the right)
// and ends with the totals and each batch's findings.
void TestTesselImport::overviewText()
{
    const QString folder = work.filePath("lab/day1.b");
    for (const char *acquisition : {"/Run1.d", "/Run2.d", "/Run3.d"})
        QDir().mkpath(folder + acquisition);
    BatchOverview overview;
    ImportResult first =
        result(folder + "/Run3.d/Run3.csv", "Glass C", acquired.addSecs(60), 102.44, 2001, 10);
    first.batchLog = BatchLogReport{folder + "/BatchLog.csv",
                                    {{"Run3.d", "Glass C", "Pass"}, {"Run2.d", "", ""}}};
    overview.add(first);
    overview.add(result(folder + "/Run1.d/Run1.csv", "", acquired, 42.56, 301, 6));
    overview.add(failed(folder + "/Run2.d/x.csv", true));
    QVERIFY(overview.hasBatchLogs());
    const QString start = isoTimeText(acquired);
    const QString later = isoTimeText(acquired.addSecs(60));
    const QString blank(start.size() - 1, ' ');

    QString report;
    QTextStream out(&report);
    overview.writeText(out);
    out.flush();
    QCOMPARE(report, "Batch overview, in order of acquisition (files under " + folder +
                         "):\n"
                         "  file             sample   start" +
                         QString(start.size() - 5, ' ') +
                         "  duration  rows  channels  status\n"
                         "  Run1.d/Run1.csv  -        " +
                         start +
                         "    42.6 s   301         6  ok\n"
                         "  Run3.d/Run3.csv  Glass C  " +
                         later +
                         "   102.4 s  2001        10  ok\n"
                         "  Run2.d/x.csv     -        -" +
                         blank +
                         "         -     0         0  failed\n"
                         "  Total: 3 files (2 ok, 1 failed), 2302 rows, 145.0 s\n"
                         "Batch " +
                         folder + " (log " + folder +
                         "/BatchLog.csv, 2 acquisitions):\n"
                         "  without an export among the inputs: none\n"
                         "  result other than \"Pass\": Run2.d: no result\n");
}

void TestTesselImport::batchFindings_data()
{
    QTest::addColumn<QStringList>("exported"); // the inputs' acquisition folders
    QTest::addColumn<QString>("withoutExport");
    QTest::addColumn<QString>("notPassed");

    QTest::newRow("all exported, one failed") << QStringList{"A.d", "B.d", "C.d"} << "none"
                                              << "B.d (sample Glass B): Fail, C.d: no result";
    QTest::newRow("two without an export")
        << QStringList{"A.d"} << "B.d (sample Glass B): Fail, C.d: no result"
        << "B.d (sample Glass B): Fail, C.d: no result";
    QTest::newRow("folder names match in any case") << QStringList{"a.D", "b.d", "C.D"} << "none"
                                                    << "B.d (sample Glass B): Fail, C.d: no result";
}

void TestTesselImport::batchFindings()
{
    QFETCH(QStringList, exported);
    QFETCH(QString, withoutExport);
    QFETCH(QString, notPassed);
    const QString batch =
        work.filePath(QStringLiteral("findings/%1.b").arg(QTest::currentDataTag()));
    BatchOverview overview;
    for (const QString &acquisition : exported) {
        QDir().mkpath(batch + '/' + acquisition);
        ImportResult imported = result(batch + '/' + acquisition + "/x.csv", "", acquired, 1, 1, 1);
        imported.batchLog = BatchLogReport{
            batch + "/BatchLog.csv",
            {{"A.d", "Glass A", "Pass"}, {"B.d", "Glass B", "Fail"}, {"C.d", "", ""}}};
        overview.add(imported);
    }
    QString report;
    QTextStream out(&report);
    overview.writeText(out);
    out.flush();
    const QString findings = report.mid(report.indexOf("\nBatch ") + 1);
    QCOMPARE(findings, "Batch " + batch + " (log " + batch +
                           "/BatchLog.csv, 3 acquisitions):\n"
                           "  without an export among the inputs: " +
                           withoutExport +
                           "\n"
                           "  result other than \"Pass\": " +
                           notPassed + '\n');
    const QJsonObject json = overview.toJson()["batches"].toArray().at(0).toObject();
    QCOMPARE(json["batchFolder"].toString(), batch);
    QCOMPARE(json["batchLog"].toString(), batch + "/BatchLog.csv");
    QCOMPARE(json["acquisitionCount"].toInt(), 3);
    QCOMPARE(
        json["notPassed"],
        QJsonValue(QJsonArray{
            QJsonObject{{"acquisition", "B.d"}, {"sampleName", "Glass B"}, {"result", "Fail"}},
            QJsonObject{{"acquisition", "C.d"}, {"sampleName", ""}, {"result", QJsonValue()}}}));
    QCOMPARE(json["withoutExport"].toArray().size(), withoutExport == "none" ? 0 : 2);
}

void TestTesselImport::exportTable_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("channels");

    QTest::newRow("no data row") << 0 << 2;
    QTest::newRow("one row, no channel") << 1 << 0;
    QTest::newRow("small table") << 40 << 3;
    // More than two blocks of rows: the export formats them on two threads.
    QTest::newRow("several blocks") << 100000 << 2;
}

// Every number reads back as the same double; the header names the channels; the terminating
// row is left out.
void TestTesselImport::exportTable()
{
    QFETCH(int, rows);
    QFETCH(int, channels);
    QRandomGenerator random(uint(rows * 31 + channels));
    QVector<double> time;
    QVector<QVector<double>> values(channels);
    for (int row = 0; row < rows; ++row) {
        time.append(1.6e9 + row * 0.1 + random.generateDouble() * 0.01);
        for (int c = 0; c < channels; ++c)
            values[c].append(
                row < 6
                    ? QVector<double>{0.0, 1e300, -2.5e-300, 123456789012345678.0, 0.001, 7.0}.at(
                          row)
                    : randomValue(random));
    }
    const QSharedPointer<RawInput> input = storedTable(time, values);
    const QString target =
        work.filePath(QStringLiteral("exported/%1/table.csv").arg(QTest::currentDataTag()));
    QString error;
    QVERIFY2(exportCsv(*input, target, &error), qPrintable(error));

    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(),
             rows + 2); // the header, the rows, the empty piece after the last line end
    QCOMPARE(lines.first(), (QStringList{"time"} + input->channelNames).join(',').toUtf8());
    QVERIFY(lines.last().isEmpty());
    for (int row = 0; row < rows; ++row) {
        const QList<QByteArray> fields = lines.at(row + 1).split(',');
        QCOMPARE(fields.size(), channels + 1);
        QVERIFY2(bitEqual(fields.at(0).toDouble(), time.at(row)), fields.at(0));
        for (int c = 0; c < channels; ++c) {
            const double value = values.at(c).at(row);
            bool isNumber = false;
            QVERIFY2(bitEqual(fields.at(c + 1).toDouble(&isNumber), value) && isNumber,
                     fields.at(c + 1));
            QVERIFY2(fields.at(c + 1).size() <= shortestText(value).size(), fields.at(c + 1));
        }
    }
}

// The export's file is named after the input; the stored data must hold every listed channel.
void TestTesselImport::exportPathAndRefusals()
{
    QCOMPARE(exportPath("/out", "/in/table/Run.7.csv"), QStringLiteral("/out/Run.7.csv"));
    QCOMPARE(exportPath("out/", "Run"), QStringLiteral("out/Run.csv"));

    QSharedPointer<RawInput> input = storedTable({1.0}, {{2.0}});
    input->channelNames.append("Lost");
    QString error;
    QVERIFY(!exportCsv(*input, work.filePath("refused/a.csv"), &error));
    QCOMPARE(error, QStringLiteral("the stored data lack the channel Lost"));
    QVERIFY(!QFileInfo::exists(work.filePath("refused")));
    const QString blocked = writeFile("blocked", "a file, not a folder");
    QVERIFY(!exportCsv(*storedTable({1.0}, {{2.0}}), blocked + "/a.csv", &error));
    QVERIFY2(error.startsWith("cannot write " + blocked + "/a.csv: "), qPrintable(error));
}

// ---------------------------------------------------------------------------------------------
// The plot

void TestTesselImport::decadeRange_data()
{
    QTest::addColumn<QVector<QVector<double>>>("columns");
    QTest::addColumn<int>("lowest");
    QTest::addColumn<int>("highest");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    using Columns = QVector<QVector<double>>;
    QTest::newRow("counts from 200 to 8e5") << Columns{{200, 8e5}} << 2 << 6;
    QTest::newRow("a zero adds the decade below") << Columns{{0, 200, 8e5}} << 1 << 6;
    QTest::newRow("a negative count like a zero") << Columns{{200, -5}} << 1 << 3;
    QTest::newRow("whole decades") << Columns{{100, 1000}} << 2 << 3;
    QTest::newRow("one value") << Columns{{100}} << 2 << 3;
    QTest::newRow("over all columns") << Columns{{10}, {1e4}} << 1 << 4;
    QTest::newRow("values that are not finite are left out")
        << Columns{{nan, infinity, 50}} << 1 << 2;
    QTest::newRow("no positive value") << Columns{{0, -1}} << 0 << 1;
    QTest::newRow("no value") << Columns{{}} << 0 << 1;
    QTest::newRow("the top twelve decades") << Columns{{1e-3, 1e12}} << 0 << 12;
}

void TestTesselImport::decadeRange()
{
    QFETCH(QVector<QVector<double>>, columns);
    QFETCH(int, lowest);
    QFETCH(int, highest);
    QVector<Column> held;
    for (const QVector<double> &values : qAsConst(columns))
        held.append(columnOf(values));
    QVector<const Column *> pointers;
    for (const Column &column : qAsConst(held))
        pointers.append(&column);
    const DecadeRange range = decadeRangeOf(pointers);
    QCOMPARE(range.lowest, lowest);
    QCOMPARE(range.highest, highest);
}

void TestTesselImport::ticks_data()
{
    QTest::addColumn<double>("extent");
    QTest::addColumn<int>("wanted");
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("decimals");

    QTest::newRow("102.4 s in 10") << 102.4 << 10 << 20.0 << 0;
    QTest::newRow("10 s in 5") << 10.0 << 5 << 2.0 << 0;
    QTest::newRow("7 s in 3") << 7.0 << 3 << 5.0 << 0;
    QTest::newRow("95 s in 10") << 95.0 << 10 << 10.0 << 0;
    QTest::newRow("1 s in 10") << 1.0 << 10 << 0.1 << 1;
    QTest::newRow("0.05 s in 4") << 0.05 << 4 << 0.02 << 2;
    QTest::newRow("340000 s in 14") << 340000.0 << 14 << 50000.0 << 0;
    QTest::newRow("no extent") << 0.0 << 5 << 1.0 << 0;
}

void TestTesselImport::ticks()
{
    QFETCH(double, extent);
    QFETCH(int, wanted);
    QFETCH(double, step);
    QFETCH(int, decimals);
    QCOMPARE(tickStep(extent, wanted), step);
    QCOMPARE(tickDecimals(step), decimals);
}

// Seconds run left to right, decades bottom to top; what lies outside sits on the edge.
void TestTesselImport::plotMapping()
{
    const PlotMapping mapping(QRectF(100, 50, 1000, 500), 20, DecadeRange{1, 6});
    QCOMPARE(mapping.x(0), 100.0);
    QCOMPARE(mapping.x(10), 600.0);
    QCOMPARE(mapping.x(-5), 100.0);
    QCOMPARE(mapping.x(40), 1100.0);
    QCOMPARE(mapping.y(10), 550.0);
    QCOMPARE(mapping.y(1e6), 50.0);
    QCOMPARE(mapping.y(std::pow(10.0, 3.5)), 300.0);
    QCOMPARE(mapping.y(0), 550.0);
    QCOMPARE(mapping.y(-3), 550.0);
    QCOMPARE(mapping.y(1e9), 50.0);
    QCOMPARE(mapping.yOfDecade(3), 350.0);
    QCOMPARE(PlotMapping(QRectF(0, 0, 100, 100), 0, {}).x(0.5), 50.0);
}

void TestTesselImport::decimatedTrace_data()
{
    QTest::addColumn<QVector<double>>("time");
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<QPolygonF>("expected");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Ten pixel columns of 1 s; y 100 at 1, 50 at 10, 0 at 100.
    QTest::newRow("one point per column")
        << QVector<double>{0.5, 1.5, 2.5} << QVector<double>{1, 10, 100}
        << points({{0.5, 100}, {1.5, 50}, {2.5, 0}});
    QTest::newRow("a spike within a column is kept")
        << QVector<double>{0.1, 0.2, 0.3, 0.4} << QVector<double>{10, 100, 1, 10}
        << points({{0.5, 50}, {0.5, 0}, {0.5, 100}});
    QTest::newRow("a rise within a column")
        << QVector<double>{0.1, 0.2, 0.3} << QVector<double>{1, 10, 100}
        << points({{0.5, 100}, {0.5, 100}, {0.5, 0}, {0.5, 0}});
    QTest::newRow("a constant column is one point")
        << QVector<double>{0.1, 0.2, 5.5} << QVector<double>{10, 10, 10}
        << points({{0.5, 50}, {5.5, 50}});
    QTest::newRow("rows that are not finite are left out")
        << QVector<double>{0.5, nan, 2.5, 3.5}
        << QVector<double>{1, 10, 100, std::numeric_limits<double>::infinity()}
        << points({{0.5, 100}, {2.5, 0}});
    QTest::newRow("the start is subtracted")
        << QVector<double>{100.5, 101.5} << QVector<double>{1, 100}
        << points({{0.5, 100}, {1.5, 0}});
}

void TestTesselImport::decimatedTrace()
{
    QFETCH(QVector<double>, time);
    QFETCH(QVector<double>, values);
    QFETCH(QPolygonF, expected);
    const PlotMapping mapping(QRectF(0, 0, 10, 100), 10, DecadeRange{0, 2});
    const double start = time.first() > 100 ? 100 : 0;
    QCOMPARE(::decimatedTrace(columnOf(time), columnOf(values), start, mapping), expected);

    // A long trace: at most four points per pixel column, and every spike kept.
    QRandomGenerator random(7);
    Column longTime(100000);
    Column longValues(100000);
    for (arma::uword row = 0; row < longTime.n_elem; ++row) {
        longTime[row] = row * 1e-4;
        longValues[row] = 10 + random.bounded(80.0);
    }
    longValues[31337] = 100;
    longValues[77777] = 1;
    const QPolygonF points = ::decimatedTrace(longTime, longValues, 0, mapping);
    QVERIFY(points.size() <= 40);
    QCOMPARE(points.boundingRect().top(), 0.0);
    QCOMPARE(points.boundingRect().bottom(), 100.0);
}

void TestTesselImport::plotTarget_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("fileCount");
    QTest::addColumn<QString>("expected"); // the picture of /in/Run.7.csv, or the error

    const QString folderLikeAPicture = work.filePath("dir.png");
    QDir().mkpath(folderLikeAPicture);
    QTest::newRow("a picture for one file") << "out/a.png"
                                            << "" << 1 << "out/a.png png";
    QTest::newRow("a picture named in capitals") << "out/a.SVG"
                                                 << "" << 1 << "out/a.SVG svg";
    QTest::newRow("format that agrees with the name") << "a.svg"
                                                      << "svg" << 1 << "a.svg svg";
    QTest::newRow("a folder") << "out/pics"
                              << "" << 3 << "out/pics/Run.7.png png";
    QTest::newRow("a folder of svg pictures") << "out/pics"
                                              << "svg" << 3 << "out/pics/Run.7.svg svg";
    QTest::newRow("a folder for one file") << "pics"
                                           << "" << 1 << "pics/Run.7.png png";
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

void TestTesselImport::plotTarget()
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
    if (!plots) {
        QCOMPARE(error, expected);
        return;
    }
    QCOMPARE(plots->pathFor("/in/Run.7.csv") +
                 (plots->format() == PictureFormat::Svg ? " svg" : " png"),
             expected);
    QCOMPARE(plots->size(), QSize(800, 600));
}

void TestTesselImport::pngPicture_data()
{
    QTest::addColumn<QSize>("size");

    QTest::newRow("default size") << QSize(1600, 900);
    QTest::newRow("smallest size") << QSize(400, 300);
    QTest::newRow("wide and low") << QSize(2000, 600);
}

// A PNG of the requested size with both axes drawn and every channel's colour in the legend and
// along its trace.
void TestTesselImport::pngPicture()
{
    QFETCH(QSize, size);
    ExportText text;
    text.rowCount = 300;
    const ImportResult imported = importHere(writeFile("png/S1.csv", text.bytes()));
    const QString png = work.filePath(QStringLiteral("png/%1.png").arg(size.width()));
    QString error;
    QVERIFY2(writeQuickLook(imported, png, PictureFormat::Png, size, &error), qPrintable(error));

    QFile file(png);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(8), QByteArray("\x89PNG\r\n\x1a\n"));
    const QImage image(png);
    QCOMPARE(image.size(), size);
    bool leftAxis = false;
    for (int x = 0; x < size.width() / 4 && !leftAxis; ++x)
        leftAxis = longestDarkRun(image, x, true) >= size.height() / 4;
    bool bottomAxis = false;
    for (int y = size.height() / 2; y < size.height() && !bottomAxis; ++y)
        bottomAxis = longestDarkRun(image, y, false) >= size.width() / 2;
    QVERIFY2(leftAxis, "no vertical axis line in the left quarter");
    QVERIFY2(bottomAxis, "no horizontal axis line in the lower half");
    for (int channel = 0; channel < channelColours.size(); ++channel) {
        const QPair<int, int> count = colourCount(image, channelColours.at(channel));
        QVERIFY2(count.first > 0, qPrintable(channelNames.at(channel)));
        QVERIFY2(count.second > size.width() / 2, qPrintable(channelNames.at(channel)));
    }
}

// The SVG holds the title and the subtitle, a line per channel, and the legend's and axes' texts.
void TestTesselImport::svgPicture()
{
    setPreferences({{"importMachineName", "Lab ICP"}});
    ExportText text = msmsExport;
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
    QCOMPARE(xml.name(), QLatin1String("svg"));
    QCOMPARE(xml.attributes().value("viewBox"), QLatin1String("0 0 1000 600"));
    int lines = 0;
    QString title;
    QStringList texts;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        lines +=
            xml.name() == QLatin1String("polyline") || xml.name() == QLatin1String("path") ? 1 : 0;
        if (xml.name() == QLatin1String("title"))
            title = xml.readElementText();
        else if (xml.name() == QLatin1String("text"))
            texts << xml.readElementText().trimmed();
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY(lines > 3);
    QCOMPARE(title, QStringLiteral("S1.d \u2013 %1 \u2013 Lab ICP").arg(isoTimeText(acquired)));
    QVERIFY2(texts.contains(title), qPrintable(texts.join('|')));
    QVERIFY2(texts.contains(QStringLiteral("S1.csv \u00b7 2 channels \u00b7 31 rows \u00b7 %1 s")
                                .arg(*imported.durationSeconds, 0, 'f', 1)),
             qPrintable(texts.join('|')));
    for (const QString &expected :
         QStringList{"Ti48 (48\u219264)", "Sr88", "Time since start (s)", "Intensity (Counts)"})
        QVERIFY2(texts.contains(expected), qPrintable(expected));
}

// ---------------------------------------------------------------------------------------------
// The built program

void TestTesselImport::exitCodesAndStreams_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("outStart");
    QTest::addColumn<QString>("err");

    const QString picture = work.filePath("refused/one.png");
    const QString plain = work.filePath("batch/plain.csv");
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: "
                            << "";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << "tessel-import "
                               << "";
    QTest::newRow("--list-importers") << QStringList{"--list-importers"} << 0 << "AgilentImporter\n"
                                      << "";
    QTest::newRow("usage error")
        << QStringList{"--jobs", "0"} << 2 << ""
        << "tessel-import: --jobs expects a positive whole number\ntessel-import: try --help\n";
    QTest::newRow("one picture named for two files")
        << QStringList{"--plot", picture, batchFiles.at(0), batchFiles.at(2)} << 2 << ""
        << "tessel-import: --plot " + picture +
               " names one picture, but 2 files are imported: name a folder instead\n";
    QTest::newRow("a file no importer takes")
        << QStringList{plain} << 1 << plain + "\n  Not recognised"
        << "tessel-import: " + plain + ": not recognised by any importer\n";
}

void TestTesselImport::exitCodesAndStreams()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, outStart);
    QFETCH(QString, err);
    const ToolRun run = runTool(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.out.startsWith(outStart.toUtf8()), run.out);
    QCOMPARE(outStart.isEmpty(), run.out.isEmpty());
    QCOMPARE(QString::fromUtf8(run.err), err);
    QVERIFY(!QFileInfo::exists(work.filePath("refused")));
}

// --show-settings lists what the plug-in declares with each value's source; the plug-in's own
// QSettings sees the overrides and the user's file, which never changes.
void TestTesselImport::settingsFromFileAndCommandLine()
{
    const QVector<PreferenceDeclaration> declared =
        ::preferenceDeclarations(plugins->importers().first().root->property("preferences"));
    QVERIFY(declared.size() >= 3);
    const QString userFile = configHome.filePath("Tessel/Tessel.conf");
    const QByteArray stored =
        "[General]\nimportMachineName=FromFile\nagilentXMLLabelField=Use Comment Field\n";
    QCOMPARE(writeFileBelow(configHome.path(), "Tessel/Tessel.conf", stored), userFile);
    const QStringList sets{"--set", "importMachineName=FromCli",
                           "--set", "agilentDateFormat=dd MM yy hh mm ss",
                           "--set", "zzz=1",
                           "--set", "aaa=2",
                           "--set", "mmm=3",
                           "--set", "bbb=4"};

    const ToolRun shown = runTool(QStringList{"--show-settings"} + sets);
    QCOMPARE(shown.exitCode, 0);
    const QMap<QString, QPair<QString, QString>> changed{
        {"importMachineName", {"FromCli", "--set"}},
        {"agilentDateFormat", {"dd MM yy hh mm ss", "--set"}},
        {"agilentXMLLabelField", {"Use Comment Field", userFile}}};
    QString expected;
    for (const PreferenceDeclaration &declaration : declared) {
        const auto value = changed.value(declaration.key, {declaration.defaultValue, "default"});
        expected += QStringLiteral("%1 = \"%2\"\n    default: \"%3\", from: %4\n")
                        .arg(declaration.key, value.first, declaration.defaultValue, value.second);
    }
    for (const QString &key : QStringList{"aaa", "bbb", "mmm", "zzz"})
        expected += key + " = \"" +
                    QString::number(QStringList{"zzz", "aaa", "mmm", "bbb"}.indexOf(key) + 1) +
                    "\"\n    default: none, from: --set\n";
    QCOMPARE(QString::fromUtf8(shown.out), expected);
    QCOMPARE(shown.err,
             QByteArray("tessel-import: note: no importer is known to read the preference aaa\n"
                        "tessel-import: note: no importer is known to read the preference bbb\n"
                        "tessel-import: note: no importer is known to read the preference mmm\n"
                        "tessel-import: note: no importer is known to read the preference zzz\n"));

    const QString plain = writeFile("settings/S1.csv", ExportText().bytes());
    const QString folder = writeAcquisition("settings", msmsExport.named("Run1"), acquired);
    const ToolRun imported =
        runTool(QStringList{"--json", "--set", "importMachineName=FromCli", plain, folder});
    QCOMPARE(imported.exitCode, 0);
    const QJsonArray files = QJsonDocument::fromJson(imported.out)["files"].toArray();
    QCOMPARE(files.at(0)["machineName"].toString(), QStringLiteral("FromCli"));
    QCOMPARE(files.at(1)["sampleName"].toString(), QStringLiteral("second spot"));

    QFile file(userFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), stored);
}

// Imports running at once: the document is one valid JSON value written as the files arrive,
// its files in path order with their own log entries, its overview in order of acquisition.
void TestTesselImport::jsonRun()
{
    const ToolRun run = runTool({"--json", "--jobs", "3", batchFolder()});
    QCOMPARE(run.exitCode, 1);
    QJsonParseError error;
    const QJsonObject document = QJsonDocument::fromJson(run.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonArray files = document["files"].toArray();
    QCOMPARE(files.size(), batchFiles.size());
    for (int i = 0; i < files.size(); ++i) {
        const QString file = files.at(i)["file"].toString();
        QCOMPARE(file, batchFiles.at(i));
        const bool bad = failingBatchFiles.contains(file);
        QCOMPARE(files.at(i)["ok"].toBool(), !bad);
        const QJsonArray log = files.at(i)["log"].toArray();
        QCOMPARE(log.size(), bad ? 1 : 0);
        if (bad)
            QVERIFY(log.at(0)["message"].toString().contains(file));
    }
    QStringList order;
    for (const QJsonValue &line : document["overview"]["files"].toArray())
        order << QFileInfo(line["file"].toString()).fileName();
    QCOMPARE(order, (QStringList{"f6.csv", "f5.csv", "f3.csv", "f2.csv", "f0.csv", "f4.csv",
                                 "f1.csv", "f7.csv"}));
    QCOMPARE(document["overview"]["totals"]["failed"].toInt(), 3);
    QCOMPARE(run.err.count('\n'), 3); // a folder's files that no importer takes are left out
}

// The text report: each file's summary on stdout in path order, then the overview; the failures
// on stderr.
void TestTesselImport::textRun()
{
    const ToolRun run = runTool({batchFolder()});
    QCOMPARE(run.exitCode, 1);
    const QString out = QString::fromUtf8(run.out);
    const int overviewAt = out.indexOf("\nBatch overview, in order of acquisition (files under " +
                                       batchFolder() + "):\n");
    QVERIFY2(overviewAt > 0, run.out);
    QStringList reported;
    for (const QString &line : out.left(overviewAt).split('\n')) {
        if (!line.isEmpty() && !line.startsWith(' '))
            reported << line;
    }
    QCOMPARE(reported, batchFiles);
    QVERIFY2(out.contains("\n  Total: 8 files (5 ok, 3 failed), 155 rows, "), run.out);
    QStringList expectedErr;
    for (const QString &file : batchFiles) {
        if (failingBatchFiles.contains(file))
            expectedErr << "tessel-import: " + file + ": the import stored no data";
    }
    QCOMPARE(QString::fromUtf8(run.err), expectedErr.join('\n') + '\n');
}

// Random values with all their digits arrive bit for bit in the export's CSV.
void TestTesselImport::exportRun()
{
    QRandomGenerator random(2020);
    ExportText text = ExportText().withHeader("Time [Sec],Li7,Na23,Mg24");
    QVector<QList<QByteArray>> fields;
    for (int row = 0; row < 500; ++row) {
        QList<QByteArray> line{QByteArray::number(0.0413 + 0.1234 * row, 'f', 4)};
        for (int channel = 0; channel < 3; ++channel) {
            const int decimals = int(random.bounded(11));
            QByteArray value =
                QByteArray::number(random.bounded(1000000)) + (decimals > 0 ? "." : "");
            for (int d = 0; d < decimals; ++d)
                value += char('0' + random.bounded(10));
            line.append(value);
        }
        fields.append(line);
        text.rows.append(line.join(','));
    }
    const QString path = writeFile("export/table/Run.7.csv", text.bytes());
    const QString folder = work.filePath("export/out");
    const ToolRun run = runTool({"--export", folder, path});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());

    QFile exported(folder + "/Run.7.csv");
    QVERIFY(exported.open(QIODevice::ReadOnly));
    const QByteArray bytes = exported.readAll();
    QVERIFY(!bytes.contains('\r'));
    const QList<QByteArray> lines = bytes.split('\n');
    QCOMPARE(lines.size(), fields.size() + 2);
    QCOMPARE(lines.first(), QByteArray("time,Li7,Na23,Mg24"));
    QVERIFY(lines.last().isEmpty());
    const double start = acquired.toMSecsSinceEpoch() / 1000.0;
    for (int row = 0; row < fields.size(); ++row) {
        const QList<QByteArray> read = lines.at(row + 1).split(',');
        QCOMPARE(read.size(), 4);
        QVERIFY2(bitEqual(read.at(0).toDouble(), start + fields.at(row).at(0).toDouble()),
                 read.at(0));
        for (int c = 1; c < 4; ++c)
            QVERIFY2(bitEqual(read.at(c).toDouble(), fields.at(row).at(c).toDouble()),
                     read.at(c) + " for " + fields.at(row).at(c));
    }
}

// Pictures are drawn off screen, one per file whose data reached the store.
void TestTesselImport::plotRun()
{
    const QString pictures = work.filePath("batch-pictures");
    const ToolRun run =
        runTool({"--plot", pictures, "--plot-format", "svg", "--jobs", "2", batchFolder()});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err.count("tessel-import: "), 3);
    QCOMPARE(QDir(pictures).entryList(QDir::Files),
             (QStringList{"f0.svg", "f2.svg", "f3.svg", "f5.svg", "f6.svg"}));
    QFile picture(pictures + "/f0.svg");
    QVERIFY(picture.open(QIODevice::ReadOnly));
    QVERIFY(picture.readAll().contains("<svg"));
}

QTEST_MAIN(TestTesselImport)
#include "tst_tesselimport.moc"
