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
#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
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

// Content of at least this many bytes is scanned in two halves at once.
const qsizetype parallelScanBytes = qsizetype(8) << 20;

// The scan of the whole content, in two halves on two threads when it is large, the second
// half's line starts going to laterStarts. The second half counts only when the first holds no
// NUL.
ContentScan scanWhole(const char *data, qsizetype size, std::vector<quint32> *lineStarts,
                      std::vector<quint32> *laterStarts)
{
    const auto keepLineStart = [lineStarts](qsizetype lf) {
        if (lineStarts != nullptr)
            lineStarts->push_back(quint32(lf + 1));
    };
    if (size < parallelScanBytes || std::thread::hardware_concurrency() < 2)
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
    // Room for a line start every 32 bytes spares the vectors their regrowth and its copies on
    // the short lines of exports with few channels; pages never written cost nothing.
    starts.reserve(size_t(size) / 32 + 1);
    laterStarts.reserve(size_t(size) / 64 + 1);
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
    const auto lastAtOrBefore = [offset](const std::vector<quint32> &offsets) {
        return int(std::upper_bound(offsets.begin(), offsets.end(), quint32(offset)) -
                   offsets.begin()) -
               1;
    };
    if (!laterStarts.empty() && quint32(offset) >= laterStarts.front())
        return int(starts.size()) + lastAtOrBefore(laterStarts);
    return lastAtOrBefore(starts);
}

void FileLines::release()
{
    bytes = QByteArray();
    buffer = LargeBuffer();
}

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

} // namespace

qint64 readFileContent(QFile &file, char *data, qint64 size)
{
#ifdef Q_OS_UNIX
    // Both halves take their pages at once: a fresh page costs its zeroing as it is first written.
    const int descriptor = file.handle();
    if (size >= parallelScanBytes && descriptor >= 0 && std::thread::hardware_concurrency() > 1) {
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

int countDataLines(const QByteArray &content)
{
    return scanWhole(content.constData(), content.size(), nullptr, nullptr).dataLines;
}
