#include "filelines.h"

#include <cstring>

FileLines::FileLines(QByteArray content) : bytes(std::move(content))
{
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    if (std::memchr(data, '\n', size_t(size)) == nullptr)
        lineSeparator = '\r';
    starts.push_back(0);
    for (const char *p = data; (p = static_cast<const char *>(
                                    std::memchr(p, lineSeparator, size_t(data + size - p))));) {
        ++p;
        starts.push_back(p - data);
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
    const auto *text = reinterpret_cast<const unsigned char *>(content.constData());
    // Qt's UTF-8 decoding stops at the first NUL byte and drops a leading byte order mark.
    const qsizetype end = qstrnlen(content.constData(), uint(content.size()));
    const qsizetype begin = content.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    int matches = 0;
    for (qsizetype i = begin; i < end; ++i) {
        if ((text[i] == '\n' || text[i] == '\r') && endsDataLine(text, begin, i))
            ++matches;
    }
    return matches;
}
