#pragma once

#include "plot/quicklook.h"
#include "report/batchoverview.h"
#include "report/jsonreport.h"

#include <QSet>
#include <QString>

#include <functional>
#include <optional>

class QTextStream;
struct ImportResult;
struct ToolOptions;

// Reports each import as it arrives: a text summary, or the file's entry of the JSON document
// (written as it arrives, the overview at the end), the importer's date warning, the CSV export
// and the quick-look picture. Remembers whether every file was imported, and what the batch
// overview needs.
class ImportReporter
{
public:
    ImportReporter(QTextStream &out, const ToolOptions &options,
                   const std::optional<PlotTarget> &plots);

    void report(const ImportResult &result);
    // Writes what waits for the end of the run; the exit code of the run.
    int finish(bool problemsBefore);

private:
    using Writer = std::function<bool(const QString &target, QString *error)>;
    bool writeOutput(const QString &inputFile, const QString &target, const QString &refusal,
                     const Writer &write);

    QTextStream &out;
    const QString exportFolder;
    const std::optional<PlotTarget> plots;
    std::optional<JsonDocumentWriter> jsonDocument;
    BatchOverview overview;
    QSet<QString> claimedOutputs;
    bool allImported = true;
};
