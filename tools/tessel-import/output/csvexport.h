#pragma once

#include <QString>

struct RawInput;

// Writes a stored table as CSV: "time" (seconds since the epoch), then one column per channel
// in channel order, one line per data row. The terminating row the importers append is left
// out. Numbers are written shortest-round-trip, so they read back as the same doubles.
bool exportCsv(const RawInput &input, const QString &targetPath, QString *error);
