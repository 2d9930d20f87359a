#include "filelines.h"

#include <cstring>

FileLines::FileLines(LargeBuffer content, qsizetype size)
    : buffer(std::move(content)), bytes(QByteArray::fromRawData(buffer.data(), int(size)))
{
    split();
}

FileLines::FileLines(const QByteArray &content) : buffer(size_t(content.size()))
{
    std::memcpy(buffer.data(), content.constData(), size_t(content.size()));
    bytes = QByteArray::fromRawData(buffer.data(), content.size());
    split();
}

void FileLines::split()
{
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    if (std::memchr(data, '\n', size_t(size)) == nullptr)
        lineSeparator = '\r';
    starts.push_back(0);
    for (const char *p = data; (p = static_cast<const char *>(
                                    std::memchr(p, lineSeparator, size_t(data + size - p))));) {
        ++p;
        starts.push_back(quint32(p - data));
    }
}

QByteArray FileLines::line(int i) const
{
    const char *begin = lineBegin(i);
    return QByteArray::fromRawData(begin, int(lineEnd(i) - begin));
}

const char *FileLines::lineEnd(int i) const
{
    if (size_t(i) + 1 < starts.size())
        return bytes.constData() + starts[size_t(i) + 1] - 1;
    return bytes.constData() + bytes.size();
}

void FileLines::release()
{
    bytes = QByteArray();
    buffer = LargeBuffer();
}

namespace {

bool isNumberByte(unsigned char c)
{
    return (c >= '0' && c <= '9') || c == '.';
}

// Word characters of the expression: ASCII letters, digits and underscore. Every other byte,
// including each byte of a multi-byte character, is a non-word character.
bool isWordByte(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// Whether a match of "(?<=\W)[\d.]+,[\d.]+[\r\n]" ends at the line break text[end].
bool endsDataLine(const unsigned char *text, qsizetype begin, qsizetype end)
{
    qsizetype i = end;
    while (i > begin && isNumberByte(text[i - 1]))
        --i;
    if (i == end || i == begin || text[i - 1] != ',')
        return false;
    const qsizetype comma = i - 1;
    i = comma;
    bool innerPoint = false; // a '.' with a digit or '.' after it can precede the match start
    while (i > begin && isNumberByte(text[i - 1])) {
        --i;
        innerPoint = innerPoint || (text[i] == '.' && i < comma - 1);
    }
    if (i == comma)
        return false;
    return innerPoint || (i > begin && !isWordByte(text[i - 1]));
}

} // namespace

int countDataLines(const QByteArray &content)
{
    const char *data = content.constData();
    const auto *text = reinterpret_cast<const unsigned char *>(data);
    const void *nul = std::memchr(data, '\0', size_t(content.size()));
    const qsizetype end = nul ? static_cast<const char *>(nul) - data : content.size();
    const qsizetype begin = content.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    // Line by line: every CR within a line and the LF that ends it may end a match.
    int matches = 0;
    for (qsizetype lineBegin = begin; lineBegin < end;) {
        const void *lf = std::memchr(data + lineBegin, '\n', size_t(end - lineBegin));
        const qsizetype lineEnd = lf ? static_cast<const char *>(lf) - data : end;
        for (qsizetype cr = lineBegin;; ++cr) {
            const void *found = std::memchr(data + cr, '\r', size_t(lineEnd - cr));
            if (!found)
                break;
            cr = static_cast<const char *>(found) - data;
            matches += endsDataLine(text, begin, cr);
        }
        if (lineEnd < end)
            matches += endsDataLine(text, begin, lineEnd);
        lineBegin = lineEnd + 1;
    }
    return matches;
}
