#include "tool.h"

#include "importreporter.h"
#include "input/batchimport.h"
#include "input/importerplugins.h"
#include "input/inputfiles.h"
#include "options/preferences.h"
#include "options/timezone.h"
#include "output/outputpaths.h"
#include "terminal/progressbar.h"
#include "terminal/terminal.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

namespace {

// The folder named on the command line, else the installed layout's plug-in folder beside the
// program, else the build's plug-in folder.
QString pluginFolder(const QString &requested)
{
    if (!requested.isEmpty())
        return requested;
    const QString installed = QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                              QStringLiteral(TESSEL_INSTALLED_PLUGIN_DIR);
    if (QDir(installed).exists())
        return QDir::cleanPath(installed);
    return QStringLiteral(TESSEL_BUILD_PLUGIN_DIR);
}

// The importer plug-ins of the requested folder; none when there is no folder or no importer
// in it. What went wrong is appended to problems.
std::optional<ImporterPlugins> loadPlugins(const QString &requestedFolder, QStringList *problems)
{
    const QString folder = pluginFolder(requestedFolder);
    if (!QDir(folder).exists()) {
        problems->append(QStringLiteral("no plug-in folder %1").arg(folder));
        return std::nullopt;
    }
    ImporterPlugins plugins = ImporterPlugins::load(folder, problems);
    if (plugins.importers().isEmpty()) {
        problems->append(QStringLiteral("no importer plug-ins in %1").arg(folder));
        return std::nullopt;
    }
    return plugins;
}

} // namespace

int runTool(const ToolOptions &options, QTextStream &out)
{
    QStringList loadProblems;
    const std::optional<ImporterPlugins> plugins = loadPlugins(options.pluginDir, &loadProblems);
    PreferenceOverrides preferences;
    QString error;
    if (!preferences.apply(options.settingsFile, options.overrides, &error)) {
        printDiagnostic(error);
        return ExitFailure;
    }
    const PreferenceDeclarations declared =
        plugins ? plugins->declaredPreferences() : PreferenceDeclarations();
    for (const QString &key : preferences.undeclaredKeys(declared))
        printDiagnostic(
            QStringLiteral("note: no importer is known to read the preference %1").arg(key));
    for (const QString &problem : qAsConst(loadProblems))
        printDiagnostic(problem);
    if (!plugins)
        return options.pluginDir.isEmpty() ? ExitFailure : ExitUsage;
    switch (options.mode) {
    case ToolMode::ListImporters:
        return listImporters(*plugins, out);
    case ToolMode::Detect:
        return detectImporters(*plugins, options.paths, out);
    case ToolMode::ShowSettings:
        return showSettings(*plugins, preferences, out);
    default:
        return importPaths(*plugins, options, out);
    }
}

int listImporters(const ImporterPlugins &plugins, QTextStream &out)
{
    for (const ImporterPlugin &importer : plugins.importers()) {
        const TesselPlugin::PluginMetaData &about = importer.plugin->pluginMetaData();
        out << importer.className << '\n'
            << "  description:    " << about.description << '\n'
            << "  version:        " << about.version << '\n'
            << "  file extension: " << importer.root->fileExtension() << '\n'
            << "  library:        " << importer.libraryPath << '\n';
    }
    return ExitSuccess;
}

int detectImporters(const ImporterPlugins &plugins, const QStringList &files, QTextStream &out)
{
    int exitCode = ExitSuccess;
    for (const QString &file : files) {
        const RecognisingImporter recognising = plugins.recognise(file);
        if (recognising.importer != nullptr) {
            out << file << ": " << recognising.className << '\n';
        } else {
            out << file << ": not recognised\n";
            exitCode = ExitFailure;
        }
    }
    return exitCode;
}

int showSettings(const ImporterPlugins &plugins, const PreferenceOverrides &preferences,
                 QTextStream &out)
{
    preferences.writeReport(plugins.declaredPreferences(), out);
    return ExitSuccess;
}

int importPaths(const ImporterPlugins &plugins, const ToolOptions &options, QTextStream &out)
{
    const RunInputs inputs = filesToImport(options.paths, plugins);
    // Each input keeps its own name below the folders of outputs, as when copied into them.
    const QString inputsFolder = commonFolder(inputs.sources);
    QString outputError;
    const std::optional<PlotTarget> plots =
        options.plotTarget.isEmpty()
            ? std::nullopt
            : PlotTarget::resolve(options, inputs.files.size(), inputsFolder, &outputError);
    if (outputError.isEmpty())
        outputError =
            outputProblem(inputs.files, options.exportDir, inputsFolder, plots, options.overwrite);
    if (!outputError.isEmpty()) {
        printDiagnostic(outputError);
        return ExitUsage;
    }

    ProgressBar bar;
    ImportReporter reporter(out, options, plots, inputsFolder, timeZoneInUse(options.timeZone),
                            plugins.declaredPreferences());
    importFiles(
        plugins, inputs.entries, options.jobs,
        {timeZoneOfRun(options.timeZone), effectivePreferences(plugins.declaredPreferences())},
        &bar, [&reporter](const ImportResult &result) { reporter.report(result); });
    return reporter.finish();
}
