#include "output/csvexport.h"

#include "datamanager.h"
#include "importreport.h"
#include "report/numbertext.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// Rows are formatted in blocks of at most this many bytes.
const size_t blockBytes = size_t(4) << 20;

std::string headerLine(const QStringList &channelNames)
{
    const QStringList names = QStringList{QStringLiteral("time")} + channelNames;
    return names.join(QLatin1Char(',')).toStdString() + '\n';
}

// Formats blocks of rows as CSV lines: the time, then the channels.
class RowFormatter
{
public:
    RowFormatter(const Column &time, const std::vector<const Column *> &columns)
        : time(time), columns(columns), rowBytes((columns.size() + 1) * slotBytes),
          blockRows(std::max<arma::uword>(1, blockBytes / rowBytes))
    {}

    // Writes rows first to last - 1 to out, which holds rowBytes per row; answers the length.
    size_t format(arma::uword first, arma::uword last, char *out) const
    {
        char *const begin = out;
        const size_t fields = columns.size() + 1;
        std::vector<int> decimals(fields, 0);
        // A row's numbers are written each to a slot of its own, then joined: the slots do
        // not wait on one another's lengths, so the processor writes several at once. Each
        // slot is copied whole; a field advances out by its length only, so the copies stay
        // within the row's rowBytes.
        std::vector<char> texts(rowBytes);
        std::vector<size_t> lengths(fields);
        for (arma::uword row = first; row < last; ++row) {
            for (size_t field = 0; field < fields; ++field) {
                char *const slot = texts.data() + field * slotBytes;
                const double value = field == 0 ? time[row] : (*columns[field - 1])[row];
                char *const end = writeShortest(slot, value, decimals[field]);
                *end = ',';
                lengths[field] = size_t(end - slot) + 1;
            }
            for (size_t field = 0; field < fields; ++field) {
                std::memcpy(out, texts.data() + field * slotBytes, slotBytes);
                out += lengths[field];
            }
            out[-1] = '\n';
        }
        return size_t(out - begin);
    }

    // A number's text and its separator.
    static const size_t slotBytes = maxNumberText + 1;
    const Column &time;
    const std::vector<const Column *> &columns;
    const size_t rowBytes;
    const arma::uword blockRows;
};

} // namespace

bool exportCsv(const RawInput &input, const QString &targetPath, StageClock &clock, QString *error)
{
    std::vector<const Column *> columns;
    for (const QString &name : input.channelNames) {
        const auto column = input.channels.constFind(name);
        if (column == input.channels.constEnd()) {
            *error = QStringLiteral("the stored data lack the channel %1").arg(name);
            return false;
        }
        columns.push_back(&column.value());
    }

    const QString folder = QFileInfo(targetPath).path();
    if (!QDir().mkpath(folder)) {
        *error =
            QStringLiteral("cannot write %1: cannot create the folder %2").arg(targetPath, folder);
        return false;
    }
    QSaveFile file(targetPath);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write %1: %2").arg(targetPath, file.errorString());
        return false;
    }
    const std::string header = headerLine(input.channelNames);
    file.write(header.data(), qint64(header.size()));
    clock.lap(QStringLiteral("export opening"));
    const RowFormatter formatter(input.time, columns);
    const arma::uword rows = input.rowCount > 0 ? arma::uword(input.rowCount - 1) : 0;
    // Each round formats one block of rows per thread, then writes the blocks in order.
    const int threads =
        std::thread::hardware_concurrency() > 1 && rows >= 2 * formatter.blockRows ? 2 : 1;
    std::vector<std::unique_ptr<char[]>> blocks;
    for (int t = 0; t < threads; ++t)
        blocks.push_back(std::make_unique<char[]>(formatter.blockRows * formatter.rowBytes));
    std::vector<size_t> lengths(static_cast<size_t>(threads));
    for (arma::uword first = 0; first < rows; first += threads * formatter.blockRows) {
        const auto format = [&](int t) {
            const arma::uword begin = std::min(rows, first + t * formatter.blockRows);
            const arma::uword end = std::min(rows, begin + formatter.blockRows);
            lengths[size_t(t)] = formatter.format(begin, end, blocks[size_t(t)].get());
        };
        std::thread helper;
        if (threads > 1)
            helper = std::thread(format, 1);
        format(0);
        if (helper.joinable())
            helper.join();
        clock.lap(QStringLiteral("export formatting"));
        for (int t = 0; t < threads; ++t)
            file.write(blocks[size_t(t)].get(), qint64(lengths[size_t(t)]));
        clock.lap(QStringLiteral("export writing"));
    }
    // The commit flushes the file to the disk and then puts it in place of any earlier one.
    const bool saved = file.commit();
    clock.lap(QStringLiteral("export saving"));
    if (saved)
        return true;
    *error = QStringLiteral("cannot write %1: %2").arg(targetPath, file.errorString());
    return false;
}
