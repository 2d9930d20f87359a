// tessel-import: a command-line host for the importer plug-ins. It loads them as the host
// application does, imports files into the in-process data store and reports what arrived.
#include "options/commandline.h"
#include "output/picturelibrary.h"
#include "terminal/terminal.h"
#include "tool.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

// A run that draws pictures needs the picture library's GUI application; null, with the reason,
// when that library cannot be loaded.
std::unique_ptr<QCoreApplication> makeApplication(int &argc, char *argv[], QString *error)
{
    if (!picturesRequested(argc, argv))
        return std::make_unique<QCoreApplication>(argc, argv);
    const PictureLibrary *pictures = pictureLibrary(error);
    if (pictures == nullptr)
        return nullptr;
    return std::unique_ptr<QCoreApplication>(pictures->makeApplication(&argc, argv));
}

} // namespace

int main(int argc, char *argv[])
{
    setUpStandardStreams();
    QString pictureError;
    const std::unique_ptr<QCoreApplication> application =
        makeApplication(argc, argv, &pictureError);
    if (!application) {
        printDiagnostic(pictureError);
        return ExitFailure;
    }
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
