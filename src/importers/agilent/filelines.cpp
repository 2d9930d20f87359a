#include "filelines.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

struct ContentScan
{
    int dataLines = 0;
    qsizetype firstNul = -1;
    bool ascii = true;
};

// One pass over the content: calls lineFeed(offset) for every LF, counts the data lines at
// every CR and LF before the first NUL (the decoded text ends there), finds that NUL and ORs
// the bytes together. Blocks of 64 bytes are tested at once for bytes up to CR, the only ones
// that need a look.
template<typename LineFeed>
ContentScan scanContent(const char *data, qsizetype size, LineFeed lineFeed)
{
    ContentScan scan;
    const auto *text = reinterpret_cast<const unsigned char *>(data);
    const qsizetype begin = size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    const auto visit = [&](qsizetype i) {
        switch (text[i]) {
        case '\n':
            lineFeed(i);
            [[fallthrough]];
        case '\r':
            if (scan.firstNul < 0)
                scan.dataLines += endsDataLine(text, begin, i);
            break;
        case '\0':
            if (scan.firstNul < 0)
                scan.firstNul = i;
            break;
        default:
            break;
        }
    };
    qsizetype i = 0;
    unsigned char bits = 0;
#ifdef __SSE2__
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    __m128i allBits = _mm_setzero_si128();
    for (; i + 64 <= size; i += 64) {
        quint64 controls = 0;
        for (int part = 0; part < 4; ++part) {
            const __m128i v =
                _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + i + 16 * part));
            allBits = _mm_or_si128(allBits, v);
            const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(v, carriageReturn), v);
            controls |= quint64(quint16(_mm_movemask_epi8(low))) << (16 * part);
        }
        for (; controls != 0; controls &= controls - 1)
            visit(i + __builtin_ctzll(controls));
    }
    bits = _mm_movemask_epi8(allBits) != 0 ? 0x80 : 0;
#endif
    for (; i < size; ++i) {
        bits |= text[i];
        if (text[i] <= '\r')
            visit(i);
    }
    scan.ascii = bits < 0x80;
    return scan;
}

} // namespace

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
    starts.push_back(0);
    const ContentScan scan =
        scanContent(data, size, [this](qsizetype lf) { starts.push_back(quint32(lf + 1)); });
    dataLines = scan.dataLines;
    nulOffset = scan.firstNul;
    ascii = scan.ascii;
    if (starts.size() > 1)
        return;
    lineSeparator = '\r';
    for (const char *p = data;
         (p = static_cast<const char *>(std::memchr(p, lineSeparator, size_t(data + size - p))));) {
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

int FileLines::lineAt(qsizetype offset) const
{
    return int(std::upper_bound(starts.begin(), starts.end(), quint32(offset)) - starts.begin()) -
           1;
}

void FileLines::release()
{
    bytes = QByteArray();
    buffer = LargeBuffer();
}

int countDataLines(const QByteArray &content)
{
    return scanContent(content.constData(), content.size(), [](qsizetype) {}).dataLines;
}
