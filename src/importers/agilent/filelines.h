#pragma once

#include "largebuffer.h"

#include <QByteArray>
#include <QFile>

#include <vector>

// An export's lines, counted from 0: the intensity unit's line, the channel header, then the
// data lines.
const int unitLine = 1;
const int channelHeaderLine = 3;
const int firstDataLine = 4;

// A data file's content and its lines, without a copy per line. The content is split at LF
// bytes; a file without any LF (old Mac line ends) is split at CR bytes instead. Empty lines
// are kept, and a line keeps the CR that precedes its LF. The one pass that finds the lines also
// counts the data lines (countDataLines), finds the first NUL byte and notes whether the content
// is plain ASCII.
class FileLines
{
public:
    // Takes the first size bytes of the buffer as the content.
    FileLines(LargeBuffer buffer, qsizetype size);
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

    LargeBuffer buffer;
    QByteArray bytes; // a view of the buffer
    char lineSeparator = '\n';
    int dataLines = 0;
    qsizetype nulOffset = -1;
    bool ascii = true;
    // The offsets of the lines: 32 bits suffice (a QByteArray holds less than 2 GiB) and halve
    // the offsets of a file of empty lines, which needs one per byte. A content scanned in two
    // halves keeps the second half's offsets apart, rather than hold both while joining them.
    std::vector<quint32> starts;
    std::vector<quint32> laterStarts;
};

// Reads the first size bytes of an open file into data, a large file in two halves at once.
// Answers the number of bytes read (fewer when the file ends early), or -1 on a read error.
qint64 readFileContent(QFile &file, char *data, qint64 size);

// The number of data lines as the export's row-count rule has it: the lines that end in a line
// break after two runs of digits and full stops separated by a comma, the first run preceded
// by a non-word character. Reads the bytes as the UTF-8 text that Qt would decode them to:
// the count ends at the first NUL byte and ignores a leading byte order mark.
int countDataLines(const QByteArray &content);
