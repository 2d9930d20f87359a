#pragma once

#include "filecontent.h"

#include <QByteArray>

#include <algorithm>

// An export's lines, counted from 0: the intensity unit's line, the channel header, then the
// data lines.
const int unitLine = 1;
const int channelHeaderLine = 3;
const int firstDataLine = 4;

// The offsets of lines, in large memory: an export with few channels has a line every forty
// bytes or so, megabytes of offsets whose fresh small pages would each cost a trap on a virtual
// machine. Grows by doubling; throws std::bad_alloc when the memory cannot be had.
class LineOffsets
{
public:
    void reserve(size_t count);
    void push_back(quint32 offset)
    {
        if (used == room)
            reserve(std::max(room * 2, size_t(1024)));
        values()[used++] = offset;
    }
    size_t size() const { return used; }
    bool empty() const { return used == 0; }
    quint32 operator[](size_t i) const { return values()[i]; }
    const quint32 *begin() const { return values(); }
    const quint32 *end() const { return values() + used; }

private:
    quint32 *values() const { return reinterpret_cast<quint32 *>(memory.data()); }

    LargeBuffer memory;
    size_t used = 0;
    size_t room = 0;
};

// A data file's content and its lines, without a copy per line. The content is split at LF
// bytes; a file without any LF (old Mac line ends) is split at CR bytes instead. Empty lines
// are kept, and a line keeps the CR that precedes its LF. The one pass that finds the lines also
// counts the data lines (countDataLines), finds the first NUL byte and notes whether the content
// is plain ASCII.
class FileLines
{
public:
    // Takes the first size bytes of the file's content as the content.
    FileLines(FileContent content, qsizetype size);
    explicit FileLines(const QByteArray &content);

    int count() const { return int(starts.size() + laterStarts.size()); }
    // Line i as a view into the content: valid while this object lives and holds the content.
    QByteArray line(int i) const;
    const char *lineBegin(int i) const { return bytes.constData() + start(size_t(i)); }
    const char *lineEnd(int i) const;
    // The index of the line that holds the byte at offset.
    int lineAt(qsizetype offset) const;

    const QByteArray &content() const { return bytes; }
    // The byte the content was split at: '\n', or '\r' for CR-only files.
    char separator() const { return lineSeparator; }
    // countDataLines of the content.
    int dataLineCount() const { return dataLines; }
    // The offset of the first NUL byte, or -1.
    qsizetype firstNul() const { return nulOffset; }
    // No NUL byte and no byte above 0x7F: every line can be split in place.
    bool isPlainAscii() const { return nulOffset < 0 && ascii; }
    // Frees the content; only count() stays meaningful.
    void release();

private:
    void split();
    quint32 start(size_t i) const
    {
        return i < starts.size() ? starts[i] : laterStarts[i - starts.size()];
    }

    FileContent file;
    QByteArray bytes; // a view of the file's content
    char lineSeparator = '\n';
    int dataLines = 0;
    qsizetype nulOffset = -1;
    bool ascii = true;
    // The offsets of the lines: 32 bits suffice (a QByteArray holds less than 2 GiB) and halve
    // the offsets of a file of empty lines, which needs one per byte. A content scanned in two
    // halves keeps the second half's offsets apart, rather than hold both while joining them.
    // Each half's thread counts its offsets at every line feed: the two lists sit on cache lines
    // of their own, or the two cores would pass one line back and forth (the scan of an export
    // with 5 channels took 46 ms instead of 29).
    alignas(64) LineOffsets starts;
    alignas(64) LineOffsets laterStarts;
};

// The number of data lines as the export's row-count rule has it: the lines that end in a line
// break after two runs of digits and full stops separated by a comma, the first run preceded
// by a non-word character. Reads the bytes as the UTF-8 text that Qt would decode them to:
// the count ends at the first NUL byte and ignores a leading byte order mark.
int countDataLines(const QByteArray &content);
