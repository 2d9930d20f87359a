#pragma once

// The longest text writeShortest writes.
const int maxNumberText = 32;

// Writes value as std::to_chars(first, last, value) does: the shortest text that reads back as
// the same double, in fixed or scientific notation, whichever is shorter (fixed on a tie); and
// "nan" for NaN. Answers the end of the text. Whole numbers and short decimals take a fast path.
char *writeShortest(char *out, double value);
