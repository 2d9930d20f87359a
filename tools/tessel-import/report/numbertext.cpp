#include "numbertext.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <QtAlgorithms>
#include <QtEndian>

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

int decimalLength(int n)
{
    return n >= 100 ? 3 : 2; // exponents take at least two digits
}

// Writes the digits (no trailing zeros) times 10^exponent as to_chars's plain format does, for a
// whole number (exponent >= 0) or one below 1 (count <= -exponent); a number with digits on both
// sides of the point is writePointed's.
char *writeDecimal(char *out, const char *digits, int count, int exponent)
{
    const int scientificExponent = count - 1 + exponent;
    const int scientificLength =
        count + (count > 1) + 2 + decimalLength(std::abs(scientificExponent));
    const int fixedLength = exponent >= 0 ? count + exponent : 2 - exponent;
    if (fixedLength <= scientificLength) {
        if (exponent >= 0) {
            std::memcpy(out, digits, size_t(count));
            std::memset(out + count, '0', size_t(exponent));
            return out + count + exponent;
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

const int powerCount = int(sizeof powersOfTen / sizeof *powersOfTen);

// The mantissa nearest |value| × 10^k, or 0 when it does not read back as value.
std::uint64_t decimalMantissa(double magnitude, int k)
{
    const auto mantissa = std::uint64_t(magnitude * powersOfTen[k] + 0.5);
    return double(mantissa) / powersOfTen[k] == magnitude ? mantissa : 0;
}

// The fewest decimals k, below the number of powers of ten, such that |value| reads back from
// mantissa / 10^k, mantissa below the bound; -1 when there is none. decimals is where the
// search begins: below the bound a text with k decimals is the only one, so when k = decimals
// reads back the fewest are k less the mantissa's trailing zeros, and when it does not no fewer
// do. A column keeps its count from one value to the next, so one check usually suffices.
int fewestDecimals(double magnitude, std::uint64_t &mantissa, int &decimals)
{
    int k = 0;
    if (magnitude * powersOfTen[decimals] < mantissaBound) {
        mantissa = decimalMantissa(magnitude, decimals);
        if (mantissa != 0) {
            for (k = decimals; k > 0 && mantissa % 10 == 0; --k)
                mantissa /= 10;
            return k;
        }
        k = decimals + 1;
    }
    for (; k < powerCount && magnitude * powersOfTen[k] < mantissaBound; ++k) {
        mantissa = decimalMantissa(magnitude, k);
        if (mantissa != 0) {
            decimals = k;
            return k;
        }
    }
    return -1;
}

// The eight decimal digits of n < 10^8 as numbers 0 to 9, one a byte, the most significant in
// the lowest byte: the halves, their hundreds and their tens split by multiplications at once.
std::uint64_t eightDigits(std::uint64_t n)
{
    const std::uint64_t quarters = (n / 10000) | ((n % 10000) << 32);
    const std::uint64_t hundreds = ((quarters * 10486) >> 20) & 0x0000007F0000007Full;
    const std::uint64_t pairs = hundreds | ((quarters - hundreds * 100) << 16);
    const std::uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000Full;
    return tens | ((pairs - tens * 10) << 8);
}

void storeWord(char *out, std::uint64_t text)
{
    text = qToLittleEndian(text);
    std::memcpy(out, &text, sizeof text);
}

const std::uint64_t asciiZeros = 0x3030303030303030ull;

// The decimal digits of 0 < mantissa < 10^16 from the first that is not zero, written a word at
// a time to text, which has room for 24 bytes; answers their count. The bytes after them are
// zeros up to the 24th.
int writeDigits(char *text, std::uint64_t mantissa)
{
    const std::uint64_t high = mantissa / 100000000;
    const std::uint64_t leading = eightDigits(high != 0 ? high : mantissa);
    const int leadingZeros = int(qCountTrailingZeroBits(leading)) / 8;
    std::memset(text, 0, 24);
    storeWord(text, (leading + asciiZeros) >> (8 * leadingZeros));
    int count = 8 - leadingZeros;
    if (high != 0) {
        storeWord(text + count, eightDigits(mantissa % 100000000) + asciiZeros);
        count += 8;
    }
    return count;
}

// Writes mantissa / 10^decimals when the mantissa, 0 < mantissa < 10^16, has more digits than
// decimals >= 0, and a whole mantissa (decimals 0) does not end in a zero, which would make the
// scientific text the shorter one: digits on both sides of the point, or a whole number (up to
// 24 bytes are stored). False otherwise.
bool writePointed(char *&out, std::uint64_t mantissa, int decimals)
{
    if (decimals == 0 && mantissa % 10 == 0)
        return false;
    char text[24];
    const int count = writeDigits(text, mantissa);
    if (count <= decimals)
        return false;
    std::memcpy(out, text, 16);
    if (decimals == 0) {
        out += count;
        return true;
    }
    const int whole = count - decimals;
    out[whole] = '.';
    std::memcpy(out + whole + 1, text + whole, 8);
    if (decimals > 8) // then whole < 8
        std::memcpy(out + whole + 9, text + whole + 8, 8);
    out += count + 1;
    return true;
}

// The fast path: value as m / 10^k with the fewest decimals k; false when there is none.
bool writeShortDecimal(char *&out, double value, int &decimals)
{
    const double magnitude = std::fabs(value);
    if (!(magnitude < mantissaBound) || magnitude == 0.0)
        return false;
    std::uint64_t mantissa;
    const int k = fewestDecimals(magnitude, mantissa, decimals);
    if (k < 0)
        return false;
    if (value < 0)
        *out++ = '-';
    if (writePointed(out, mantissa, k))
        return true;
    char text[24];
    char *end = text + sizeof text;
    const char *begin = digitsBefore(end, mantissa);
    int exponent = -k;
    while (end[-1] == '0') { // only whole numbers end in zeros: k is the fewest
        --end;
        ++exponent;
    }
    out = writeDecimal(out, begin, int(end - begin), exponent);
    return true;
}

} // namespace

char *writeShortest(char *out, double value, int &decimals)
{
    if (std::isnan(value)) {
        std::memcpy(out, "nan", 3);
        return out + 3;
    }
    if (value == 0.0) { // common in count data
        char *end = out;
        if (std::signbit(value))
            *end++ = '-';
        *end++ = '0';
        return end;
    }
    if (writeShortDecimal(out, value, decimals))
        return out;
    // to_chars writes "inf", "-inf", zeros and everything else.
    return std::to_chars(out, out + maxNumberText, value).ptr;
}

char *writeShortest(char *out, double value)
{
    int decimals = 0;
    return writeShortest(out, value, decimals);
}
