#pragma once

#include "importreport.h"
#include "output/outputpaths.h"
#include "report/batchoverview.h"
#include "report/jsonreport.h"

#include <QString>

#include <optional>

class QTextStream;
struct ImportResult;
struct ToolOptions;

// Reports each import as it arrives: writes the CSV export and the quick-look picture, then the
// text summary or the file's entry of the JSON document (written as it arrives, the overview at
// the end), both with the outputs, then on stderr what failed and the importer's date warning.
// Remembers whether every file was imported and written, and what the batch overview needs. The
// outputs' paths are checked before the run (see outputProblem).
class ImportReporter
{
public:
    // Reports times as in the zone named; outputs go below the folders of the options at the
    // inputs' paths relative to inputsFolder. A failed import whose error quotes the value of a
    // preference is followed by how to change it (see preferenceAdvice).
    ImportReporter(QTextStream &out, const ToolOptions &options,
                   const std::optional<PlotTarget> &plots, const QString &inputsFolder,
                   const QString &timeZone, const PreferenceDeclarations &preferences);

    void report(const ImportResult &result);
    // Writes what waits for the end of the run; the exit code of the run.
    int finish();

private:
    FileOutput exportTable(const ImportResult &result, StageClock &clock) const;
    FileOutput drawPicture(const ImportResult &result);
    void printFailures(const ImportResult &result) const;

    QTextStream &out;
    const QString exportFolder;
    const std::optional<PlotTarget> plots;
    const QString inputsFolder;
    const PreferenceDeclarations preferences;
    const bool timings;
    std::optional<JsonDocumentWriter> jsonDocument;
    BatchOverview overview;
    bool allImported = true;
    bool channelsMissing = false; // --channels named a channel that a file lacks
};
