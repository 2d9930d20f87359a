#include "importreporter.h"

#include "csvexport.h"
#include "diagnostics.h"
#include "fileimport.h"
#include "jsonreport.h"
#include "options.h"
#include "textreport.h"

#include <QJsonDocument>
#include <QTextStream>

ImportReporter::ImportReporter(QTextStream &out, const ToolOptions &options,
                               const std::optional<PlotTarget> &plots)
    : out(out), json(options.json), exportFolder(options.exportDir), plots(plots)
{}

void ImportReporter::report(const ImportResult &result)
{
    if (json)
        writeJsonFile(importToJson(result));
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
    Session()->data()->forgetFile(result.file);
}

// Each output file holds what one input file gave; a second input file whose output would land
// on the same path is refused rather than overwrite the first one's.
bool ImportReporter::claimOutput(const QString &inputFile, const QString &target,
                                 const QString &refusal)
{
    if (!claimedOutputs.contains(target)) {
        claimedOutputs.insert(target);
        return true;
    }
    printDiagnostic(QStringLiteral("%1: %2, %3 already holds another file's output")
                        .arg(inputFile, refusal, target));
    return false;
}

bool ImportReporter::exportTable(const ImportResult &result)
{
    const QString target = exportPath(exportFolder, result.file);
    if (!claimOutput(result.file, target, QStringLiteral("not exported")))
        return false;
    QString error;
    if (exportCsv(*result.stored, target, &error))
        return true;
    printDiagnostic(error);
    return false;
}

bool ImportReporter::drawPicture(const ImportResult &result)
{
    const QString target = plots->pathFor(result.file);
    if (!claimOutput(result.file, target, QStringLiteral("no picture drawn")))
        return false;
    QString error;
    if (writeQuickLook(result, target, plots->format(), plots->size(), &error))
        return true;
    printDiagnostic(error);
    return false;
}

namespace {

const char jsonDocumentStart[] = "{\n    \"files\": [\n";

// A JSON value as QJsonDocument writes it indented, nested the given number of spaces deep: every
// line but the first moved right, without the final line break.
QString nestedJson(const QJsonObject &object, int depth)
{
    QString text = QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
    text.chop(1);
    return text.replace(QLatin1Char('\n'), QLatin1Char('\n') + QString(depth, QLatin1Char(' ')));
}

} // namespace

// The document is written as QJsonDocument would write it whole, one file's entry at a time, so
// that a batch holds no report of a file it has finished with.
void ImportReporter::writeJsonFile(const QJsonObject &file)
{
    out << (jsonFilesWritten == 0 ? jsonDocumentStart : ",\n") << "        " << nestedJson(file, 8);
    ++jsonFilesWritten;
}

int ImportReporter::finish(bool problemsBefore)
{
    if (json) {
        out << (jsonFilesWritten == 0 ? jsonDocumentStart : "\n")
            << "    ],\n    \"overview\": " << nestedJson(overview.toJson(), 4) << "\n}\n";
    } else if (overview.fileCount() > 1 || overview.hasBatchLogs()) {
        overview.writeText(out);
    }
    out.flush();
    return allImported && !problemsBefore ? ExitSuccess : ExitFailure;
}
