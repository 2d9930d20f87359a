#include "datatable.h"

#include "filelines.h"
#include "numberparser.h"
#include "zonetime.h"

#include <QString>
#include <QTimeZone>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>
#include <thread>
#include <unordered_set>

namespace {

// A data line holds a value and a comma for every channel, two bytes at least, so a table has
// fewer cells than its file has bytes. More cells come from short lines under a long channel
// header, and would let a small file claim memory out of all proportion (20,000 channels over
// 10,000 lines "0,0": 1.6 GB from 170 kB). Small tables are always allowed.
const qint64 minCellBudget = 1 << 20;

// A column over memory the table owns; its length is fixed.
std::unique_ptr<Column> columnOver(char *memory, arma::uword offset, int rows)
{
    auto *first = reinterpret_cast<double *>(memory) + offset;
    return std::make_unique<Column>(first, arma::uword(rows), false, true);
}
} // namespace

DataTable::DataTable(int rowCount)
    : timeMemory(size_t(rowCount) * sizeof(double)),
      timeColumn(columnOver(timeMemory.data(), 0, rowCount)), stride(arma::uword(rowCount))
{
    if (!timeMemory)
        throw std::bad_alloc(); // the importer ends the import with its memory message
}

bool DataTable::allocateChannels(const QStringList &channelNames)
{
    channelMemory = LargeBuffer(size_t(channelNames.size()) * size_t(rowCount()) * sizeof(double));
    if (!channelMemory)
        return false;
    names = channelNames;
    makeColumns(channelNames, rowCount());
    return true;
}

void DataTable::makeColumns(const QStringList &channelNames, int rows)
{
    columns.clear();
    byName.clear();
    for (int i = 0; i < channelNames.size(); ++i) {
        columns.push_back(columnOver(channelMemory.data(), stride * arma::uword(i), rows));
        byName.insert(channelNames.at(i), columns.back().get());
    }
}

void DataTable::truncate(int rows)
{
    makeColumns(names, rows);
    timeColumn = columnOver(timeMemory.data(), 0, rows);
}

namespace {

// Whether the bytes hold only ASCII characters and no NUL: then every line can be split in
// place. Otherwise each line is read as Qt decodes it (it ends at a NUL; multi-byte characters).
bool isPlainAscii(const char *begin, const char *end)
{
    unsigned char bits = 0;
    for (const char *p = begin; p < end; ++p)
        bits |= static_cast<unsigned char>(*p);
    return bits < 0x80 && std::memchr(begin, '\0', size_t(end - begin)) == nullptr;
}

// Calls field(index, value) for each comma-separated field until it answers false.
template<typename FieldFunction>
void forEachField(const char *begin, const char *end, FieldFunction field)
{
    for (int i = 0;; ++i) {
        double value;
        const char *fieldEnd = parseAsciiFieldAt(begin, end, value);
        if (!field(i, value) || fieldEnd == end)
            return;
        begin = fieldEnd + 1;
    }
}

// The same on the line's decoded text, for lines that hold more than plain ASCII.
template<typename FieldFunction>
void forEachDecodedField(const char *begin, const char *end, FieldFunction field)
{
    const QStringList parts = QString::fromUtf8(begin, int(end - begin)).split(QLatin1Char(','));
    for (int i = 0; i < parts.size(); ++i) {
        const QByteArray bytes = parts.at(i).toUtf8();
        if (!field(i, parseField(bytes.constData(), bytes.constData() + bytes.size())))
            return;
    }
}

// A line whose first field is empty ends the table. The CR of a CR LF line end does not count,
// so that an empty line ends the table whatever the line ends.
bool startsWithEmptyField(const char *begin, const char *end)
{
    if (end > begin && end[-1] == '\r')
        --end;
    return begin == end || *begin == ',';
}

// Reads ranges of data lines into their rows of the table. Ranges may be read concurrently:
// each row's slots are written by the range that holds it only.
class RowReader
{
public:
    RowReader(const FileLines &lines, const QStringList &channelNames, double startSeconds,
              DataTable &table, int countedRows)
        : lines(lines), startSeconds(startSeconds), time(table.time().memptr())
    {
        // A repeated name's column is zeroed for a short line only where it first stands: a
        // later position the line has no field for must not overwrite the value an earlier
        // field gave it.
        std::unordered_set<const double *> seen;
        for (const QString &name : channelNames) {
            double *column = table.channels().value(name)->memptr();
            zeroWhenMissing.push_back(seen.insert(column).second);
            byPosition.push_back(column);
        }
        plain =
            lines.isPlainAscii() || isPlainAscii(lines.lineBegin(firstDataLine),
                                                 lines.lineEnd(firstDataLine + countedRows - 1));
    }

    // Reads rows first to last - 1; answers the row whose first field is empty, or last.
    int read(int first, int last) const
    {
        for (int row = first; row < last; ++row) {
            const char *begin = lines.lineBegin(row + firstDataLine);
            const char *end = lines.lineEnd(row + firstDataLine);
            if (!plain)
                end = std::find(begin, end, '\0'); // Qt's decoding ends at a NUL
            if (startsWithEmptyField(begin, end))
                return row;
            readRow(row, begin, end);
        }
        return last;
    }

private:
    void readRow(int row, const char *begin, const char *end) const
    {
        size_t values = 0;
        const auto store = [&](int index, double value) {
            if (index == 0)
                time[row] = value + startSeconds;
            else
                byPosition[values++][row] = value;
            return values < byPosition.size();
        };
        if (plain || isPlainAscii(begin, end))
            forEachField(begin, end, store);
        else
            forEachDecodedField(begin, end, store);
        for (; values < byPosition.size(); ++values) {
            if (zeroWhenMissing[values])
                byPosition[values][row] = 0.0; // a short line leaves its missing channels at zero
        }
    }

    const FileLines &lines;
    const double startSeconds;
    double *const time;
    std::vector<double *> byPosition;
    std::vector<bool> zeroWhenMissing;
    bool plain = false;
};

// The rows in blocks of one progress step, taken in order by the reading threads. Progress for a
// block goes out on the calling thread once every block before it has been read without
// reaching the end of the table, so the reports come in the order and number of a reading by
// one thread.
class BlockReading
{
public:
    BlockReading(const RowReader &reader, int countedRows, int blockRows,
                 const std::function<void(int)> *progress)
        : reader(reader), countedRows(countedRows), blockRows(blockRows),
          blocks((countedRows + blockRows - 1) / blockRows), progress(progress),
          stops(size_t(blocks)), done(new std::atomic<bool>[size_t(blocks)])
    {
        for (int b = 0; b < blocks; ++b)
            done[b].store(false, std::memory_order_relaxed);
    }

    int run(int threads)
    {
        std::vector<std::thread> helpers;
        helpers.reserve(size_t(std::max(threads - 1, 0)));
        try {
            for (int i = 1; i < threads && i < blocks; ++i)
                helpers.emplace_back([this] { readBlocks(false); });
        } catch (const std::system_error &) {
            // fewer helpers: the blocks get read all the same
        }
        try {
            readBlocks(true);
        } catch (...) {
            failed.store(true); // a progress report that ran out of memory
        }
        for (std::thread &helper : helpers)
            helper.join();
        if (!failed.load())
            announceProgress();
        if (failed.load())
            throw std::bad_alloc(); // the importer ends the import with its memory message
        for (int b = 0; b < blocks; ++b) {
            if (stops[size_t(b)] < lastRow(b))
                return stops[size_t(b)];
        }
        return countedRows;
    }

private:
    int lastRow(int block) const { return std::min((block + 1) * blockRows, countedRows); }

    void readBlocks(bool callingThread)
    {
        for (int b; (b = next.fetch_add(1, std::memory_order_relaxed)) < blocks;) {
            if (callingThread)
                announceProgress();
            const int first = b * blockRows;
            int stop = first;
            if (b <=
                endBlock.load(std::memory_order_relaxed)) { // no block before it ended the table
                try {
                    stop = reader.read(first, lastRow(b));
                } catch (...) {
                    failed.store(true);
                }
            }
            if (stop < lastRow(b)) {
                for (int end = endBlock.load();
                     b < end && !endBlock.compare_exchange_weak(end, b);) {
                }
            }
            stops[size_t(b)] = stop;
            done[b].store(true, std::memory_order_release);
        }
    }

    // Reports the blocks whose predecessors have all been read in full.
    void announceProgress()
    {
        for (; announced < blocks; ++announced) {
            const int before = announced - 1;
            if (before >= 0 && (!done[before].load(std::memory_order_acquire) ||
                                stops[size_t(before)] < lastRow(before))) {
                return;
            }
            if (progress != nullptr)
                (*progress)(announced * blockRows);
        }
    }

    const RowReader &reader;
    const int countedRows;
    const int blockRows;
    const int blocks;
    const std::function<void(int)> *const progress;
    std::vector<int> stops;
    std::unique_ptr<std::atomic<bool>[]> done;
    std::atomic<int> next{0};
    std::atomic<int> endBlock{
        std::numeric_limits<int>::max()}; // the first block that ended the table
    std::atomic<bool> failed{false};
    int announced = 0; // calling thread only
};

int readerThreads(const FileLines &lines, int countedRows)
{
    const qsizetype bytes =
        lines.lineEnd(firstDataLine + countedRows - 1) - lines.lineBegin(firstDataLine);
    if (bytes < parallelReadBytes)
        return 1;
    return int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

} // namespace

int readDataRows(const FileLines &lines, const QStringList &channelNames, double startSeconds,
                 DataTable &table, const std::function<void(int)> &progress, int threads)
{
    const int rowCount = table.rowCount();
    const int countedRows = std::min(rowCount - 1, lines.count() - firstDataLine);
    if (countedRows <= 0)
        return 0;
    const RowReader reader(lines, channelNames, startSeconds, table, countedRows);
    const bool reportsProgress = rowCount > 20;
    BlockReading reading(reader, countedRows, reportsProgress ? rowCount / 20 : countedRows,
                         reportsProgress ? &progress : nullptr);
    return reading.run(threads > 0 ? threads : readerThreads(lines, countedRows));
}

void writeTerminatingRow(DataTable &table, const QStringList &channelNames, int rowsRead)
{
    Column &time = table.time();
    time[arma::uword(rowsRead)] = time[arma::uword(rowsRead - 1)] + 0.001;
    for (const QString &name : channelNames)
        (*table.channels().value(name))[arma::uword(rowsRead)] =
            std::numeric_limits<double>::quiet_NaN();
}

namespace {

// The row count takes a line only when it ends in two plain numbers ("0.52,1200"): a data line
// that ends otherwise (a sign, an exponent) is not counted, and the lines after the counted
// rows are not read. That must not happen unnoticed. rowsRead: negative when the table ended
// before its counted rows.
QStringList uncountedRowsWarning(const QString &path, const FileLines &lines, int rowsRead)
{
    const int nextLine = firstDataLine + rowsRead;
    if (rowsRead < 0 || nextLine >= lines.count())
        return {};
    const QByteArray next = lines.line(nextLine).trimmed();
    const bool startsWithTime =
        !next.isEmpty() && (std::isdigit(uchar(next.at(0))) || next.at(0) == '.');
    if (!startsWithTime)
        return {};
    return {QStringLiteral("The file \"%1\" holds data lines after the %2 rows that its row count "
                           "found, from line %3 on; they are not read. A data line is counted only "
                           "when it ends in two plain numbers, such as \"0.52,1200\".")
                .arg(path, QString::number(rowsRead), QString::number(nextLine + 1))};
}

// The date-time of a time column entry (seconds since the epoch) in the zone, truncated to
// milliseconds; invalid when the entry is not a number of representable milliseconds.
QDateTime dateTimeOfSeconds(double seconds, const QTimeZone &zone)
{
    const double milliseconds = std::trunc(seconds * 1000.0);
    if (!(std::fabs(milliseconds) < 9.2e18))
        return {};
    return inTimeZone(QDateTime::fromMSecsSinceEpoch(qint64(milliseconds), Qt::UTC), zone);
}

} // namespace

Outcome<ImportTable> readImportTable(const QString &path, FileLines &lines,
                                     const QStringList &channelNames, const QDateTime &start,
                                     const QTimeZone &zone,
                                     const std::function<void(int, int)> &progress)
{
    const quint64 fileSize = quint64(lines.content().size());
    auto table = std::make_unique<DataTable>(lines.dataLineCount() + 1);
    const int countedRows = table->rowCount();
    const qint64 cells = qint64(countedRows) * channelNames.size();
    if (cells > std::max(qint64(fileSize), minCellBudget))
        return loadFailure(path, QStringLiteral("because %1 rows of %2 channels are more values "
                                                "than its %3 bytes can hold: the data lines are "
                                                "shorter than the channel header.")
                                     .arg(QString::number(countedRows),
                                          QString::number(channelNames.size()),
                                          QString::number(fileSize)));
    if (!table->allocateChannels(channelNames))
        return loadFailure(
            path, QStringLiteral("because there is not enough memory for %1 rows "
                                 "of %2 channels.")
                      .arg(QString::number(countedRows), QString::number(channelNames.size())));
    const double startSeconds = double(start.toMSecsSinceEpoch()) / 1000.0;
    const int rowsRead = readDataRows(lines, channelNames, startSeconds, *table,
                                      [&](int row) { progress(row, countedRows); });
    ImportTable read{
        nullptr, QDateTime(),
        uncountedRowsWarning(path, lines, rowsRead + 1 == countedRows ? rowsRead : -1)};
    lines.release();
    if (rowsRead == 0)
        return loadFailure(path, QStringLiteral("because it holds no data rows."), read.warnings);
    // A table that ends early hands on the rows read and its terminating row, nothing more.
    if (rowsRead + 1 < countedRows)
        table->truncate(rowsRead + 1);
    writeTerminatingRow(*table, channelNames, rowsRead);
    read.end = dateTimeOfSeconds(table->time()[arma::uword(rowsRead)], zone);
    read.table = std::move(table);
    return {std::move(read)};
}
