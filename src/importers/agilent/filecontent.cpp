#include "filecontent.h"

#include <QFileInfo>

#include <system_error>
#include <thread>
#include <utility>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <QDir>

#include <io.h>
#include <windows.h>
#endif

FileContent::FileContent(LargeBuffer content) : buffer(std::move(content)) {}

FileContent::~FileContent()
{
#ifdef Q_OS_WIN
    if (view != nullptr)
        UnmapViewOfFile(view);
    if (viewHandle != nullptr)
        CloseHandle(viewHandle);
#endif
}

FileContent::FileContent(FileContent &&other) noexcept
{
    swap(other);
}

FileContent &FileContent::operator=(FileContent &&other) noexcept
{
    swap(other);
    return *this;
}

void FileContent::swap(FileContent &other) noexcept
{
    std::swap(buffer, other.buffer);
#ifdef Q_OS_WIN
    std::swap(view, other.view);
    std::swap(viewHandle, other.viewHandle);
#endif
}

const char *FileContent::data() const
{
#ifdef Q_OS_WIN
    if (view != nullptr)
        return static_cast<const char *>(view);
#endif
    return buffer.data();
}

bool FileContent::isMapped() const
{
#ifdef Q_OS_WIN
    return view != nullptr;
#else
    return false;
#endif
}

#ifdef Q_OS_WIN
// Reading a file costs a copy into fresh memory, whose every small page the system must first
// map (Windows gives a program large pages only with a privilege few accounts hold); a view takes
// the pages from the system's file cache instead. A view faults where its file cannot be read, so
// only files on a local fixed disk are mapped, never a network share or a removable disk that can
// go away. The view's handle shares reading only: it is had only when no other program has the
// file open for writing, and it keeps every program from writing it, or cutting it short, until
// the import has ended. Anything else is read as before: a null content here.
FileContent FileContent::mapped(QFile &file, qint64 size)
{
    const std::wstring path =
        QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()).toStdWString();
    wchar_t volume[MAX_PATH + 1];
    if (!GetVolumePathNameW(path.c_str(), volume, MAX_PATH + 1) ||
        GetDriveTypeW(volume) != DRIVE_FIXED)
        return FileContent();
    const HANDLE opened = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    const HANDLE handle = opened == INVALID_HANDLE_VALUE
                              ? INVALID_HANDLE_VALUE
                              : ReOpenFile(opened, GENERIC_READ, FILE_SHARE_READ, 0);
    if (handle == INVALID_HANDLE_VALUE)
        return FileContent();
    FileContent content;
    content.viewHandle = handle;
    // A file now shorter than size has no view of size bytes, and is read instead.
    if (const HANDLE mapping = CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr)) {
        content.view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, SIZE_T(size));
        CloseHandle(mapping); // the view keeps the mapping
    }
    if (content.view == nullptr)
        return FileContent();
    return content;
}
#endif

namespace {

#ifdef Q_OS_UNIX
// Reads bytes first to last - 1 of the file; answers how many were read, or -1.
qint64 readRange(int descriptor, char *data, qint64 first, qint64 last)
{
    qint64 done = 0;
    while (first + done < last) {
        const ssize_t read = ::pread(descriptor, data + first + done, size_t(last - first - done),
                                     off_t(first + done));
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            return -1;
        if (read == 0)
            break;
        done += read;
    }
    return done;
}
#endif

// Reads the first size bytes of the file into data; answers how many were read, or -1.
qint64 readInto(QFile &file, char *data, qint64 size)
{
#ifdef Q_OS_UNIX
    // Both halves take their pages at once: a fresh page costs its zeroing as it is first written.
    const int descriptor = file.handle();
    if (size >= largeContentBytes && descriptor >= 0 && std::thread::hardware_concurrency() > 1) {
        const qint64 middle = size / 2;
        qint64 second = -1;
        try {
            std::thread helper([&] { second = readRange(descriptor, data, middle, size); });
            const qint64 first = readRange(descriptor, data, 0, middle);
            helper.join();
            if (first < 0 || second < 0)
                return -1;
            return first < middle ? first : first + second;
        } catch (const std::system_error &) {
            // no second thread: read in one piece below
        }
    }
#endif
    return file.read(data, size);
}

} // namespace

ContentRead readFileContent(QFile &file, qint64 size)
{
    ContentRead result;
#ifdef Q_OS_WIN
    if (size >= largeContentBytes) {
        result.content = FileContent::mapped(file, size);
        if (result.content.isMapped()) {
            result.size = size;
            return result;
        }
    }
#endif
    LargeBuffer buffer(static_cast<size_t>(size));
    if (!buffer) {
        result.error = QStringLiteral("out of memory");
        return result;
    }
    result.size = readInto(file, buffer.data(), size);
    if (result.size < 0)
        result.error = file.errorString();
    else
        result.content = FileContent(std::move(buffer));
    return result;
}
