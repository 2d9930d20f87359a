#include "report/batchoverview.h"

#include "input/inputfiles.h"
#include "report/isotime.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QTextStream>

#include <algorithm>
#include <numeric>

namespace {

// Rows and duration count the files whose data reached the store.
struct Totals
{
    int files = 0;
    int ok = 0;
    qint64 rowCount = 0;
    qint64 dataRowCount = 0;
    double durationSeconds = 0;
};

Totals totalsOf(const QVector<OverviewLine> &lines)
{
    Totals totals;
    totals.files = int(lines.size());
    for (const OverviewLine &line : lines) {
        totals.ok += line.ok ? 1 : 0;
        if (!line.stored)
            continue;
        totals.rowCount += line.rowCount;
        totals.dataRowCount += dataRowsOf(line.rowCount);
        totals.durationSeconds += line.durationSeconds.value_or(0.0);
    }
    return totals;
}

// A path that gives no file, an import that stored nothing and an output not written all fail.
QString statusOf(const ImportResult &result)
{
    if (result.importer.isEmpty() && result.errors.isEmpty())
        return QStringLiteral("not recognised");
    if (!succeeded(result))
        return QStringLiteral("failed");
    return result.report.dayMonthCheck ? QStringLiteral("ok, check the date")
                                       : QStringLiteral("ok");
}

QString acquisitionText(const BatchLogAcquisition &acquisition)
{
    QString text = acquisition.acquisition;
    if (!acquisition.sampleName.isEmpty())
        text += QStringLiteral(" (sample %1)").arg(acquisition.sampleName);
    if (acquisition.result != QLatin1String("Pass"))
        text += QStringLiteral(": ") +
                (acquisition.result.isEmpty() ? QStringLiteral("no result") : acquisition.result);
    return text;
}

QString acquisitionsText(const QVector<BatchLogAcquisition> &acquisitions)
{
    QStringList texts;
    for (const BatchLogAcquisition &acquisition : acquisitions)
        texts.append(acquisitionText(acquisition));
    return texts.isEmpty() ? QStringLiteral("none") : texts.join(QStringLiteral(", "));
}

QJsonArray acquisitionsToJson(const QVector<BatchLogAcquisition> &acquisitions)
{
    QJsonArray array;
    for (const BatchLogAcquisition &acquisition : acquisitions)
        array.append(QJsonObject{{QStringLiteral("acquisition"), acquisition.acquisition},
                                 {QStringLiteral("sampleName"), acquisition.sampleName},
                                 {QStringLiteral("result"), acquisition.result.isEmpty()
                                                                ? QJsonValue()
                                                                : QJsonValue(acquisition.result)}});
    return array;
}

QString secondsText(double seconds)
{
    return QStringLiteral("%1 s").arg(seconds, 0, 'f', 1);
}

// The file below the inputs' common folder, or its whole path when they have none.
QStringList tableRow(const OverviewLine &line, const QString &folder)
{
    const QString none = QStringLiteral("-");
    return {folder.isEmpty() ? absolutePath(line.file) : pathBelow(folder, line.file),
            line.sample.value_or(QString()).isEmpty() ? none : *line.sample,
            line.start.isValid() ? isoTimeText(line.start) : none,
            line.durationSeconds ? secondsText(*line.durationSeconds) : none,
            QString::number(dataRowsOf(line.rowCount)),
            QString::number(line.channelCount),
            line.status};
}

void writeTable(const QVector<QStringList> &rows, const QVector<bool> &rightAligned,
                QTextStream &out)
{
    QVector<int> widths(rightAligned.size(), 0);
    for (const QStringList &row : rows) {
        for (int column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths.at(column), int(row.at(column).size()));
    }
    for (const QStringList &row : rows) {
        QStringList cells;
        for (int column = 0; column < row.size(); ++column)
            cells.append(rightAligned.at(column) ? row.at(column).rightJustified(widths.at(column))
                                                 : row.at(column).leftJustified(widths.at(column)));
        out << "  " << cells.join(QStringLiteral("  ")).trimmed() << '\n';
    }
}

QJsonObject lineToJson(const OverviewLine &line)
{
    return QJsonObject{
        {QStringLiteral("file"), line.file},
        {QStringLiteral("sampleName"), line.sample ? QJsonValue(*line.sample) : QJsonValue()},
        {QStringLiteral("startTime"),
         line.start.isValid() ? QJsonValue(isoTimeText(line.start)) : QJsonValue()},
        {QStringLiteral("durationSeconds"),
         line.durationSeconds ? QJsonValue(*line.durationSeconds) : QJsonValue()},
        {QStringLiteral("rowCount"), line.rowCount},
        {QStringLiteral("dataRowCount"), dataRowsOf(line.rowCount)},
        {QStringLiteral("channelCount"), line.channelCount},
        {QStringLiteral("status"), line.status}};
}

} // namespace

void BatchOverview::add(const ImportResult &result)
{
    lines.append(OverviewLine{result.file, result.sampleName,
                              inTimeZone(result.start, result.timeZone), result.durationSeconds,
                              result.rowCount, int(result.channels.size()), result.ok,
                              succeeded(result), statusOf(result)});
    // Only a batch folder holds a batch log.
    const QString batch = batchFolderOf(result.file);
    if (batch.isEmpty())
        return;
    exportedAcquisitions[batch].append(QFileInfo(result.file).absoluteDir().dirName());
    if (result.report.batchLog && !batchLogs.contains(batch))
        batchLogs.insert(batch, *result.report.batchLog);
}

QVector<BatchFindings> BatchOverview::batchFindings() const
{
    QVector<BatchFindings> findings;
    for (auto it = batchLogs.cbegin(); it != batchLogs.cend(); ++it) {
        BatchFindings batch{it.key(), it->file, int(it->acquisitions.size()), {}, {}};
        const QStringList exported = exportedAcquisitions.value(it.key());
        for (const BatchLogAcquisition &acquisition : it->acquisitions) {
            // Windows folder names do not tell case.
            if (!exported.contains(acquisition.acquisition, Qt::CaseInsensitive))
                batch.withoutExport.append(acquisition);
            if (acquisition.result != QLatin1String("Pass"))
                batch.notPassed.append(acquisition);
        }
        findings.append(batch);
    }
    return findings;
}

QVector<int> BatchOverview::acquisitionOrder() const
{
    QVector<int> order(lines.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this](int oneIndex, int otherIndex) {
        const OverviewLine &one = lines.at(oneIndex);
        const OverviewLine &other = lines.at(otherIndex);
        if (one.start.isValid() != other.start.isValid())
            return one.start.isValid();
        if (one.start.isValid())
            return one.start < other.start;
        return one.file < other.file;
    });
    return order;
}

QVector<OverviewLine> BatchOverview::inAcquisitionOrder() const
{
    QVector<OverviewLine> ordered;
    for (const int index : acquisitionOrder())
        ordered.append(lines.at(index));
    return ordered;
}

void BatchOverview::writeText(QTextStream &out) const
{
    QStringList files;
    for (const OverviewLine &line : lines)
        files.append(line.file);
    const QString folder = commonFolder(files);
    QVector<QStringList> rows{{QStringLiteral("file"), QStringLiteral("sample"),
                               QStringLiteral("start"), QStringLiteral("duration"),
                               QStringLiteral("data rows"), QStringLiteral("channels"),
                               QStringLiteral("status")}};
    for (const OverviewLine &line : inAcquisitionOrder())
        rows.append(tableRow(line, folder));
    const Totals totals = totalsOf(lines);
    out << "Batch overview, in order of acquisition"
        << (folder.isEmpty() ? QString() : QStringLiteral(" (files under %1)").arg(folder))
        << ":\n";
    writeTable(rows, {false, false, false, true, true, true, false}, out);
    out << "  Total: " << totals.files << " files (" << totals.ok << " ok, "
        << totals.files - totals.ok << " failed), " << totals.dataRowCount << " data rows, "
        << secondsText(totals.durationSeconds) << '\n';
    for (const BatchFindings &batch : batchFindings())
        out << "Batch " << batch.batchFolder << " (log " << batch.logFile << ", "
            << batch.acquisitionCount << " acquisitions):\n"
            << "  without an export among the inputs: " << acquisitionsText(batch.withoutExport)
            << '\n'
            << "  result other than \"Pass\": " << acquisitionsText(batch.notPassed) << '\n';
}

QJsonObject BatchOverview::toJson() const
{
    QJsonArray files;
    for (const OverviewLine &line : inAcquisitionOrder())
        files.append(lineToJson(line));
    const Totals totals = totalsOf(lines);
    QJsonArray batches;
    for (const BatchFindings &batch : batchFindings())
        batches.append(
            QJsonObject{{QStringLiteral("batchFolder"), batch.batchFolder},
                        {QStringLiteral("batchLog"), batch.logFile},
                        {QStringLiteral("acquisitionCount"), batch.acquisitionCount},
                        {QStringLiteral("withoutExport"), acquisitionsToJson(batch.withoutExport)},
                        {QStringLiteral("notPassed"), acquisitionsToJson(batch.notPassed)}});
    return QJsonObject{{QStringLiteral("files"), files},
                       {QStringLiteral("batches"), batches},
                       {QStringLiteral("totals"),
                        QJsonObject{{QStringLiteral("files"), totals.files},
                                    {QStringLiteral("ok"), totals.ok},
                                    {QStringLiteral("failed"), totals.files - totals.ok},
                                    {QStringLiteral("rowCount"), double(totals.rowCount)},
                                    {QStringLiteral("dataRowCount"), double(totals.dataRowCount)},
                                    {QStringLiteral("durationSeconds"), totals.durationSeconds}}}};
}
