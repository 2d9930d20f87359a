#include "datatable.h"

#include "filelines.h"
#include "numberparser.h"

#include <QString>

#include <cstring>
#include <limits>

DataTable::DataTable(int rowCount) : timeColumn(arma::uword(rowCount), arma::fill::zeros) {}

void DataTable::allocateChannels(const QStringList &channelNames)
{
    for (const QString &name : channelNames) {
        columns.push_back(std::make_unique<Column>(timeColumn.n_elem, arma::fill::zeros));
        byName.insert(name, columns.back().get());
    }
}

void DataTable::truncate(int rows)
{
    timeColumn.resize(arma::uword(rows));
    for (auto &column : columns)
        column->resize(arma::uword(rows));
}

namespace {

const int dataLineOffset = 4; // three header lines and the channel header come first

// The line as Qt's UTF-8 decoding sees it: it ends at a NUL byte.
const char *visibleEnd(const char *begin, const char *end)
{
    const void *nul = std::memchr(begin, '\0', size_t(end - begin));
    return nul ? static_cast<const char *>(nul) : end;
}

bool isAscii(const char *begin, const char *end)
{
    for (const char *p = begin; p < end; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80)
            return false;
    }
    return true;
}

// Calls field(index, begin, end) for each comma-separated field; a line with multi-byte
// characters is split in its decoded form, as a text reader would.
template<typename FieldFunction>
void forEachField(const char *begin, const char *end, FieldFunction field)
{
    if (!isAscii(begin, end)) {
        const QStringList parts = QString::fromUtf8(begin, int(end - begin)).split(QLatin1Char(','));
        for (int i = 0; i < parts.size(); ++i) {
            const QByteArray bytes = parts.at(i).toUtf8();
            if (!field(i, bytes.constData(), bytes.constData() + bytes.size()))
                return;
        }
        return;
    }
    for (int i = 0;; ++i) {
        const char *comma = static_cast<const char *>(std::memchr(begin, ',', size_t(end - begin)));
        if (!field(i, begin, comma ? comma : end) || !comma)
            return;
        begin = comma + 1;
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
    const int progressStep = rowCount > 20 ? rowCount / 20 : 0;
    std::vector<Column *> byPosition;
    for (const QString &name : channelNames)
        byPosition.push_back(table.channels().value(name));
    double *time = table.time().memptr();

    int row = 0;
    for (; row < countedRows; ++row) {
        if (progressStep > 0 && row % progressStep == 0)
            progress(row);
        const char *begin = lines.lineBegin(row + dataLineOffset);
        const char *end = visibleEnd(begin, lines.lineEnd(row + dataLineOffset));
        if (startsWithEmptyField(begin, end))
            break;
        forEachField(begin, end, [&](int index, const char *fieldBegin, const char *fieldEnd) {
            const double value = parseField(fieldBegin, fieldEnd);
            if (index == 0)
                time[row] = value + startSeconds;
            else
                (*byPosition[size_t(index - 1)])[arma::uword(row)] = value;
            return size_t(index) < byPosition.size();
        });
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
