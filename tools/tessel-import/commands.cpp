#include "commands.h"

#include "batchimport.h"
#include "diagnostics.h"
#include "importerplugins.h"
#include "importreporter.h"
#include "inputfiles.h"
#include "plot.h"
#include "preferences.h"
#include "progressbar.h"

#include <QTextStream>

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

int showSettings(const PreferenceOverrides &preferences, QTextStream &out)
{
    preferences.writeReport(out);
    return ExitSuccess;
}

int importPaths(const ImporterPlugins &plugins, const ToolOptions &options, QTextStream &out)
{
    const QStringList paths =
        options.paths.isEmpty() ? QStringList{bundledExample()} : options.paths;
    QStringList problems;
    const QStringList files = filesToImport(paths, plugins, &problems);
    for (const QString &problem : qAsConst(problems))
        printDiagnostic(problem);
    QString plotError;
    const std::optional<PlotTarget> plots =
        options.plotTarget.isEmpty() ? std::nullopt
                                     : PlotTarget::resolve(options, files.size(), &plotError);
    if (!plotError.isEmpty()) {
        printDiagnostic(plotError);
        return ExitUsage;
    }

    ProgressBar bar;
    ImportReporter reporter(out, options, plots);
    importFiles(plugins, files, options.jobs, &bar,
                [&reporter](const ImportResult &result) { reporter.report(result); });
    return reporter.finish(!problems.isEmpty());
}
