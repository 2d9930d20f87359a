#pragma once

#include "acquisitionfolder.h"
#include "filelines.h"
#include "importoutcome.h"
#include "importreport.h"
#include "importsettings.h"
#include "stampreading.h"

#include <QDateTime>
#include <QTimeZone>

#include <optional>

// What the start of an import's time axis is chosen from.
struct StartSources
{
    const QString &path;
    const FileLines &lines;
    const ImportSettings &settings;
    const QTimeZone &zone; // whose wall clock the stamp shows, and the start's zone
    // The acquisition's own record, found with or without its method.
    const std::optional<SampleRecord> &record;
    bool folderUsed; // the acquisition folder's method and record serve the import
};

// The start, and what its choice found, in the order the log takes it.
struct StartTime
{
    QDateTime start;
    QString stamp; // the export's normalised stamp, when the start was read from it
    std::optional<DayMonthFinding> dayMonth;
    QString dayMonthWarning;
    QString clockWarning; // the stamp and the acquisition time differ by no clock's offset
    // Seconds east of UTC of the clock the stamp was read on, when the acquisition time showed
    // it to be other than the zone's; then a debug note says so.
    std::optional<int> stampOffset;
    QString clockNote;
    QString gapWarning; // the stamp names a time that the zone's clock skips
};

// The start as the time-line preference asks: from the export's stamp line, read in the zone
// unless the acquisition time shows the instrument's clock at another offset, or the
// acquisition's own time. A stamp that contradicts the acquisition time otherwise is reported,
// and the start kept.
Outcome<StartTime> chooseStartTime(const StartSources &sources);

// The day and month finding as the import reports it; none when there is none.
std::optional<DayMonthReport> dayMonthReport(const StartTime &start);
