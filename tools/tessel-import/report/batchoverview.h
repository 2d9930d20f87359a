#pragma once

#include "model/importresult.h"

#include <QDateTime>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QVector>

#include <optional>

class QTextStream;

// What the overview shows of one file's import.
struct OverviewLine
{
    QString file;
    std::optional<QString> sample;
    QDateTime start; // in the zone the import was read in
    std::optional<double> durationSeconds;
    int rowCount = 0;
    int channelCount = 0;
    bool stored = false; // the data reached the store: its rows and duration count
    bool ok = false;     // stored, and every output written
    QString status;
};

// What an instrument batch's log says that the inputs do not show: its acquisitions that have
// no export among the inputs, and those whose acquisition did not pass.
struct BatchFindings
{
    QString batchFolder;
    QString logFile;
    int acquisitionCount = 0;
    QVector<BatchLogAcquisition> withoutExport;
    QVector<BatchLogAcquisition> notPassed;
};

// The end of a batch: one line per file in order of acquisition (files without a valid start
// last, in path order), the totals, and for each instrument batch with a log what it lacks.
class BatchOverview
{
public:
    void add(const ImportResult &result);
    int fileCount() const { return int(lines.size()); }
    bool hasBatchLogs() const { return !batchLogs.isEmpty(); }

    // The places of the files added, in the order they were added, sorted by acquisition: by
    // start, then the files without a valid start in path order.
    QVector<int> acquisitionOrder() const;

    void writeText(QTextStream &out) const;
    QJsonObject toJson() const;

private:
    QVector<OverviewLine> inAcquisitionOrder() const;
    QVector<BatchFindings> batchFindings() const;

    QVector<OverviewLine> lines;
    QMap<QString, BatchLogReport> batchLogs;         // by batch folder
    QMap<QString, QStringList> exportedAcquisitions; // ".d" folders of the inputs, by batch folder
};
