#include "stampreading.h"

#include "abstractimporter.h"
#include "timestamptext.h"
#include "zonetime.h"

#include <QRegularExpression>

namespace {
const qint64 maxZoneDifferenceMSecs = 14 * 3600 * 1000LL;
// Every UTC offset in use is a whole number of quarter hours (Nepal's +05:45, the Chatham
// Islands' +12:45).
const qint64 offsetStepMSecs = 15 * 60 * 1000LL;
// Stamps before this instant (14 December 1970) are taken for misread dates.
const qint64 earliestStartMSecs = 30000000LL * 1000;
} // namespace

LocalReading readLocalStamp(const QString &stamp, const QString &dateFormat, const QTimeZone &zone)
{
    // The host's reading answers in the process's local time; only its date and time count, as
    // the wall clock of the zone. The process's own zone may be another, or misread (Windows).
    const QDateTime converted = AbstractImporter::convertTimeStamp(stamp, dateFormat);
    const QDate date = converted.date();
    const QTime time = converted.time();
    if (!date.isValid() || !time.isValid())
        return {};
    const QDateTime inZone = fromWallClock(date, time, zone);
    if (inZone.isValid())
        return {inZone, false};
    // A wall-clock time that does not exist in the zone: the clock jumped over it. Read with the
    // offset in force before the jump, it is the instant the clock shows that much later.
    const QDateTime wallClockAsUtc(date, time, Qt::UTC);
    return {inTimeZone(wallClockAsUtc.addSecs(-offsetBeforeWallClock(date, time, zone)), zone),
            true};
}

ExportStamp readExportStamp(const FileLines &lines, StampLine line, const QString &dateFormat,
                            const QTimeZone &zone)
{
    ExportStamp stamp;
    const std::optional<QString> text = findStampText(lines, line);
    if (!text) {
        stamp.failure = ExportStamp::NoStampLine;
        return stamp;
    }
    stamp.text = *text;
    const std::optional<QString> normalised = normaliseTimeStamp(*text);
    if (!normalised) {
        stamp.failure = ExportStamp::Unrecognised;
        return stamp;
    }
    stamp.normalised = *normalised;
    stamp.reading = readLocalStamp(*normalised, dateFormat, zone);
    const QDateTime &start = stamp.reading.time;
    if (!start.isValid() || start.toMSecsSinceEpoch() < earliestStartMSecs)
        stamp.failure = ExportStamp::Impossible;
    return stamp;
}

std::optional<int> stampClockOffset(const QDateTime &wallClock, const QDateTime &instant)
{
    if (!wallClock.isValid() || !instant.isValid())
        return std::nullopt;
    const qint64 offset = instant.msecsTo(wallClock);
    if (offset % offsetStepMSecs != 0 || qAbs(offset) > maxZoneDifferenceMSecs)
        return std::nullopt;
    return int(offset / 1000);
}

QString utcOffsetText(int offsetSeconds)
{
    const int minutes = qAbs(offsetSeconds) / 60;
    return QStringLiteral("%1%2:%3")
        .arg(offsetSeconds < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString formatWithDayAndMonthSwapped(const QString &dateFormat)
{
    static const QRegularExpression dayField(QStringLiteral("d+"));
    static const QRegularExpression monthField(QStringLiteral("M+"));
    const QRegularExpressionMatch day = dayField.match(dateFormat);
    const QRegularExpressionMatch month = monthField.match(dateFormat);
    if (!day.hasMatch() || !month.hasMatch())
        return dateFormat;
    const bool dayFirst = day.capturedStart() < month.capturedStart();
    const QRegularExpressionMatch &earlier = dayFirst ? day : month;
    const QRegularExpressionMatch &later = dayFirst ? month : day;
    // The later field first, so that the earlier one's position still holds.
    QString swapped = dateFormat;
    swapped.replace(later.capturedStart(), later.capturedLength(), earlier.captured());
    swapped.replace(earlier.capturedStart(), earlier.capturedLength(), later.captured());
    return swapped;
}

std::optional<DayMonthFinding> checkDayAndMonth(const QString &stamp, const QString &dateFormat,
                                                const QDateTime &start,
                                                const QDateTime &acquisitionInstant,
                                                const QTimeZone &zone)
{
    if (!start.isValid() || !acquisitionInstant.isValid() ||
        qAbs(start.msecsTo(acquisitionInstant)) <= maxZoneDifferenceMSecs)
        return std::nullopt;
    const QString swappedFormat = formatWithDayAndMonthSwapped(dateFormat);
    const QDateTime swapped = readLocalStamp(stamp, swappedFormat, zone).time;
    if (!swapped.isValid() || qAbs(swapped.msecsTo(acquisitionInstant)) > maxZoneDifferenceMSecs)
        return std::nullopt;
    return DayMonthFinding{start, swapped, acquisitionInstant, dateFormat, swappedFormat};
}
