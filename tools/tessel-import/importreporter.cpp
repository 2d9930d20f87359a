#include "importreporter.h"

#include "input/fileimport.h"
#include "report/csvexport.h"
#include "report/diagnostics.h"
#include "report/textreport.h"
#include "tool.h"

#include <QTextStream>

ImportReporter::ImportReporter(QTextStream &out, const ToolOptions &options,
                               const std::optional<PlotTarget> &plots)
    : out(out), exportFolder(options.exportDir), plots(plots)
{
    if (options.json)
        jsonDocument.emplace(out);
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
    const bool exportedWell =
        exportFolder.isEmpty() || !result.ok ||
        writeOutput(result.file, exportPath(exportFolder, result.file),
                    QStringLiteral("not exported"), [&](const QString &target, QString *error) {
                        return exportCsv(*result.stored, target, error);
                    });
    const bool drawnWell =
        !plots || !result.ok ||
        writeOutput(result.file, plots->pathFor(result.file), QStringLiteral("no picture drawn"),
                    [&](const QString &target, QString *error) {
                        return writeQuickLook(result, target, plots->format(), plots->size(),
                                              error);
                    });
    allImported = allImported && result.ok && exportedWell && drawnWell;
    overview.add(result);
}

// Each output file holds what one input file gave; a second input file whose output would land
// on the same path is refused rather than overwrite the first one's.
bool ImportReporter::writeOutput(const QString &inputFile, const QString &target,
                                 const QString &refusal, const Writer &write)
{
    if (claimedOutputs.contains(target)) {
        printDiagnostic(QStringLiteral("%1: %2, %3 already holds another file's output")
                            .arg(inputFile, refusal, target));
        return false;
    }
    claimedOutputs.insert(target);
    QString error;
    if (write(target, &error))
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
    return allImported && !problemsBefore ? ExitSuccess : ExitFailure;
}
