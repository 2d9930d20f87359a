// tessel-import: a command-line host for the importer plug-ins. It loads them as the host
// application does, imports files into the in-process data store and reports what arrived.
#include "options/commandline.h"
#include "terminal/terminal.h"
#include "tool.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

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
    setUpStandardStreams();
    const std::unique_ptr<QCoreApplication> application = makeApplication(argc, argv);
    // The host application's identity: the importers' QSettings read the host's preferences.
    QCoreApplication::setOrganizationName(QStringLiteral("Tessel"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessel"));

    const ParsedOptions parsed = parseOptions(QCoreApplication::arguments());
    if (!parsed.answer.isEmpty()) {
        const QByteArray answer = parsed.answer.toUtf8();
        std::fwrite(answer.constData(), 1, size_t(answer.size()), stdout);
        return ExitSuccess;
    }
    if (!parsed.options) {
        printDiagnostic(parsed.usageError);
        printDiagnostic(QStringLiteral("try --help"));
        return ExitUsage;
    }
    QTextStream out(stdout);
    out.setCodec("UTF-8");
    return runTool(*parsed.options, out);
}
