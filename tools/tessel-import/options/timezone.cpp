#include "options/timezone.h"

#include "timezonenames.h"

#include <QRegularExpression>

bool isKnownTimeZone(const QString &name)
{
    // A region and place, or a single name of letters ("UTC", "Japan"). Qt would also take its
    // offset names ("UTC+05:00") and POSIX rules ("XYZ3", three hours west of UTC): neither names
    // a zone of the database, and a rule reads the opposite way to an offset name.
    static const QRegularExpression zoneName(
        QStringLiteral("^([A-Za-z][A-Za-z_+-]*|[A-Za-z][A-Za-z0-9_+-]*(/[A-Za-z0-9_+-]+)+)$"));
    return zoneName.match(name).hasMatch() && timeZoneNamed(name.toUtf8()).isValid();
}

QTimeZone timeZoneOfRun(const QString &named)
{
    return named.isEmpty() ? QTimeZone::systemTimeZone() : timeZoneNamed(named.toUtf8());
}

QString timeZoneInUse(const QString &named)
{
    return named.isEmpty() ? QString::fromUtf8(QTimeZone::systemTimeZoneId()) : named;
}
