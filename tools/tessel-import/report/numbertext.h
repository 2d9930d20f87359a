#pragma once

// The longest text writeShortest writes.
const int maxNumberText = 32;

// Writes value as std::to_chars(first, last, value) does: the shortest text that reads back as
// the same double, in fixed or scientific notation, whichever is shorter (fixed on a tie); and
// "nan" for NaN. Answers the end of the text. out must have room for maxNumberText bytes: the
// bytes after the text may be written over. Zeros, whole numbers and short decimals take a fast
// path.
char *writeShortest(char *out, double value);

// The same for the values of one column, which tend to keep their number of decimals: decimals,
// 0 before the first value, carries that number from one call to the next, so that one check
// usually finds a value's decimals.
char *writeShortest(char *out, double value, int &decimals);
