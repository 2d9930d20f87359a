#pragma once

#include <QCalendar>

// Qt 5.15 fills its registry of calendars the first time a date is parsed or written with a
// format, or written as ISO 8601, and does so without a lock: two threads doing that at the same
// moment can get an invalid date or an empty text (an acquisition time read as no time). Filling
// it once, before imports run side by side, leaves every later use reading a finished registry.
inline void prepareCalendars()
{
    static const QCalendar gregorian;
    Q_UNUSED(gregorian)
}
