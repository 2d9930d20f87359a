#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// The preferences that decide where an import's start time comes from and how it is read.
struct TimePreferences
{
    QString timeLineOption;
    QString dateFormat;

    // The values in effect for this run, defaults included.
    static TimePreferences current();
};

// A start time read from the export's header that lies a day or more away from the
// acquisition folder's "AcqTime": most likely a date read with day and month swapped.
struct StartTimeMismatch
{
    QDateTime exportStart;
    QDateTime acquisitionTime;
    QString dateFormat;
    QString swappedDateFormat;
    // The export's start with day and month swapped, when that is a date (the day is 12 or less).
    std::optional<QDateTime> swappedStart;
    // The swapped start lies within a day of AcqTime: the date format explains the mismatch.
    bool swappedStartMatches = false;
};

// Sets the start an import read from the export against the AcqTime it read from the
// acquisition folder. Differences under a day are time zones (the export's stamp is the
// instrument computer's local time, AcqTime is UTC) and pass; so does every import that took its
// start from AcqTime or read no AcqTime.
std::optional<StartTimeMismatch> crossCheckStartTime(const QDateTime &start,
                                                     const QDateTime &acquisitionTime,
                                                     const TimePreferences &preferences);

// The warning for the user: both readings, the preference and the value to try.
QString mismatchText(const StartTimeMismatch &mismatch);
