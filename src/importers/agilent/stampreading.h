#pragma once

#include "importsettings.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <optional>

class FileLines;

// A normalised stamp read under a date-format preference as the wall clock of a zone shows it.
struct LocalReading
{
    QDateTime time; // in the zone; invalid when the stamp does not fit the format
    // The stamp names a wall-clock time that the spring clock change skips; time is then the
    // instant the clock shows after the change, one gap length later.
    bool inClockChangeGap = false;
};
LocalReading readLocalStamp(const QString &stamp, const QString &dateFormat, const QTimeZone &zone);

// The export's start time as the header line that the time-line option names gives it, or why
// it gives none.
struct ExportStamp
{
    enum Failure {
        None,
        NoStampLine,  // no header line for the option, in either language
        Unrecognised, // the line holds no date and time
        Impossible    // the date and time do not fit the format, or lie before 14 December 1970
    };
    Failure failure = None;
    QString text;       // the stamp text of the header line
    QString normalised; // its date and time as blank-separated tokens
    LocalReading reading;
};
ExportStamp readExportStamp(const FileLines &lines, StampLine line, const QString &dateFormat,
                            const QTimeZone &zone);

// The UTC offset of the clock that wrote an export's stamp, as an acquisition instant with an
// offset of its own shows it: the stamp read as a bare wall clock (in UTC) lies a whole number of
// quarter hours from the instant, at most 14 hours (every offset in use), which is that offset.
// None when the two differ by anything else.
std::optional<int> stampClockOffset(const QDateTime &wallClock, const QDateTime &instant);

// "+11:00", "-03:30", "+00:00".
QString utcOffsetText(int offsetSeconds);

// "dd MM yyyy hh mm ss" -> "MM dd yyyy hh mm ss"; the format unchanged when it lacks either.
QString formatWithDayAndMonthSwapped(const QString &dateFormat);

// A start read from the export's stamp that an acquisition time from the batch or acquisition
// folder contradicts while the same stamp read with day and month swapped agrees with it.
struct DayMonthFinding
{
    QDateTime exportStart;
    QDateTime swappedStart;
    QDateTime acquisitionInstant;
    QString dateFormat;
    QString suggestedDateFormat;
};

// More than 14 hours (more than any time-zone difference) between start and the acquisition
// instant, and within 14 hours once day and month are swapped: most likely a month-first stamp
// read day-first, or the other way round.
std::optional<DayMonthFinding> checkDayAndMonth(const QString &stamp, const QString &dateFormat,
                                                const QDateTime &start,
                                                const QDateTime &acquisitionInstant,
                                                const QTimeZone &zone);
