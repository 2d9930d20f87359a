// tessel-import: a command-line host for the importer plug-ins. It loads them as the host
// application does, imports files into the in-process data store and reports what arrived.
#include "commands.h"
#include "diagnostics.h"
#include "importerplugins.h"
#include "options.h"
#include "preferences.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

#include <memory>
#include <optional>

namespace {

void warnAboutUnknownKeys(const QHash<QString, QString> &overrides)
{
    for (auto it = overrides.cbegin(); it != overrides.cend(); ++it) {
        if (!preferenceDefault(it.key()))
            printDiagnostic(QStringLiteral("note: no importer is known to read the preference %1")
                                .arg(it.key()));
    }
}

std::optional<ImporterPlugins> loadPlugins(const QString &requestedFolder)
{
    const QString folder = pluginFolder(requestedFolder);
    if (!QDir(folder).exists()) {
        printDiagnostic(QStringLiteral("no plug-in folder %1").arg(folder));
        return std::nullopt;
    }
    QStringList problems;
    ImporterPlugins plugins = ImporterPlugins::load(folder, &problems);
    for (const QString &problem : qAsConst(problems))
        printDiagnostic(problem);
    if (plugins.importers().isEmpty()) {
        printDiagnostic(QStringLiteral("no importer plug-ins in %1").arg(folder));
        return std::nullopt;
    }
    return plugins;
}

int run(const ToolOptions &options, const PreferenceOverrides &preferences)
{
    QTextStream out(stdout);
    out.setCodec("UTF-8");
    if (options.mode == ToolMode::ShowSettings)
        return showSettings(preferences, out);
    const std::optional<ImporterPlugins> plugins = loadPlugins(options.pluginDir);
    if (!plugins)
        return options.pluginDir.isEmpty() ? ExitFailure : ExitUsage;
    switch (options.mode) {
    case ToolMode::ListImporters:
        return listImporters(*plugins, out);
    case ToolMode::Detect:
        return detectImporters(*plugins, options.paths, out);
    default:
        return importPaths(*plugins, options, out);
    }
}

QtMessageHandler defaultMessageHandler = nullptr;

// Off screen, a missing runtime folder matters to nobody, but Qt warns about it while the GUI
// application starts (as it does when the tool runs as root or outside a desktop session).
void messageHandlerWithoutRuntimeFolderNote(QtMsgType type, const QMessageLogContext &context,
                                            const QString &message)
{
    if (!message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        defaultMessageHandler(type, context, message);
}

// Drawing text needs the fonts that only a GUI application loads. Pictures are drawn off
// screen, so no display is needed unless the user has chosen a platform.
std::unique_ptr<QCoreApplication> makeApplication(int &argc, char *argv[])
{
    if (!picturesRequested(argc, argv))
        return std::make_unique<QCoreApplication>(argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    defaultMessageHandler = qInstallMessageHandler(messageHandlerWithoutRuntimeFolderNote);
    auto application = std::make_unique<QGuiApplication>(argc, argv);
    qInstallMessageHandler(defaultMessageHandler);
    return application;
}

} // namespace

int main(int argc, char *argv[])
{
    const std::unique_ptr<QCoreApplication> application = makeApplication(argc, argv);
    // The host application's identity: the importers' QSettings read the host's preferences.
    QCoreApplication::setOrganizationName(QStringLiteral("Tessel"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessel"));

    const ParsedOptions parsed = parseOptions(QCoreApplication::arguments());
    if (!parsed.options) {
        printDiagnostic(parsed.usageError);
        printDiagnostic(QStringLiteral("try --help"));
        return ExitUsage;
    }
    PreferenceOverrides preferences;
    QString error;
    if (!preferences.apply(parsed.options->overrides, &error)) {
        printDiagnostic(error);
        return ExitFailure;
    }
    warnAboutUnknownKeys(parsed.options->overrides);
    return run(*parsed.options, preferences);
}
