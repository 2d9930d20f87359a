#include "datamanager.h"

#include "largememory.h"

#include <cstring>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {
bool isConsistent(const QStringList &channelNames, const QHash<QString, Column *> &channels,
                  const Column *time, int rowCount)
{
    const auto length = static_cast<arma::uword>(rowCount);
    if (rowCount <= 0 || time == nullptr || time->n_elem != length)
        return false;
    for (const QString &name : channelNames) {
        const Column *column = channels.value(name);
        if (column == nullptr || column->n_elem != length)
            return false;
    }
    return true;
}
// Copies of this many bytes or more are made on two threads.
const size_t parallelCopyBytes = size_t(8) << 20;

// Copies each source column to its target, the columns of a large copy shared between two
// threads: the copying and the first writes to the block's fresh pages then take half as long.
void copyAll(const std::vector<std::pair<const double *, double *>> &copies, size_t length)
{
    const auto copyRange = [&](size_t first, size_t last) {
        for (size_t i = first; i < last; ++i)
            std::memcpy(copies[i].second, copies[i].first, length * sizeof(double));
    };
    const size_t half = copies.size() / 2;
    if (half > 0 && copies.size() * length * sizeof(double) >= parallelCopyBytes &&
        std::thread::hardware_concurrency() > 1) {
        try {
            std::thread helper(copyRange, half, copies.size());
            copyRange(0, half);
            helper.join();
            return;
        } catch (const std::system_error &) {
            // no second thread: copied on this one below
        }
    }
    copyRange(0, copies.size());
}

// A copy of a list that shares no storage with it. A shared copy, iterated without a const,
// detaches on another thread while the store appends to the list under its lock; Qt decides
// whether the list is still shared by reading its count without ordering, which ThreadSanitizer
// reports as a race with the append.
template<typename T> QVector<T> unshared(const QVector<T> &list)
{
    return QVector<T>(list.cbegin(), list.cend());
}

// Copies the columns into one block of large memory: a copy is then one memcpy per column into
// pages that come a huge page at a time, rather than a page fault every 4 KiB of every column.
bool copyColumns(RawInput &input, const QHash<QString, Column *> &channels, const Column &time)
{
    QStringList distinct = input.channelNames;
    distinct.removeDuplicates();
    const size_t length = time.n_elem;
    const size_t bytes = (size_t(distinct.size()) + 1) * length * sizeof(double);
    auto *memory = static_cast<double *>(tesselAllocateLarge(bytes));
    if (memory == nullptr)
        return false;
    input.columnMemory.reset(memory, [bytes](double *block) { tesselFreeLarge(block, bytes); });
    std::vector<std::pair<const double *, double *>> copies;
    const auto place = [&](const Column &source, size_t slot) {
        double *target = memory + slot * length;
        copies.emplace_back(source.memptr(), target);
        return Column(target, arma::uword(length), false, true); // moved in: no further copy
    };
    input.time = place(time, 0);
    for (int i = 0; i < distinct.size(); ++i)
        input.channels[distinct.at(i)] = place(*channels.value(distinct.at(i)), size_t(i) + 1);
    copyAll(copies, length);
    return true;
}

qint64 columnBytes(const RawInput &input)
{
    return qint64(sizeof(double)) * input.rowCount * (input.channels.size() + 1);
}
} // namespace

bool DataManager::addRawDataToInputData(const QString &filePath, const QStringList &channelNames,
                                        const QHash<QString, Column *> &channels,
                                        const Column *time, const QDateTime &start,
                                        const QDateTime &end, int rowCount,
                                        const QString &machineName, const QList<float> &dwellTimes,
                                        const MassPairList &massPairs, const QStringList &extra)
{
    if (!isConsistent(channelNames, channels, time, rowCount))
        return false;
    auto input = QSharedPointer<RawInput>::create();
    input->filePath = filePath;
    input->channelNames = channelNames;
    if (!copyColumns(*input, channels, *time))
        return false;
    input->start = start;
    input->end = end;
    input->rowCount = rowCount;
    input->machineName = machineName;
    input->dwellTimes = dwellTimes;
    input->massPairs = massPairs;
    input->extra = extra;

    const std::lock_guard<std::mutex> lock(mutex);
    if (memoryLimit >= 0 && memoryHeld + columnBytes(*input) > memoryLimit)
        return false;
    memoryHeld += columnBytes(*input);
    inputs.append(input);
    return true;
}

void DataManager::appendFileToFileList(const QSharedPointer<TesselImportedFile> &file)
{
    const std::lock_guard<std::mutex> lock(mutex);
    fileList.append(file);
}

void DataManager::appendSampleToSampleList(const QSharedPointer<TesselSampleMetaData> &sample)
{
    const std::lock_guard<std::mutex> lock(mutex);
    sampleList.append(sample);
}

QVector<QSharedPointer<const RawInput>> DataManager::rawInputs() const
{
    const std::lock_guard<std::mutex> lock(mutex);
    return unshared(inputs);
}

QSharedPointer<const RawInput> DataManager::rawInputFor(const QString &filePath) const
{
    const std::lock_guard<std::mutex> lock(mutex);
    for (auto it = inputs.crbegin(); it != inputs.crend(); ++it) {
        if ((*it)->filePath == filePath)
            return *it;
    }
    return {};
}

QVector<QSharedPointer<TesselImportedFile>> DataManager::files() const
{
    const std::lock_guard<std::mutex> lock(mutex);
    return unshared(fileList);
}

QVector<QSharedPointer<TesselSampleMetaData>> DataManager::samples() const
{
    const std::lock_guard<std::mutex> lock(mutex);
    return unshared(sampleList);
}

void DataManager::setMemoryLimit(qint64 bytes)
{
    const std::lock_guard<std::mutex> lock(mutex);
    memoryLimit = bytes;
}

void DataManager::forgetFile(const QString &filePath)
{
    const std::lock_guard<std::mutex> lock(mutex);
    const QDir location(filePath);
    const auto forgotten = [&](const auto &input) {
        if (input->filePath != filePath)
            return false;
        memoryHeld -= columnBytes(*input);
        return true;
    };
    inputs.erase(std::remove_if(inputs.begin(), inputs.end(), forgotten), inputs.end());
    fileList.erase(std::remove_if(fileList.begin(), fileList.end(),
                                  [&](const auto &file) { return file->location == location; }),
                   fileList.end());
    sampleList.erase(std::remove_if(sampleList.begin(), sampleList.end(),
                                    [&](const auto &s) { return s->location == location; }),
                     sampleList.end());
}

void DataManager::clear()
{
    const std::lock_guard<std::mutex> lock(mutex);
    memoryHeld = 0;
    inputs.clear();
    fileList.clear();
    sampleList.clear();
}

SessionManager *Session()
{
    static SessionManager session;
    return &session;
}
