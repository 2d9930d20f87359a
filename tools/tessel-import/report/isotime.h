#pragma once

#include "zonetime.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

// ISO 8601 with milliseconds and the numeric UTC offset ("2020-11-18T14:24:29.000+01:00").
// Qt writes no offset for local time, and "Z" rather than "+00:00" for a zero offset.
inline QString isoTimeText(const QDateTime &time)
{
    const int offset = time.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return QStringLiteral("%1%2%3:%4")
        .arg(time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")))
        .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

// The same, as the clock of the zone shows the instant.
inline QString isoTimeText(const QDateTime &time, const QTimeZone &zone)
{
    return isoTimeText(inTimeZone(time, zone));
}
