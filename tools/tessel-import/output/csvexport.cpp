#include "output/csvexport.h"

#include "datamanager.h"
#include "importreport.h"
#include "largebuffer.h"
#include "report/numbertext.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
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

// Runs work(round) on a thread of its own for round 0, 1, ... as each is asked for; the thread
// starts once. An export of 100 MB takes about 55 rounds, and under Windows starting a thread
// for each took a millisecond, and the new thread another two to begin: half of each round.
class RoundHelper
{
public:
    // Throws std::system_error when the thread cannot be started.
    explicit RoundHelper(std::function<void(size_t)> work)
        : work(std::move(work)), thread([this] { run(); })
    {}
    ~RoundHelper()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        changed.notify_all();
        thread.join();
    }
    void start(size_t round)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            asked = round + 1;
        }
        changed.notify_all();
    }
    void wait(size_t round)
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return done > round; });
    }

private:
    void run()
    {
        for (size_t round = 0;; ++round) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return stopping || asked > round; });
                if (asked <= round)
                    return;
            }
            work(round);
            {
                const std::lock_guard<std::mutex> lock(mutex);
                done = round + 1;
            }
            changed.notify_all();
        }
    }

    const std::function<void(size_t)> work;
    std::mutex mutex;
    std::condition_variable changed;
    size_t asked = 0;
    size_t done = 0;
    bool stopping = false;
    std::thread thread; // last: it starts once the members it reads exist
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

    const RowFormatter formatter(input.time, columns);
    const arma::uword rows = input.rowCount > 0 ? arma::uword(input.rowCount - 1) : 0;
    // Each round formats one block of rows per thread, then writes the blocks in order. A block
    // holds no more rows than the table has: a batch of small exports would otherwise take
    // megabytes for each file. The blocks are large memory, which a batch's next export takes
    // again (a fresh block's pages would each cost a fault), left unset: every byte written out
    // is formatted first.
    const size_t blockBytes =
        size_t(std::min(formatter.blockRows, std::max<arma::uword>(rows, 1))) * formatter.rowBytes;
    const LargeBuffer block(blockBytes);
    LargeBuffer helperBlock;
    if (std::thread::hardware_concurrency() > 1 && rows >= 2 * formatter.blockRows)
        helperBlock = LargeBuffer(blockBytes); // with a thread of its own when one can be had
    if (!block) {
        *error = QStringLiteral("cannot write %1: not enough memory").arg(targetPath);
        return false;
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
    const arma::uword roundRows = (helperBlock ? 2 : 1) * formatter.blockRows;
    const auto formatBlock = [&](size_t round, int t, char *out) {
        const arma::uword begin = std::min(rows, round * roundRows + t * formatter.blockRows);
        return formatter.format(begin, std::min(rows, begin + formatter.blockRows), out);
    };
    size_t helperLength = 0;
    std::optional<RoundHelper> helper;
    if (helperBlock) {
        try {
            helper.emplace(
                [&](size_t round) { helperLength = formatBlock(round, 1, helperBlock.data()); });
        } catch (const std::system_error &) {
            // formatted on this thread alone, two blocks a round
        }
    }
    for (size_t round = 0; round * roundRows < rows; ++round) {
        if (helper)
            helper->start(round);
        else if (helperBlock)
            helperLength = formatBlock(round, 1, helperBlock.data());
        const size_t length = formatBlock(round, 0, block.data());
        if (helper)
            helper->wait(round);
        clock.lap(QStringLiteral("export formatting"));
        file.write(block.data(), qint64(length));
        if (helperBlock)
            file.write(helperBlock.data(), qint64(helperLength));
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
