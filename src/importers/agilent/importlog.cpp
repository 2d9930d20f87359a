#include "importlog.h"

#include "log.h"

#include <QDateTime>
#include <QDebug>

namespace ImportLog {

namespace {

struct Origin
{
    const char *function;
    const char *signature;
};

// By Stage, in its order.
const Origin &originOf(Stage stage)
{
    static const Origin origins[] = {
        {"AgilentImporter::importData", "void __cdecl AgilentImporter::importData(bool)"},
        {"AgilentImporter::getDateTimeFromCSV",
         "class QDateTime __cdecl AgilentImporter::getDateTimeFromCSV(const class QList<class "
         "QByteArray> &)"},
        {"AgilentImporter::getXMLMetadata", "bool __cdecl AgilentImporter::getXMLMetadata(void)"},
        {"AgilentImporter::correctFormat", "bool __cdecl AgilentImporter::correctFormat(void)"}};
    return origins[int(stage)];
}

// The debug entries' source path: the importer's source file in the project, without its
// extension, whatever folder or compiler built it.
const char sourcePath[] = "src/importers/agilent/agilentimporter";

QDateTime now()
{
    return QDateTime::currentDateTime();
}

} // namespace

void warning(Stage stage, const QString &text)
{
    TsLog().warningWithOrigin(text, QLatin1String(originOf(stage).signature), now());
}

void warnings(Stage stage, const QStringList &texts)
{
    for (const QString &text : texts)
        warning(stage, text);
}

void note(Stage stage, const QString &text)
{
    TsLog().debugWithOrigin(text, QLatin1String(originOf(stage).signature), now());
}

void debug(Stage stage, int line, const QString &text)
{
    TsLog().debugWithOrigin(text,
                            QStringLiteral("%1:%2 %3")
                                .arg(QLatin1String(sourcePath), QString::number(line),
                                     QLatin1String(originOf(stage).function)),
                            now());
}

const Exit &exitOf(Failure failure)
{
    static const Exit exits[] = {
        {false, Stage::Import, ErrorSignal::None,
         QStringLiteral("Couldn't load data. Check messages."), true},
        {true, Stage::Import, ErrorSignal::None,
         QStringLiteral("File load error. See messages for details."), false},
        {true, Stage::Import, ErrorSignal::None, QStringLiteral("Timestamp error."), false},
        {true, Stage::Import, ErrorSignal::Warning,
         QStringLiteral("Time zone error. See messages for details."), false},
        {true, Stage::Import, ErrorSignal::None,
         QStringLiteral("Channel header error. See messages for details."), false},
        {true, Stage::Stamp, ErrorSignal::Message,
         QStringLiteral("Time stamp error. See messages for details."), false},
        {true, Stage::Stamp, ErrorSignal::Warning,
         QStringLiteral("Time stamp error. See messages for details."), false},
        {true, Stage::Stamp, ErrorSignal::Warning,
         QStringLiteral("A problem occurred. Check messages."), false}};
    static_assert(sizeof exits / sizeof *exits == int(Failure::StampImpossible) + 1,
                  "one exit for each failure");
    return exits[int(failure)];
}

void failure(const ImportFailure &failure)
{
    warnings(Stage::Import, failure.earlierWarnings);
    if (!failure.debugLine.isEmpty())
        qDebug().noquote() << failure.debugLine;
    const Exit &exit = exitOf(failure.failure);
    if (exit.hasOrigin)
        warning(exit.origin, failure.warning);
    else
        TsLog().warning(failure.warning, now());
}

} // namespace ImportLog
