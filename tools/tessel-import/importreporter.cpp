#include "importreporter.h"

#include "input/fileimport.h"
#include "report/csvexport.h"
#include "report/diagnostics.h"
#include "report/outputpaths.h"
#include "report/textreport.h"
#include "tool.h"

#include <QTextStream>

ImportReporter::ImportReporter(QTextStream &out, const ToolOptions &options,
                               const std::optional<PlotTarget> &plots, const QString &inputsFolder,
                               const QString &timeZone)
    : out(out), exportFolder(options.exportDir), plots(plots), inputsFolder(inputsFolder)
{
    if (options.json)
        jsonDocument.emplace(out, timeZone);
    else
        writeTimeZoneLine(timeZone, out);
}

void ImportReporter::report(const ImportResult &result)
{
    if (jsonDocument)
        jsonDocument->addFile(importToJson(result));
    else
        writeTextReport(result, out);
    out.flush();
    if (result.importer.isEmpty())
        printDiagnostic(QStringLiteral("%1: not recognised by any importer").arg(result.file));
    else if (!result.ok)
        printDiagnostic(QStringLiteral("%1: the import stored no data").arg(result.file));
    if (result.dayMonthWarning)
        printDiagnostic(QStringLiteral("%1: %2").arg(result.file, result.dayMonthWarning->message));
    const bool exportedWell = exportFolder.isEmpty() || !result.ok || exportTable(result);
    const bool drawnWell = !plots || !result.ok || drawPicture(result);
    allImported = allImported && result.ok && exportedWell && drawnWell;
    overview.add(result);
}

bool ImportReporter::exportTable(const ImportResult &result)
{
    QString error;
    const QString target =
        mirroredPath(exportFolder, inputsFolder, result.file, QStringLiteral(".csv"));
    if (exportCsv(*result.stored, target, &error))
        return true;
    printDiagnostic(error);
    return false;
}

bool ImportReporter::drawPicture(const ImportResult &result)
{
    const QStringList missing = missingChannels(result, plots->style().channels);
    if (!missing.isEmpty()) {
        printDiagnostic(QStringLiteral("--channels: %1 has no channel %2 (its channels: %3); no "
                                       "picture drawn")
                            .arg(result.file, missing.join(QStringLiteral(", ")),
                                 result.stored->channelNames.join(QStringLiteral(", "))));
        channelsMissing = true;
        return false;
    }
    QString error;
    if (writeQuickLook(result, plots->pathFor(result.file), plots->style(), &error))
        return true;
    printDiagnostic(error);
    return false;
}

int ImportReporter::finish(bool problemsBefore)
{
    if (jsonDocument)
        jsonDocument->finish(overview.toJson());
    else if (overview.fileCount() > 1 || overview.hasBatchLogs())
        overview.writeText(out);
    out.flush();
    if (channelsMissing)
        return ExitUsage;
    return allImported && !problemsBefore ? ExitSuccess : ExitFailure;
}
