#include "importreporter.h"

#include "csvexport.h"
#include "diagnostics.h"
#include "fileimport.h"
#include "jsonreport.h"
#include "options.h"
#include "textreport.h"

#include <QJsonDocument>
#include <QTextStream>

ImportReporter::ImportReporter(QTextStream &out, bool json, const QString &exportFolder)
    : out(out), json(json), exportFolder(exportFolder)
{}

void ImportReporter::report(const ImportResult &result)
{
    if (json)
        jsonFiles.append(importToJson(result));
    else
        writeTextReport(result, out);
    out.flush();
    if (result.importer.isEmpty())
        printDiagnostic(QStringLiteral("%1: not recognised by any importer").arg(result.file));
    else if (!result.ok)
        printDiagnostic(QStringLiteral("%1: the import stored no data").arg(result.file));
    const bool exportedWell = exportFolder.isEmpty() || !result.ok || exportTable(result);
    allImported = allImported && result.ok && exportedWell;
    Session()->data()->forgetFile(result.file);
}

bool ImportReporter::exportTable(const ImportResult &result)
{
    const QString target = exportPath(exportFolder, result.file);
    if (exported.contains(target)) {
        printDiagnostic(QStringLiteral("%1: not exported, %2 already holds another file's table")
                            .arg(result.file, target));
        return false;
    }
    exported.insert(target);
    QString error;
    if (exportCsv(*result.stored, target, &error))
        return true;
    printDiagnostic(error);
    return false;
}

int ImportReporter::finish(bool problemsBefore)
{
    if (json) {
        out << QJsonDocument(QJsonObject{{QStringLiteral("files"), jsonFiles}}).toJson();
        out.flush();
    }
    return allImported && !problemsBefore ? ExitSuccess : ExitFailure;
}
