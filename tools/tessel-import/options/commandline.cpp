#include "options/commandline.h"

#include "options/timezone.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>

namespace {

// Where the host application keeps its preferences.
#ifdef Q_OS_WIN
const QString hostSettingsPlace =
    QStringLiteral("the registry key HKEY_CURRENT_USER\\Software\\Tessel\\Tessel");
#else
const QString hostSettingsPlace =
    QStringLiteral("~/.config/Tessel/Tessel.conf ($XDG_CONFIG_HOME/Tessel/Tessel.conf)");
#endif

// Smaller pictures leave no room for the axis labels and the legend; a larger one would take
// more than 400 MB of memory while it is drawn.
const QSize smallestPlot(400, 300);
const int largestPlotSide = 10000;

// A file or folder of the installation, named relative to the program, where it is; in the
// build tree its place in any installation, so that the manual page, made there from the help,
// names no folder of the build machine.
QString installedPlace(const char *besideProgram, const char *belowPrefix)
{
    const QString installed = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                              QLatin1Char('/') + QLatin1String(besideProgram));
    if (QFileInfo::exists(installed))
        return installed;
    const QString place = QString::fromUtf8(belowPrefix);
    return QDir::isAbsolutePath(place) ? place : QStringLiteral("<prefix>/") + place;
}

// The example acquisition that comes with the program: the installed copy beside the program,
// else the one in the source tree.
QString bundledExample()
{
    const QString installed = QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                              QStringLiteral(TESSEL_INSTALLED_EXAMPLES_DIR);
    if (QFileInfo(installed).isDir())
        return QDir::cleanPath(installed);
    return QStringLiteral(TESSEL_EXAMPLES_DIR);
}

struct OptionSet
{
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help.")};
    QCommandLineOption version{QStringLiteral("version"), QStringLiteral("Show the version.")};
    QCommandLineOption listImporters{QStringLiteral("list-importers"),
                                     QStringLiteral("List the importer plug-ins.")};
    QCommandLineOption detect{QStringLiteral("detect"),
                              QStringLiteral("Name the importer that recognises each FILE.")};
    QCommandLineOption showSettings{
        QStringLiteral("show-settings"),
        QStringLiteral("Show the effective preferences and where each value comes from.")};
    QCommandLineOption pluginDir{QStringLiteral("plugin-dir"),
                                 QStringLiteral("Load importer plug-ins from <dir>."),
                                 QStringLiteral("dir")};
    QCommandLineOption json{
        QStringLiteral("json"),
        QStringLiteral("Report as one JSON document on stdout (its keys: see README.md).")};
    QCommandLineOption exportDir{
        QStringLiteral("export"),
        QStringLiteral("Write each imported table as CSV under <dir>, each input keeping its own "
                       "name as when copied into <dir>: the folder run.b gives "
                       "<dir>/run.b/001.d/001.csv, the file x.csv <dir>/x.csv."),
        QStringLiteral("dir")};
    QCommandLineOption overwrite{
        QStringLiteral("overwrite"),
        QStringLiteral("Let --export and --plot replace files of an earlier run; without it a run "
                       "that would replace a file writes nothing.")};
    QCommandLineOption timings{
        QStringLiteral("timings"),
        QStringLiteral("Print on stderr how long each stage of each file's import and report "
                       "took.")};
    QCommandLineOption timeZone{
        QStringLiteral("timezone"),
        QStringLiteral("Read and show times in <zone>, an IANA name such as Australia/Sydney, "
                       "or UTC (default: the computer's zone)."),
        QStringLiteral("zone")};
    QCommandLineOption settings{
        QStringLiteral("settings"),
        QStringLiteral("Read the preferences from <file>, an INI file such as [General] "
                       "importMachineName=ICP-MS 1, instead of the host application's settings."),
        QStringLiteral("file")};
    QCommandLineOption set{QStringLiteral("set"),
                           QStringLiteral("Override a preference for this run (repeatable)."),
                           QStringLiteral("key=value")};
    QCommandLineOption jobs{
        QStringLiteral("jobs"),
        QStringLiteral("Import up to <n> files at once (default: the number of processors, "
                       "%1 here).")
            .arg(QThread::idealThreadCount()),
        QStringLiteral("n")};
    QCommandLineOption plot{
        QStringLiteral("plot"),
        QStringLiteral("Draw a quick-look picture of each imported file: <out> is a .png or .svg "
                       "file for a single file, otherwise a folder that gets a picture per file "
                       "laid out as with --export."),
        QStringLiteral("out")};
    QCommandLineOption plotSize{
        QStringLiteral("plot-size"),
        QStringLiteral("Size of the pictures in pixels (default: 1600x900)."),
        QStringLiteral("WxH")};
    QCommandLineOption plotFormat{
        QStringLiteral("plot-format"),
        QStringLiteral("Format of the pictures written into a folder: png (default) or svg."),
        QStringLiteral("format")};
    QCommandLineOption channels{
        QStringLiteral("channels"),
        QStringLiteral("Draw only these channels, named as the report names them (Li7,Pr141)."),
        QStringLiteral("list")};
    QCommandLineOption linear{QStringLiteral("linear"),
                              QStringLiteral("Draw intensity on a linear axis instead of a "
                                             "logarithmic one.")};

    QList<QCommandLineOption> all() const
    {
        return {help,      version,    listImporters, detect,   showSettings, pluginDir, json,
                exportDir, overwrite,  timeZone,      settings, set,          jobs,      plot,
                plotSize,  plotFormat, channels,      linear,   timings};
    }

    void addTo(QCommandLineParser &parser) const
    {
        parser.addOptions(all());
        parser.addPositionalArgument(
            QStringLiteral("paths"),
            QStringLiteral("Files or folders to import, at least one (the bundled examples are "
                           "in %1); with --detect, the files to test.")
                .arg(installedPlace(TESSEL_INSTALLED_EXAMPLES_DIR "/..",
                                    TESSEL_EXAMPLES_DIR_IN_PREFIX)),
            QStringLiteral("PATH..."));
    }
};

std::optional<ToolMode> selectedMode(const QCommandLineParser &parser, const OptionSet &set,
                                     QString *error)
{
    const QVector<QPair<const QCommandLineOption *, ToolMode>> modes{
        {&set.listImporters, ToolMode::ListImporters},
        {&set.detect, ToolMode::Detect},
        {&set.showSettings, ToolMode::ShowSettings}};
    ToolMode mode = ToolMode::Import;
    int chosen = 0;
    for (const auto &candidate : modes) {
        if (parser.isSet(*candidate.first)) {
            mode = candidate.second;
            ++chosen;
        }
    }
    if (chosen > 1) {
        *error =
            QStringLiteral("--list-importers, --detect and --show-settings exclude each other");
        return std::nullopt;
    }
    return mode;
}

bool readOverrides(const QStringList &assignments, QHash<QString, QString> *overrides,
                   QString *error)
{
    for (const QString &assignment : assignments) {
        const int equals = assignment.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            *error = QStringLiteral("--set expects KEY=VALUE, not \"%1\"").arg(assignment);
            return false;
        }
        overrides->insert(assignment.left(equals), assignment.mid(equals + 1));
    }
    return true;
}

bool readJobs(const QCommandLineParser &parser, const OptionSet &set, int *jobs, QString *error)
{
    *jobs = QThread::idealThreadCount();
    if (!parser.isSet(set.jobs))
        return true;
    bool isNumber = false;
    *jobs = parser.value(set.jobs).toInt(&isNumber);
    if (isNumber && *jobs > 0)
        return true;
    *error = QStringLiteral("--jobs expects a positive whole number");
    return false;
}

bool readPlotSize(const QString &text, QSize *size, QString *error)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    const QSize read =
        match.hasMatch() ? QSize(match.captured(1).toInt(), match.captured(2).toInt()) : QSize();
    if (read.width() >= smallestPlot.width() && read.height() >= smallestPlot.height() &&
        read.width() <= largestPlotSide && read.height() <= largestPlotSide) {
        *size = read;
        return true;
    }
    *error = QStringLiteral("--plot-size expects WIDTHxHEIGHT in pixels, from %1x%2 to %3x%3, "
                            "not \"%4\"")
                 .arg(smallestPlot.width())
                 .arg(smallestPlot.height())
                 .arg(largestPlotSide)
                 .arg(text);
    return false;
}

bool readPlotOptions(const QCommandLineParser &parser, const OptionSet &set, ToolOptions *options,
                     QString *error)
{
    options->plotTarget = parser.value(set.plot);
    if (options->plotTarget.isEmpty()) {
        for (const QCommandLineOption *option :
             {&set.plotSize, &set.plotFormat, &set.channels, &set.linear}) {
            if (parser.isSet(*option))
                *error = QStringLiteral("--%1 needs --plot").arg(option->names().constFirst());
        }
        return error->isEmpty();
    }
    options->linearAxis = parser.isSet(set.linear);
    if (parser.isSet(set.channels)) {
        options->plotChannels = parser.value(set.channels).split(QLatin1Char(','));
        options->plotChannels.removeDuplicates();
        if (options->plotChannels.contains(QString())) {
            *error = QStringLiteral("--channels expects channel names separated by commas, not "
                                    "\"%1\"")
                         .arg(parser.value(set.channels));
            return false;
        }
    }
    options->plotFormat = parser.value(set.plotFormat).toLower();
    if (!options->plotFormat.isEmpty() && options->plotFormat != QLatin1String("png") &&
        options->plotFormat != QLatin1String("svg")) {
        *error = QStringLiteral("--plot-format expects png or svg");
        return false;
    }
    return !parser.isSet(set.plotSize) ||
           readPlotSize(parser.value(set.plotSize), &options->plotSize, error);
}

bool readTimeZone(const QCommandLineParser &parser, const OptionSet &set, ToolOptions *options,
                  QString *error)
{
    options->timeZone = parser.value(set.timeZone);
    if (!parser.isSet(set.timeZone) || isKnownTimeZone(options->timeZone))
        return true;
    *error = QStringLiteral("--timezone %1: no such time zone; give a name such as "
                            "Australia/Sydney or Europe/Berlin, or UTC")
                 .arg(options->timeZone);
    return false;
}

// "-" stands for standard input or output elsewhere; here it would be taken for a file name.
bool checkNoDash(const ToolOptions &options, QString *error)
{
    const QVector<QPair<QString, QString>> named{{QStringLiteral("--export"), options.exportDir},
                                                 {QStringLiteral("--plot"), options.plotTarget}};
    for (const auto &option : named) {
        if (option.second == QLatin1String("-"))
            *error = QStringLiteral("%1 -: writing to standard output is not supported; name a "
                                    "folder (./- for one named \"-\")")
                         .arg(option.first);
    }
    if (options.paths.contains(QStringLiteral("-")))
        *error = QStringLiteral("-: reading standard input is not supported; name a file or "
                                "folder (./- for one named \"-\")");
    return error->isEmpty();
}

bool checkPathCount(const ToolOptions &options, QString *error)
{
    if (options.mode == ToolMode::Detect && options.paths.isEmpty())
        *error = QStringLiteral("--detect needs at least one FILE");
    else if (options.mode == ToolMode::Import && options.paths.isEmpty())
        *error = QStringLiteral("no PATH to import: name files or folders, such as the bundled "
                                "example %1")
                     .arg(bundledExample());
    else if ((options.mode == ToolMode::ListImporters || options.mode == ToolMode::ShowSettings) &&
             !options.paths.isEmpty())
        *error = QStringLiteral("unexpected argument \"%1\"").arg(options.paths.first());
    return error->isEmpty();
}

// The parser's help, which names the program as it was called, with the program's own name: the
// manual page is made from it.
QString helpText(const QCommandLineParser &parser)
{
    QString text = parser.helpText();
    const QString usage = QStringLiteral("Usage: ");
    const int end = text.indexOf(QStringLiteral(" [options]"));
    if (text.startsWith(usage) && end > 0)
        text.replace(usage.size(), end - usage.size(), QStringLiteral("tessel-import"));
    return text;
}

// The parser's complaint in the form of the tool's other messages. An unknown option is named as
// it was written ("--frobnicate", "-x.csv"): the parser drops the dashes and takes a word after
// a single dash for a row of one-letter options.
QString parseError(const QCommandLineParser &parser, const OptionSet &set,
                   const QStringList &arguments)
{
    for (int i = 1; !parser.unknownOptionNames().isEmpty() && i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--"))
            break;
        if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-"))
            continue;
        const bool singleDash = !argument.startsWith(QLatin1String("--"));
        const QString written = argument.section(QLatin1Char('='), 0, 0);
        const QString name = written.mid(singleDash ? 1 : 2);
        const QList<QCommandLineOption> options = set.all();
        const auto known = std::find_if(options.cbegin(), options.cend(), [&](const auto &option) {
            return option.names().contains(name) && (!singleDash || name.size() == 1);
        });
        if (known == options.cend())
            return QStringLiteral("unknown option '%1'").arg(written);
        if (!known->valueName().isEmpty() && written == argument)
            ++i; // its value, whatever it looks like
    }
    QString text = parser.errorText();
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text.left(1).toLower() + text.mid(1);
}

} // namespace

ParsedOptions parseOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Imports instrument data files with the importer plug-ins and reports "
                       "what each import handed to the data store.\n\n"
                       "The keys of the --json report are described in README.md, section "
                       "\"The JSON report\" (installed as %1). Preferences are read from %2 "
                       "unless --settings names a file; --set and --settings never change them.")
            .arg(installedPlace(TESSEL_INSTALLED_DOC_DIR "/README.md",
                                TESSEL_DOC_DIR_IN_PREFIX "/README.md"),
                 hostSettingsPlace));
    const OptionSet set;
    set.addTo(parser);

    ParsedOptions parsed;
    if (!parser.parse(arguments)) {
        parsed.usageError = parseError(parser, set, arguments);
        return parsed;
    }
    if (parser.isSet(set.help)) {
        parsed.answer = helpText(parser);
        return parsed;
    }
    if (parser.isSet(set.version)) {
        parsed.answer = QStringLiteral("tessel-import %1\n").arg(QStringLiteral(TESSEL_VERSION));
        return parsed;
    }

    ToolOptions options;
    const auto mode = selectedMode(parser, set, &parsed.usageError);
    if (!mode || !readOverrides(parser.values(set.set), &options.overrides, &parsed.usageError) ||
        !readJobs(parser, set, &options.jobs, &parsed.usageError) ||
        !readPlotOptions(parser, set, &options, &parsed.usageError) ||
        !readTimeZone(parser, set, &options, &parsed.usageError))
        return parsed;
    options.mode = *mode;
    options.paths = parser.positionalArguments();
    options.pluginDir = parser.value(set.pluginDir);
    options.json = parser.isSet(set.json);
    options.exportDir = parser.value(set.exportDir);
    options.overwrite = parser.isSet(set.overwrite);
    options.timings = parser.isSet(set.timings);
    options.settingsFile = parser.value(set.settings);
    if (checkNoDash(options, &parsed.usageError) && checkPathCount(options, &parsed.usageError))
        parsed.options = options;
    return parsed;
}

bool picturesRequested(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QLatin1String argument(argv[i]);
        if (argument == QLatin1String("--"))
            return false;
        if (argument == QLatin1String("--plot") || argument.startsWith(QLatin1String("--plot=")))
            return true;
    }
    return false;
}
