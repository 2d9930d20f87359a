#pragma once

#include "plot/quicklook.h"
#include "report/batchoverview.h"
#include "report/jsonreport.h"

#include <QString>

#include <optional>

class QTextStream;
struct ImportResult;
struct ToolOptions;

// Reports each import as it arrives: a text summary, or the file's entry of the JSON document
// (written as it arrives, the overview at the end), the importer's date warning, the CSV export
// and the quick-look picture. Remembers whether every file was imported, and what the batch
// overview needs. The outputs' paths are checked before the run (see outputProblem).
class ImportReporter
{
public:
    // Reports times as in the zone named; outputs go below the folders of the options at the
    // inputs' paths relative to inputsFolder.
    ImportReporter(QTextStream &out, const ToolOptions &options,
                   const std::optional<PlotTarget> &plots, const QString &inputsFolder,
                   const QString &timeZone);

    void report(const ImportResult &result);
    // Writes what waits for the end of the run; the exit code of the run.
    int finish(bool problemsBefore);

private:
    bool exportTable(const ImportResult &result);
    bool drawPicture(const ImportResult &result);

    QTextStream &out;
    const QString exportFolder;
    const std::optional<PlotTarget> plots;
    const QString inputsFolder;
    std::optional<JsonDocumentWriter> jsonDocument;
    BatchOverview overview;
    bool allImported = true;
    bool channelsMissing = false; // --channels named a channel that a file lacks
};
