#include "numberparser.h"

#include <QString>

#include <fast_float/fast_float.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

bool isAsciiSpace(unsigned char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

bool equalsIgnoringCase(const char *begin, const char *end, const char *word)
{
    const size_t length = std::strlen(word);
    if (size_t(end - begin) != length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if ((begin[i] | 0x20) != word[i])
            return false;
    }
    return true;
}

// Whether a digit 1-9 stands before the exponent: a zero result then means an underflow.
bool hasNonZeroMantissa(const char *begin, const char *end)
{
    for (const char *p = begin; p < end && *p != 'e' && *p != 'E'; ++p) {
        if (*p >= '1' && *p <= '9')
            return true;
    }
    return false;
}

double parseSpecialValue(const char *begin, const char *end)
{
    if (equalsIgnoringCase(begin, end, "nan"))
        return std::numeric_limits<double>::quiet_NaN();
    if (equalsIgnoringCase(begin, end, "inf") || equalsIgnoringCase(begin, end, "+inf"))
        return std::numeric_limits<double>::infinity();
    if (equalsIgnoringCase(begin, end, "-inf"))
        return -std::numeric_limits<double>::infinity();
    return 0.0;
}

// [sign] (digits [. digits] | . digits) [e [sign] digits], correctly rounded.
double parseAscii(const char *begin, const char *end)
{
    const bool signed_ = begin < end && (*begin == '+' || *begin == '-');
    const char *number = signed_ ? begin + 1 : begin;
    if (number == end || !(isDigit(*number) || *number == '.'))
        return parseSpecialValue(begin, end);
    double value = 0.0; // infinity on overflow, zero on underflow
    const auto parsed = fast_float::from_chars(number, end, value);
    if (parsed.ec != std::errc() || parsed.ptr != end)
        return 0.0;
    if (value == 0.0 && hasNonZeroMantissa(number, end))
        return 0.0; // Qt answers an underflow with an unsigned zero
    return *begin == '-' ? -value : value;
}

} // namespace

double parseField(const char *begin, const char *end)
{
    for (const char *p = begin; p < end; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80)
            return QString::fromUtf8(begin, int(end - begin)).toDouble();
    }
    return parseAsciiField(begin, end);
}

double parseAsciiField(const char *begin, const char *end)
{
    // White space around the number, as QString::trimmed() sees it in ASCII.
    while (begin < end && isAsciiSpace(*begin))
        ++begin;
    while (end > begin && isAsciiSpace(end[-1]))
        --end;
    return parseAscii(begin, end);
}

namespace {

// Powers of ten that doubles hold exactly: a decimal of at most 15 digits divided by one of them
// is correctly rounded.
const double exactPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
const int maxExactDigits = 15;

} // namespace

const char *parseAsciiFieldAt(const char *begin, const char *end, double &value)
{
    const char *p = begin;
    const bool negative = p < end && *p == '-';
    p += negative;
    std::uint64_t mantissa = 0; // wraps for long digit runs, which take the general path
    const char *integer = p;
    for (; p < end && isDigit(*p); ++p)
        mantissa = mantissa * 10 + std::uint64_t(*p - '0');
    const int integerDigits = int(p - integer);
    int fractionDigits = 0;
    if (p < end && *p == '.') {
        const char *fraction = ++p;
        for (; p < end && isDigit(*p); ++p)
            mantissa = mantissa * 10 + std::uint64_t(*p - '0');
        fractionDigits = int(p - fraction);
    }
    const int digitCount = integerDigits + fractionDigits;
    const bool atFieldEnd = p == end || *p == ',' || (*p == '\r' && p + 1 == end);
    if (atFieldEnd && digitCount > 0 && digitCount <= maxExactDigits) {
        const double magnitude = double(mantissa) / exactPowersOfTen[fractionDigits];
        value = negative ? -magnitude : magnitude;
        return p < end && *p == '\r' ? end : p;
    }
    const char *comma = std::find(begin, end, ',');
    value = parseAsciiField(begin, comma);
    return comma;
}
