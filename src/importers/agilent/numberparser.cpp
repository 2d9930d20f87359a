#include "numberparser.h"

#include <QString>

#include <fast_float/fast_float.h>

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

// The end of a plain decimal number [digits][.digits][e[sign]digits] starting at p, or null
// when the text is not one; sets nonZeroMantissa when a digit 1-9 precedes the exponent.
const char *scanDecimal(const char *p, const char *end, bool &nonZeroMantissa)
{
    int digits = 0;
    for (; p < end && isDigit(*p); ++p, ++digits)
        nonZeroMantissa = nonZeroMantissa || *p != '0';
    if (p < end && *p == '.') {
        for (++p; p < end && isDigit(*p); ++p, ++digits)
            nonZeroMantissa = nonZeroMantissa || *p != '0';
    }
    if (digits == 0)
        return nullptr;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && (*p == '+' || *p == '-'))
            ++p;
        const char *exponent = p;
        while (p < end && isDigit(*p))
            ++p;
        if (p == exponent)
            return nullptr;
    }
    return p;
}

double parseAscii(const char *begin, const char *end)
{
    if (equalsIgnoringCase(begin, end, "nan"))
        return std::numeric_limits<double>::quiet_NaN();
    if (equalsIgnoringCase(begin, end, "inf") || equalsIgnoringCase(begin, end, "+inf"))
        return std::numeric_limits<double>::infinity();
    if (equalsIgnoringCase(begin, end, "-inf"))
        return -std::numeric_limits<double>::infinity();

    const bool negative = begin < end && *begin == '-';
    const char *number = (begin < end && (*begin == '+' || *begin == '-')) ? begin + 1 : begin;
    bool nonZeroMantissa = false;
    if (scanDecimal(number, end, nonZeroMantissa) != end)
        return 0.0;
    double value = 0.0; // correctly rounded; infinity on overflow, zero on underflow
    fast_float::from_chars(number, end, value);
    if (value == 0.0 && nonZeroMantissa)
        return 0.0; // Qt answers an underflow with an unsigned zero
    return negative ? -value : value;
}

} // namespace

double parseField(const char *begin, const char *end)
{
    for (const char *p = begin; p < end; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80)
            return QString::fromUtf8(begin, int(end - begin)).toDouble();
    }
    while (begin < end && isAsciiSpace(*begin))
        ++begin;
    while (end > begin && isAsciiSpace(end[-1]))
        --end;
    return parseAscii(begin, end);
}
