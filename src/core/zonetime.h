#pragma once

#include "tessel_core_global.h"

#include <QDateTime>
#include <QTimeZone>

// Times as a zone's clock shows them, right next to every change of its offset. Qt 5.15 takes
// every change for a daylight-saving one: next to a change of the standard offset
// (Asia/Kathmandu's +05:30 -> +05:45 at 1986-01-01) it finds no instant for hours of wall-clock
// times before the change, and holds no instant of those hours as a Qt::TimeZone date-time.

// The instant as the zone's clock shows it: as a Qt::TimeZone date-time, or, where Qt cannot hold
// it so, at the offset the zone had then (the same instant and the same wall clock).
TESSEL_CORE_EXPORT QDateTime inTimeZone(const QDateTime &instant, const QTimeZone &zone);

// The instant that a wall-clock date and time of the zone name, as inTimeZone gives it. Of a
// time that the clock shows twice (set back), the later, as Qt takes it; invalid for a time that
// the clock skips (set forward).
TESSEL_CORE_EXPORT QDateTime fromWallClock(const QDate &date, const QTime &time,
                                           const QTimeZone &zone);

// The UTC offset in seconds that the zone had just before the wall-clock date and time: for a
// time that the clock skips, the offset before the jump.
TESSEL_CORE_EXPORT int offsetBeforeWallClock(const QDate &date, const QTime &time,
                                             const QTimeZone &zone);
