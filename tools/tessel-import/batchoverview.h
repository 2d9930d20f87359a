#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QVector>

#include <optional>

class QTextStream;
struct ImportResult;

// What the overview shows of one file's import.
struct OverviewLine
{
    QString file;
    std::optional<QString> sample;
    QDateTime start;
    std::optional<double> durationSeconds;
    int rowCount = 0;
    int channelCount = 0;
    bool ok = false;
    QString status;
};

// The end of a batch: one line per file in order of acquisition (files without a valid start
// last, in path order) and the totals.
class BatchOverview
{
public:
    void add(const ImportResult &result, bool startTimeWarning);
    int fileCount() const { return int(lines.size()); }

    void writeText(QTextStream &out) const;
    QJsonObject toJson() const;

private:
    QVector<OverviewLine> inAcquisitionOrder() const;

    QVector<OverviewLine> lines;
};
