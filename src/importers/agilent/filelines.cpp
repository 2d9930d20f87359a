#include "filelines.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>

#include <QtAlgorithms>

// Every x86-64 processor has SSE2; MSVC says so only through _M_X64.
#if defined(__SSE2__) || defined(_M_X64)
#define TESSEL_SSE2
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

// Whether a match of "(?<=\W)[\d.]+,[\d.]+[\r\n]" ends at the line break text[end], a byte
// at a time.
bool endsDataLineBytewise(const unsigned char *text, qsizetype begin, qsizetype end)
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

#ifdef TESSEL_SSE2
// How many of the low 16 bits, from bit 15 down, are set before the first clear one.
int topOnes(unsigned bits)
{
    return int(qCountLeadingZeroBits(quint32(~bits << 16)));
}
#endif

// The same test. The 16 bytes before the line break are classified at once: a data line ends
// in two numbers that fit in them, which are told apart from what precedes them without a loop.
// Longer runs, and line breaks near the start, go byte by byte.
bool endsDataLine(const unsigned char *text, qsizetype begin, qsizetype end)
{
    if (end == begin || !isNumberByte(text[end - 1]))
        return false; // the LF of CR LF, a line of text
#ifdef TESSEL_SSE2
    if (end - begin >= 16) {
        const unsigned char *window = text + end - 16; // bit k of a mask: window[k]
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(window));
        const __m128i digit = _mm_sub_epi8(v, _mm_set1_epi8('0'));
        const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(digit, _mm_set1_epi8(9)), digit);
        const unsigned point = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('.'))));
        const unsigned number = unsigned(_mm_movemask_epi8(isDigit)) | point;
        const int last = topOnes(number); // the bytes of the line's last number, at least one
        if (last < 15) {
            const int comma = 15 - last;
            if (window[comma] != ',')
                return false;
            const int before = topOnes(number << (16 - comma)); // the number before the comma
            if (before == 0)
                return false;
            if (before < comma) {
                const unsigned field = ((1u << before) - 1) << (comma - before);
                const bool innerPoint = (point & field & ~(1u << (comma - 1))) != 0;
                return innerPoint || !isWordByte(window[comma - before - 1]);
            }
        }
    }
#endif
    return endsDataLineBytewise(text, begin, end);
}

struct ContentScan
{
    int dataLines = 0;
    qsizetype firstNul = -1;
    bool ascii = true;
};

// One pass over the bytes from first to last of the content: calls lineFeed(offset) for every
// LF, counts the data lines at every CR and LF before the first NUL (the decoded text ends
// there), finds that NUL and ORs the bytes together. Blocks of 64 bytes are tested at once for
// bytes up to CR, the only ones that need a look. A line break's data-line test may look at the
// bytes before first.
template<typename LineFeed>
ContentScan scanContent(const char *data, qsizetype size, qsizetype first, qsizetype last,
                        LineFeed lineFeed)
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
    qsizetype i = first;
    unsigned char bits = 0;
#ifdef TESSEL_SSE2
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    __m128i allBits = _mm_setzero_si128();
    for (; i + 64 <= last; i += 64) {
        quint64 controls = 0;
        for (int part = 0; part < 4; ++part) {
            const __m128i v =
                _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + i + 16 * part));
            allBits = _mm_or_si128(allBits, v);
            const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(v, carriageReturn), v);
            controls |= quint64(quint16(_mm_movemask_epi8(low))) << (16 * part);
        }
        for (; controls != 0; controls &= controls - 1)
            visit(i + qsizetype(qCountTrailingZeroBits(controls)));
    }
    bits = _mm_movemask_epi8(allBits) != 0 ? 0x80 : 0;
#endif
    for (; i < last; ++i) {
        bits |= text[i];
        if (text[i] <= '\r')
            visit(i);
    }
    scan.ascii = bits < 0x80;
    return scan;
}

bool scannedInHalves(qsizetype size)
{
    return size >= largeContentBytes && std::thread::hardware_concurrency() >= 2;
}

// The scan of the whole content, in two halves on two threads when it is large, the second
// half's line starts going to laterStarts. The second half counts only when the first holds no
// NUL.
ContentScan scanWhole(const char *data, qsizetype size, LineOffsets *lineStarts,
                      LineOffsets *laterStarts)
{
    const auto keepLineStart = [lineStarts](qsizetype lf) {
        if (lineStarts != nullptr)
            lineStarts->push_back(quint32(lf + 1));
    };
    if (!scannedInHalves(size))
        return scanContent(data, size, 0, size, keepLineStart);
    const qsizetype middle = size / 2;
    ContentScan second;
    bool secondOutOfMemory = false;
    std::thread helper;
    try {
        helper = std::thread([&] {
            try {
                second = scanContent(data, size, middle, size, [&](qsizetype lf) {
                    if (laterStarts != nullptr)
                        laterStarts->push_back(quint32(lf + 1));
                });
            } catch (const std::bad_alloc &) {
                secondOutOfMemory = true;
            }
        });
    } catch (const std::system_error &) {
        return scanContent(data, size, 0, size, keepLineStart);
    }
    ContentScan scan;
    bool outOfMemory = false;
    try {
        scan = scanContent(data, size, 0, middle, keepLineStart);
    } catch (const std::bad_alloc &) {
        outOfMemory = true;
    }
    helper.join();
    if (outOfMemory || secondOutOfMemory)
        throw std::bad_alloc(); // the importer ends the import with its memory message
    if (scan.firstNul < 0) {
        scan.dataLines += second.dataLines;
        scan.firstNul = second.firstNul;
    }
    scan.ascii = scan.ascii && second.ascii;
    return scan;
}

} // namespace

FileLines::FileLines(FileContent content, qsizetype size)
    : file(std::move(content)), bytes(QByteArray::fromRawData(file.data(), int(size)))
{
    split();
}

FileLines::FileLines(const QByteArray &content)
{
    LargeBuffer copy(size_t(content.size()));
    std::memcpy(copy.data(), content.constData(), size_t(content.size()));
    file = FileContent(std::move(copy));
    bytes = QByteArray::fromRawData(file.data(), content.size());
    split();
}

void FileLines::split()
{
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    // Room for the lines that the first mebibyte promises, and a quarter more: the offsets
    // rarely grow, and the memory held ahead stays near the memory used.
    const qsizetype sample = std::min(size, qsizetype(1) << 20);
    const double sampleLines = double(std::count(data, data + sample, '\n') + 1);
    const size_t room =
        size_t(sampleLines * double(size) / double(std::max(sample, qsizetype(1))) * 1.25) + 1024;
    if (scannedInHalves(size)) {
        starts.reserve(room / 2);
        laterStarts.reserve(room / 2);
    } else {
        starts.reserve(room);
    }
    starts.push_back(0);
    const ContentScan scan = scanWhole(data, size, &starts, &laterStarts);
    dataLines = scan.dataLines;
    nulOffset = scan.firstNul;
    ascii = scan.ascii;
    if (count() > 1)
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
    if (i + 1 < count())
        return bytes.constData() + start(size_t(i) + 1) - 1;
    return bytes.constData() + bytes.size();
}

int FileLines::lineAt(qsizetype offset) const
{
    const auto lastAtOrBefore = [offset](const LineOffsets &offsets) {
        return int(std::upper_bound(offsets.begin(), offsets.end(), quint32(offset)) -
                   offsets.begin()) -
               1;
    };
    if (!laterStarts.empty() && quint32(offset) >= laterStarts[0])
        return int(starts.size()) + lastAtOrBefore(laterStarts);
    return lastAtOrBefore(starts);
}

void LineOffsets::reserve(size_t count)
{
    if (count <= room)
        return;
    LargeBuffer larger(count * sizeof(quint32));
    if (!larger)
        throw std::bad_alloc();
    if (used > 0)
        std::memcpy(larger.data(), memory.data(), used * sizeof(quint32));
    memory = std::move(larger);
    room = count;
}

void FileLines::release()
{
    bytes = QByteArray();
    file = FileContent();
}

int countDataLines(const QByteArray &content)
{
    return scanWhole(content.constData(), content.size(), nullptr, nullptr).dataLines;
}
