#pragma once

#include <QString>

class StageClock;
struct RawInput;

// Writes a stored table as CSV: "time" (seconds since the epoch), then one column per channel
// in channel order, one line per data row. The terminating row the importers append is left
// out. Numbers are written shortest-round-trip, so they read back as the same doubles. Laps the
// export's steps on clock: "export opening", "export formatting", "export writing" (to the
// system) and "export saving" (to the disk, then in place of an earlier file).
bool exportCsv(const RawInput &input, const QString &targetPath, StageClock &clock, QString *error);
