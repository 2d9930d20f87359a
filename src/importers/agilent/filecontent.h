#pragma once

#include "largebuffer.h"

#include <QFile>
#include <QString>

struct ContentRead;

// The bytes of a file held for an import: read into large memory or, where the system lets a
// file be mapped safely (see readFileContent), a read-only view of the file itself.
class FileContent
{
public:
    FileContent() = default;
    explicit FileContent(LargeBuffer buffer);
    ~FileContent();
    FileContent(FileContent &&other) noexcept;
    FileContent &operator=(FileContent &&other) noexcept;
    FileContent(const FileContent &) = delete;
    FileContent &operator=(const FileContent &) = delete;

    const char *data() const;
    // Whether the bytes are a view of the file rather than a copy.
    bool isMapped() const;

private:
    friend ContentRead readFileContent(QFile &file, qint64 size);
#ifdef Q_OS_WIN
    static FileContent mapped(QFile &file, qint64 size);
#endif
    void swap(FileContent &other) noexcept;

    LargeBuffer buffer;
#ifdef Q_OS_WIN
    void *view = nullptr;       // the mapped view, unmapped with the content
    void *viewHandle = nullptr; // the handle that keeps other programs from writing the file
#endif
};

// The first size bytes of an open file, or the reason they could not be had.
struct ContentRead
{
    FileContent content;
    qint64 size = -1; // bytes had, fewer than asked when the file ends early; -1 on failure
    QString error;
};

// Reads the first size bytes of an open file. A large file is read in two halves at once on
// POSIX systems; under Windows a large file on a local fixed disk that no other program has
// open for writing is mapped instead (FileContent::mapped says why).
ContentRead readFileContent(QFile &file, qint64 size);

// Content of at least this many bytes is read (or mapped) and scanned as large.
const qsizetype largeContentBytes = qsizetype(8) << 20;
