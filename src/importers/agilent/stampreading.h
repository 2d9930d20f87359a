#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// A normalised stamp read as the computer's local time under a date-format preference.
struct LocalReading
{
    QDateTime time; // invalid when the stamp does not fit the format
    // The stamp names a wall-clock time that the spring clock change skips; time is then the
    // instant the clock shows after the change, one gap length later.
    bool inClockChangeGap = false;
};
LocalReading readLocalStamp(const QString &stamp, const QString &dateFormat);

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
                                                const QDateTime &acquisitionInstant);
