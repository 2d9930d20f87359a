#include "numbertext.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

const double powersOfTen[] = {1e0, 1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,
                              1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17};
// Decimal mantissas up to this bound leave no doubt about the shortest text: a product
// value × 10^k is then within 1/8 of a whole number when any k-decimal text reads back as
// value, and such a text is the only one with k decimals.
const double mantissaBound = 1125899906842624.0; // 2^50

const char digitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The decimal digits of n, written to end at out; answers where they begin.
char *digitsBefore(char *out, std::uint64_t n)
{
    while (n >= 100) {
        out -= 2;
        std::memcpy(out, digitPairs + 2 * (n % 100), 2);
        n /= 100;
    }
    if (n >= 10) {
        out -= 2;
        std::memcpy(out, digitPairs + 2 * n, 2);
    } else {
        *--out = char('0' + n);
    }
    return out;
}

int decimalDigits(std::uint64_t n)
{
    int digits = 1;
    for (; n >= 10; n /= 10)
        ++digits;
    return digits;
}

int decimalLength(int n)
{
    return n >= 100 ? 3 : 2; // exponents take at least two digits
}

// Writes the digits (no trailing zeros) times 10^exponent as to_chars's plain format does.
char *writeDecimal(char *out, const char *digits, int count, int exponent)
{
    const int scientificExponent = count - 1 + exponent;
    const int scientificLength =
        count + (count > 1) + 2 + decimalLength(std::abs(scientificExponent));
    int fixedLength;
    if (exponent >= 0)
        fixedLength = count + exponent;
    else if (scientificExponent >= 0)
        fixedLength = count + 1;
    else
        fixedLength = 2 - exponent;
    if (fixedLength <= scientificLength) {
        if (exponent >= 0) {
            std::memcpy(out, digits, size_t(count));
            std::memset(out + count, '0', size_t(exponent));
            return out + count + exponent;
        }
        if (scientificExponent >= 0) {
            const int integerDigits = count + exponent;
            std::memcpy(out, digits, size_t(integerDigits));
            out[integerDigits] = '.';
            std::memcpy(out + integerDigits + 1, digits + integerDigits, size_t(-exponent));
            return out + count + 1;
        }
        const int zeros = -exponent - count;
        std::memcpy(out, "0.", 2);
        std::memset(out + 2, '0', size_t(zeros));
        std::memcpy(out + 2 + zeros, digits, size_t(count));
        return out + fixedLength;
    }
    *out++ = digits[0];
    if (count > 1) {
        *out++ = '.';
        std::memcpy(out, digits + 1, size_t(count - 1));
        out += count - 1;
    }
    *out++ = 'e';
    *out++ = scientificExponent < 0 ? '-' : '+';
    const int magnitude = std::abs(scientificExponent);
    char text[4];
    char *end = text + sizeof text;
    char *begin = digitsBefore(end, std::uint64_t(magnitude));
    if (end - begin < 2)
        *--begin = '0';
    std::memcpy(out, begin, size_t(end - begin));
    return out + (end - begin);
}

// The fast path: value as m / 10^k with the fewest decimals k; false when there is none.
bool writeShortDecimal(char *&out, double value)
{
    const double magnitude = std::fabs(value);
    if (!(magnitude < mantissaBound) || magnitude == 0.0)
        return false;
    for (int k = 0; k < int(sizeof powersOfTen / sizeof *powersOfTen); ++k) {
        const double scaled = magnitude * powersOfTen[k];
        if (!(scaled < mantissaBound))
            return false;
        const auto mantissa = std::uint64_t(scaled + 0.5);
        // A whole number needs no division to check.
        if (k == 0 ? double(mantissa) != magnitude : double(mantissa) / powersOfTen[k] != magnitude)
            continue;
        if (value < 0)
            *out++ = '-';
        const int digits = decimalDigits(mantissa);
        if (k > 0 && digits > k) {
            // The usual case, digits on both sides of the point: written in place. The fewest
            // decimals leave no trailing zero.
            char *end = out + digits + 1;
            char *point = end - k - 1;
            const std::uint64_t scale = std::uint64_t(powersOfTen[k]);
            for (char *zero = point + 1, *fraction = digitsBefore(end, mantissa % scale);
                 zero < fraction; ++zero)
                *zero = '0'; // the zeros right after the point
            *point = '.';
            digitsBefore(point, mantissa / scale);
            out = end;
            return true;
        }
        char text[24];
        char *end = text + sizeof text;
        const char *begin = digitsBefore(end, mantissa);
        int exponent = -k;
        while (end[-1] == '0') {
            --end;
            ++exponent;
        }
        out = writeDecimal(out, begin, int(end - begin), exponent);
        return true;
    }
    return false;
}

} // namespace

char *writeShortest(char *out, double value)
{
    if (std::isnan(value)) {
        std::memcpy(out, "nan", 3);
        return out + 3;
    }
    if (writeShortDecimal(out, value))
        return out;
    // to_chars writes "inf", "-inf", zeros and everything else.
    return std::to_chars(out, out + maxNumberText, value).ptr;
}
