#include "zonetime.h"

#include <optional>

namespace {

// Every UTC offset in use lies within 15 hours of UTC: the instants that a wall-clock time can
// name lie within that much of the wall clock read as UTC.
const qint64 maxOffsetMSecs = 15 * 3600 * 1000LL;

QDateTime utcAt(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

int offsetAt(qint64 msecs, const QTimeZone &zone)
{
    return zone.offsetFromUtc(utcAt(msecs));
}

} // namespace

QDateTime inTimeZone(const QDateTime &instant, const QTimeZone &zone)
{
    if (!instant.isValid())
        return {};
    const qint64 msecs = instant.toMSecsSinceEpoch();
    const QDateTime held = QDateTime::fromMSecsSinceEpoch(msecs, zone);
    if (held.isValid() && held.toMSecsSinceEpoch() == msecs)
        return held;
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::OffsetFromUTC, offsetAt(msecs, zone));
}

QDateTime fromWallClock(const QDate &date, const QTime &time, const QTimeZone &zone)
{
    const QDateTime wallClock(date, time, Qt::UTC);
    if (!wallClock.isValid() || !zone.isValid())
        return {};
    const qint64 wall = wallClock.toMSecsSinceEpoch();
    // The offsets in force on either side of the wall clock: an instant that shows it lies between.
    std::optional<qint64> latest;
    for (const qint64 probe : {wall - maxOffsetMSecs, wall, wall + maxOffsetMSecs}) {
        const int offset = offsetAt(probe, zone);
        const qint64 instant = wall - offset * 1000LL;
        if (offsetAt(instant, zone) == offset && (!latest || instant > *latest))
            latest = instant;
    }
    return latest ? inTimeZone(utcAt(*latest), zone) : QDateTime();
}

int offsetBeforeWallClock(const QDate &date, const QTime &time, const QTimeZone &zone)
{
    const qint64 wall = QDateTime(date, time, Qt::UTC).toMSecsSinceEpoch();
    return offsetAt(wall - maxOffsetMSecs, zone);
}
