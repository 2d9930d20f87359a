#pragma once

// Converts one comma-separated field of a data line exactly as QString::toDouble() converts
// its UTF-8 decoding: C locale, white space around the number ignored, an optional sign,
// "nan", "inf", "+inf" and "-inf" in any case, and 0.0 for anything that is not a number.
double parseField(const char *begin, const char *end);

// The same for a field known to hold only ASCII bytes.
double parseAsciiField(const char *begin, const char *end);

// Reads the field that starts at begin, in a line that holds only ASCII bytes and ends at end;
// returns where the field ends (its comma, or end). Plain decimals such as "-1234.56" are
// converted on the way; anything else goes through parseAsciiField.
const char *parseAsciiFieldAt(const char *begin, const char *end, double &value);
