// The C interface: each function checks its handles, catches everything the C++ side may throw,
// and turns failures into a status and the thread's last error.
#include "tessel_reader.h"

#include "batchread.h"
#include "input/importerplugins.h"
#include "libraryfolder.h"

#include <QDir>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

struct tessel_reader
{
    ImporterPlugins plugins;
};

struct tessel_batch
{
    BatchResult result;
};

struct tessel_file
{
    std::shared_ptr<const FileResult> result;
};

namespace {

// Without a destructor: none has to run as a thread ends (on Windows, under the loader lock).
thread_local char lastError[4096];

// The live handles, so that a NULL or released one is refused instead of followed.
enum class Kind { Reader, Batch, File };

class Handles
{
public:
    void add(const void *handle, Kind kind)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        live.emplace(handle, kind);
    }

    bool remove(const void *handle, Kind kind)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        const auto found = live.find(handle);
        if (found == live.end() || found->second != kind)
            return false;
        live.erase(found);
        return true;
    }

    bool holds(const void *handle, Kind kind) const
    {
        const std::lock_guard<std::mutex> lock(mutex);
        const auto found = live.find(handle);
        return found != live.end() && found->second == kind;
    }

private:
    mutable std::mutex mutex;
    std::unordered_map<const void *, Kind> live;
};

Handles &handles()
{
    static Handles all;
    return all;
}

tessel_status failure(tessel_status status, const std::string &message)
{
    // Cut to the buffer, never inside a UTF-8 sequence.
    size_t length = std::min(message.size(), sizeof lastError - 1);
    while (length > 0 && length < message.size() && (message[length] & 0xC0) == 0x80)
        --length;
    std::memcpy(lastError, message.data(), length);
    lastError[length] = '\0';
    return status;
}

const char *kindName(Kind kind)
{
    switch (kind) {
    case Kind::Reader:
        return "reader";
    case Kind::Batch:
        return "batch";
    default:
        return "file";
    }
}

template<typename Handle> bool valid(const Handle *handle, Kind kind)
{
    if (handle != nullptr && handles().holds(handle, kind))
        return true;
    failure(TESSEL_INVALID_ARGUMENT, std::string("not a live ") + kindName(kind) +
                                         (handle == nullptr ? " (NULL)" : " (released?)"));
    return false;
}

template<typename Handle> Handle *registered(Handle *handle, Kind kind)
{
    std::unique_ptr<Handle> owned(handle);
    handles().add(handle, kind);
    return owned.release();
}

template<typename Handle> void release(Handle *handle, Kind kind)
{
    if (handle != nullptr && handles().remove(handle, kind))
        delete handle;
}

// Runs body; whatever it throws becomes a status and the thread's last error.
template<typename Body> tessel_status guarded(Body &&body)
{
    try {
        return body();
    } catch (const ReadError &error) {
        return failure(error.status, error.message.toStdString());
    } catch (const std::bad_alloc &) {
        return failure(TESSEL_OUT_OF_MEMORY, "not enough memory");
    } catch (...) {
        return failure(TESSEL_INTERNAL_ERROR, "an internal error of the reader");
    }
}

// The plug-in folder the caller named, else the first of the places beside the library, else
// the build's.
QString pluginFolderFor(const char *named)
{
    if (named != nullptr && *named != '\0')
        return QString::fromUtf8(named);
    const QString library = libraryFolder();
    for (const char *below : {TESSEL_INSTALLED_PLUGIN_DIR, "plugins"}) {
        const QString candidate = library + QLatin1Char('/') + QLatin1String(below);
        if (!library.isEmpty() && QDir(candidate).exists())
            return QDir::cleanPath(candidate);
    }
    return QStringLiteral(TESSEL_BUILD_PLUGIN_DIR);
}

QStringList textsOf(const char *const *texts, int32_t count, const char *what)
{
    if (count < 0 || (count > 0 && texts == nullptr))
        throw ReadError{TESSEL_INVALID_ARGUMENT,
                        QStringLiteral("%1: %2 texts at NULL").arg(QLatin1String(what)).arg(count)};
    QStringList list;
    for (int32_t i = 0; i < count; ++i) {
        if (texts[i] == nullptr)
            throw ReadError{TESSEL_INVALID_ARGUMENT,
                            QStringLiteral("%1: text %2 is NULL").arg(QLatin1String(what)).arg(i)};
        list.append(QString::fromUtf8(texts[i]));
    }
    return list;
}

const FileResult *resultOf(const tessel_file *file)
{
    return valid(file, Kind::File) ? file->result.get() : nullptr;
}

bool validChannel(const FileResult *result, int32_t channel)
{
    if (channel >= 0 && size_t(channel) < result->channelNames.size())
        return true;
    failure(TESSEL_INVALID_ARGUMENT, "no channel " + std::to_string(channel) + " (the file has " +
                                         std::to_string(result->channelNames.size()) + ")");
    return false;
}

} // namespace

const char *tessel_version(void)
{
    return TESSEL_VERSION;
}

const char *tessel_last_error(void)
{
    return lastError;
}

tessel_status tessel_reader_open(const char *plugin_folder, tessel_reader **reader)
{
    if (reader == nullptr)
        return failure(TESSEL_INVALID_ARGUMENT, "reader: NULL where the handle goes");
    *reader = nullptr;
    return guarded([&] {
        const QString folder = pluginFolderFor(plugin_folder);
        QStringList problems;
        auto opened = std::make_unique<tessel_reader>();
        opened->plugins = ImporterPlugins::load(folder, &problems);
        if (opened->plugins.importers().isEmpty()) {
            problems.prepend(QStringLiteral("no importer plug-in in %1").arg(folder));
            return failure(TESSEL_NO_IMPORTER, problems.join(QStringLiteral("; ")).toStdString());
        }
        *reader = registered(opened.release(), Kind::Reader);
        return TESSEL_OK;
    });
}

void tessel_reader_close(tessel_reader *reader)
{
    release(reader, Kind::Reader);
}

tessel_status tessel_read(tessel_reader *reader, const char *const *paths, int32_t path_count,
                          const char *time_zone, const char *const *preferences,
                          int32_t preference_count, int32_t jobs, tessel_progress progress,
                          void *context, tessel_batch **batch)
{
    if (batch == nullptr)
        return failure(TESSEL_INVALID_ARGUMENT, "batch: NULL where the handle goes");
    *batch = nullptr;
    if (!valid(reader, Kind::Reader))
        return TESSEL_INVALID_ARGUMENT;
    return guarded([&] {
        const ReadRequest request{textsOf(paths, path_count, "paths"),
                                  QString::fromUtf8(time_zone ? time_zone : ""),
                                  textsOf(preferences, preference_count, "preferences"), jobs};
        if (request.paths.isEmpty())
            return failure(TESSEL_INVALID_ARGUMENT, "no path to read");
        auto read = std::make_unique<tessel_batch>();
        read->result = readPaths(reader->plugins, request, [&](int done, int total) {
            if (progress != nullptr)
                progress(context, done, total);
        });
        *batch = registered(read.release(), Kind::Batch);
        return TESSEL_OK;
    });
}

void tessel_batch_release(tessel_batch *batch)
{
    release(batch, Kind::Batch);
}

int32_t tessel_batch_file_count(const tessel_batch *batch)
{
    return valid(batch, Kind::Batch) ? int32_t(batch->result.files.size()) : -1;
}

tessel_status tessel_batch_file(const tessel_batch *batch, int32_t index, tessel_file **file)
{
    if (file == nullptr)
        return failure(TESSEL_INVALID_ARGUMENT, "file: NULL where the handle goes");
    *file = nullptr;
    if (!valid(batch, Kind::Batch))
        return TESSEL_INVALID_ARGUMENT;
    if (index < 0 || size_t(index) >= batch->result.files.size())
        return failure(TESSEL_INVALID_ARGUMENT,
                       "no file " + std::to_string(index) + " (the batch has " +
                           std::to_string(batch->result.files.size()) + ")");
    return guarded([&] {
        *file = registered(new tessel_file{batch->result.files.at(size_t(index))}, Kind::File);
        return TESSEL_OK;
    });
}

int32_t tessel_batch_acquisition_order(const tessel_batch *batch, int32_t position)
{
    if (!valid(batch, Kind::Batch))
        return -1;
    const std::vector<int32_t> &order = batch->result.acquisitionOrder;
    if (position >= 0 && size_t(position) < order.size())
        return order.at(size_t(position));
    failure(TESSEL_INVALID_ARGUMENT, "no position " + std::to_string(position));
    return -1;
}

const char *tessel_batch_json(const tessel_batch *batch)
{
    return valid(batch, Kind::Batch) ? batch->result.json.c_str() : nullptr;
}

void tessel_file_release(tessel_file *file)
{
    release(file, Kind::File);
}

int32_t tessel_file_ok(const tessel_file *file)
{
    const FileResult *result = resultOf(file);
    return result ? int32_t(result->ok) : -1;
}

const char *tessel_file_path(const tessel_file *file)
{
    const FileResult *result = resultOf(file);
    return result ? result->path.c_str() : nullptr;
}

const char *tessel_file_error(const tessel_file *file)
{
    const FileResult *result = resultOf(file);
    return result ? result->error.c_str() : nullptr;
}

const char *tessel_file_json(const tessel_file *file)
{
    const FileResult *result = resultOf(file);
    return result ? result->json.c_str() : nullptr;
}

int64_t tessel_file_row_count(const tessel_file *file)
{
    const FileResult *result = resultOf(file);
    return result ? result->rowCount : -1;
}

int32_t tessel_file_channel_count(const tessel_file *file)
{
    const FileResult *result = resultOf(file);
    return result ? int32_t(result->channelNames.size()) : -1;
}

const char *tessel_file_channel_name(const tessel_file *file, int32_t channel)
{
    const FileResult *result = resultOf(file);
    if (result == nullptr || !validChannel(result, channel))
        return nullptr;
    return result->channelNames.at(size_t(channel)).c_str();
}

const double *tessel_file_time(const tessel_file *file)
{
    const FileResult *result = resultOf(file);
    return result ? result->time : nullptr;
}

const double *tessel_file_channel_values(const tessel_file *file, int32_t channel)
{
    const FileResult *result = resultOf(file);
    if (result == nullptr || !validChannel(result, channel) || !result->ok)
        return nullptr;
    return result->columns.at(size_t(channel));
}
