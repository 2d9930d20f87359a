#pragma once

#include "batchoverview.h"
#include "plot.h"

#include <QJsonObject>
#include <QSet>
#include <QString>

#include <optional>

class QTextStream;
struct ImportResult;
struct ToolOptions;

// Reports each import as it arrives: a text summary, or the file's entry of the JSON document
// (written as it arrives, the overview at the end), the importer's date warning, the CSV export
// and the quick-look picture. Then lets the data store forget the file, so that a batch holds
// one file's data at a time. Remembers whether every file was imported, and what the batch
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
    bool exportTable(const ImportResult &result);
    bool drawPicture(const ImportResult &result);
    bool claimOutput(const QString &inputFile, const QString &target, const QString &refusal);
    void writeJsonFile(const QJsonObject &file);

    QTextStream &out;
    const bool json;
    const QString exportFolder;
    const std::optional<PlotTarget> plots;
    int jsonFilesWritten = 0;
    BatchOverview overview;
    QSet<QString> claimedOutputs;
    bool allImported = true;
};
