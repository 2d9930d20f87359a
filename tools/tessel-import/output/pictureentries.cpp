// The picture library's entry points, which the tool looks up by name once it has loaded it.
#include "output/picturefile.h"

#include <QGuiApplication>

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

} // namespace

// Pictures are drawn off screen, so no display is needed unless the user has chosen a platform.
extern "C" QCoreApplication *tesselMakePictureApplication(int *argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    defaultMessageHandler = qInstallMessageHandler(messageHandlerWithoutRuntimeFolderNote);
    auto *application = new QGuiApplication(*argc, argv);
    qInstallMessageHandler(defaultMessageHandler);
    return application;
}

extern "C" bool tesselWriteQuickLook(const ImportResult &result, const QString &path,
                                     const PictureStyle &style, QString *error)
{
    return writeQuickLook(result, path, style, error);
}
