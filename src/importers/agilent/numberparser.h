#pragma once

// Converts one comma-separated field of a data line exactly as QString::toDouble() converts
// its UTF-8 decoding: C locale, white space around the number ignored, an optional sign,
// "nan", "inf", "+inf" and "-inf" in any case, and 0.0 for anything that is not a number.
double parseField(const char *begin, const char *end);

// The same for a field known to hold only ASCII bytes.
double parseAsciiField(const char *begin, const char *end);
