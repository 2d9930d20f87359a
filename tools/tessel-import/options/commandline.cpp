#include "options/commandline.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QThread>

namespace {

// Smaller pictures leave no room for the axis labels and the legend; a larger one would take
// more than 400 MB of memory while it is drawn.
const QSize smallestPlot(400, 300);
const int largestPlotSide = 10000;

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
    QCommandLineOption json{QStringLiteral("json"),
                            QStringLiteral("Report as one JSON document on stdout.")};
    QCommandLineOption exportDir{QStringLiteral("export"),
                                 QStringLiteral("Write each imported table as <dir>/<name>.csv."),
                                 QStringLiteral("dir")};
    QCommandLineOption set{QStringLiteral("set"),
                           QStringLiteral("Override a preference for this run (repeatable)."),
                           QStringLiteral("key=value")};
    QCommandLineOption jobs{QStringLiteral("jobs"),
                            QStringLiteral("Import up to <n> files at once (default: %1).")
                                .arg(QThread::idealThreadCount()),
                            QStringLiteral("n")};
    QCommandLineOption plot{
        QStringLiteral("plot"),
        QStringLiteral("Draw a quick-look picture of each imported file: <out> is a .png or .svg "
                       "file for a single file, otherwise a folder that gets <name>.png (or "
                       ".svg) per file."),
        QStringLiteral("out")};
    QCommandLineOption plotSize{
        QStringLiteral("plot-size"),
        QStringLiteral("Size of the pictures in pixels (default: 1600x900)."),
        QStringLiteral("WxH")};
    QCommandLineOption plotFormat{
        QStringLiteral("plot-format"),
        QStringLiteral("Format of the pictures written into a folder: png (default) or svg."),
        QStringLiteral("format")};

    void addTo(QCommandLineParser &parser) const
    {
        parser.addOptions({help, version, listImporters, detect, showSettings, pluginDir, json,
                           exportDir, set, jobs, plot, plotSize, plotFormat});
        parser.addPositionalArgument(
            QStringLiteral("paths"),
            QStringLiteral("Files or folders to import (default: the bundled example); with "
                           "--detect, the files to test."),
            QStringLiteral("[PATH...]"));
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
        if (parser.isSet(set.plotSize) || parser.isSet(set.plotFormat))
            *error = QStringLiteral("--plot-size and --plot-format need --plot");
        return error->isEmpty();
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

bool checkPathCount(const ToolOptions &options, QString *error)
{
    if (options.mode == ToolMode::Detect && options.paths.isEmpty())
        *error = QStringLiteral("--detect needs at least one FILE");
    else if ((options.mode == ToolMode::ListImporters || options.mode == ToolMode::ShowSettings) &&
             !options.paths.isEmpty())
        *error = QStringLiteral("unexpected argument \"%1\"").arg(options.paths.first());
    return error->isEmpty();
}

} // namespace

ParsedOptions parseOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Imports instrument data files with the importer plug-ins and reports "
                       "what each import handed to the data store."));
    const OptionSet set;
    set.addTo(parser);

    ParsedOptions parsed;
    if (!parser.parse(arguments)) {
        parsed.usageError = parser.errorText();
        return parsed;
    }
    if (parser.isSet(set.help)) {
        parsed.answer = parser.helpText();
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
        !readPlotOptions(parser, set, &options, &parsed.usageError))
        return parsed;
    options.mode = *mode;
    options.paths = parser.positionalArguments();
    options.pluginDir = parser.value(set.pluginDir);
    options.json = parser.isSet(set.json);
    options.exportDir = parser.value(set.exportDir);
    if (checkPathCount(options, &parsed.usageError))
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
