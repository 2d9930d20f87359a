#include "datatable.h"

#include "filelines.h"
#include "numberparser.h"

#include <QString>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <unordered_set>

namespace {
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

const int dataLineOffset = 4; // three header lines and the channel header come first

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

} // namespace

int readDataRows(const FileLines &lines, const QStringList &channelNames, double startSeconds,
                 DataTable &table, const std::function<void(int)> &progress)
{
    const int rowCount = table.rowCount();
    const int countedRows = std::min(rowCount - 1, lines.count() - dataLineOffset);
    if (countedRows <= 0)
        return 0;
    const int progressStep = rowCount > 20 ? rowCount / 20 : 0;
    std::vector<double *> byPosition;
    // A repeated name's column is zeroed for a short line only where it first stands: a later
    // position the line has no field for must not overwrite the value an earlier field gave it.
    std::vector<bool> zeroWhenMissing;
    std::unordered_set<const double *> seen;
    for (const QString &name : channelNames) {
        double *column = table.channels().value(name)->memptr();
        zeroWhenMissing.push_back(seen.insert(column).second);
        byPosition.push_back(column);
    }
    double *time = table.time().memptr();
    const bool plain = isPlainAscii(lines.lineBegin(dataLineOffset),
                                    lines.lineEnd(dataLineOffset + countedRows - 1));

    int row = 0;
    for (; row < countedRows; ++row) {
        if (progressStep > 0 && row % progressStep == 0)
            progress(row);
        const char *begin = lines.lineBegin(row + dataLineOffset);
        const char *end = lines.lineEnd(row + dataLineOffset);
        if (!plain)
            end = std::find(begin, end, '\0'); // Qt's decoding ends at a NUL
        if (startsWithEmptyField(begin, end))
            break;
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
    return row;
}

void writeTerminatingRow(DataTable &table, const QStringList &channelNames, int rowsRead)
{
    Column &time = table.time();
    time[arma::uword(rowsRead)] = time[arma::uword(rowsRead - 1)] + 0.001;
    for (const QString &name : channelNames)
        (*table.channels().value(name))[arma::uword(rowsRead)] = std::numeric_limits<double>::quiet_NaN();
}
