#include "options/timezone.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTimeZone>

#include <ctime>

namespace {

// Where the C library and Qt both read a zone named in TZ.
const char zoneDatabase[] = "/usr/share/zoneinfo/";

} // namespace

bool isKnownTimeZone(const QString &name)
{
    static const QRegularExpression zoneName(
        QStringLiteral("^[A-Za-z][A-Za-z0-9_+-]*(/[A-Za-z0-9_+-]+)*$"));
    if (name == QLatin1String("UTC"))
        return true;
    // A name outside the database would be read as a POSIX rule ("XYZ3"), and Qt's offset names
    // ("UTC+05:00") mean the opposite offset to the C library.
    return zoneName.match(name).hasMatch() &&
           QFileInfo(QLatin1String(zoneDatabase) + name).isFile() &&
           QTimeZone(name.toUtf8()).isValid();
}

void useTimeZone(const QByteArray &name)
{
    qputenv("TZ", name);
    tzset();
}

QString timeZoneInUse()
{
    return QString::fromUtf8(QTimeZone::systemTimeZoneId());
}
