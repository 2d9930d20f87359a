#include "timestampcheck.h"

#include "isotime.h"
#include "preferences.h"

#include <QRegularExpression>
#include <QSettings>

namespace {

const QString timeLineKey = QStringLiteral("agilentTimeLineOption");
const QString dateFormatKey = QStringLiteral("agilentDateFormat");
const qint64 dayMSecs = 24 * 3600 * 1000LL;

bool withinADay(const QDateTime &one, const QDateTime &other)
{
    return qAbs(one.msecsTo(other)) < dayMSecs;
}

std::optional<QDateTime> startWithDayAndMonthSwapped(const QDateTime &start)
{
    const QDate date = start.date();
    const QDate swapped(date.year(), date.day(), date.month());
    if (!swapped.isValid())
        return std::nullopt;
    QDateTime swappedStart = start;
    swappedStart.setDate(swapped);
    return swappedStart;
}

// "dd MM yyyy hh mm ss" -> "MM dd yyyy hh mm ss"
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

// "which matches AcqTime", with the hours a time zone leaves between the two.
QString matchText(qint64 milliseconds)
{
    if (milliseconds == 0)
        return QStringLiteral("which matches AcqTime");
    const QString hours = QString::number(qAbs(milliseconds) / 3600000.0, 'f', 2)
                              .remove(QRegularExpression(QStringLiteral("\\.?0+$")));
    return QStringLiteral("which matches AcqTime up to a time-zone difference of %1 h").arg(hours);
}

QString explanation(const StartTimeMismatch &mismatch)
{
    const QString change = QStringLiteral("agilentDateFormat from \"%1\" to \"%2\"")
                               .arg(mismatch.dateFormat, mismatch.swappedDateFormat);
    if (!mismatch.swappedStart)
        return QStringLiteral("Day %1 cannot be a month, so the date-format preference "
                              "agilentDateFormat (\"%2\") does not explain it: check the "
                              "instrument computer's clock and that the folder belongs to the "
                              "export.")
            .arg(mismatch.exportStart.date().day())
            .arg(mismatch.dateFormat);
    const QString swapped = isoTimeText(*mismatch.swappedStart);
    if (mismatch.swappedStartMatches)
        return QStringLiteral("Read with day and month swapped, the export gives %1, %2: the "
                              "date-format preference has day and month swapped. Change %3.")
            .arg(swapped, matchText(mismatch.swappedStart->msecsTo(mismatch.acquisitionTime)),
                 change);
    return QStringLiteral("The date-format preference is probably wrong (day and month swapped?): "
                          "try changing %1. Read that way the export gives %2, which does not "
                          "match AcqTime either, so check the instrument computer's clock too.")
        .arg(change, swapped);
}

} // namespace

TimePreferences TimePreferences::current()
{
    const QSettings settings;
    return {settings.value(timeLineKey, *preferenceDefault(timeLineKey)).toString(),
            settings.value(dateFormatKey, *preferenceDefault(dateFormatKey)).toString()};
}

std::optional<StartTimeMismatch> crossCheckStartTime(const QDateTime &start,
                                                     const QDateTime &acquisitionTime,
                                                     const TimePreferences &preferences)
{
    if (preferences.timeLineOption.contains(QLatin1String("XML")) || !start.isValid() ||
        !acquisitionTime.isValid() || withinADay(start, acquisitionTime))
        return std::nullopt;
    const std::optional<QDateTime> swappedStart = startWithDayAndMonthSwapped(start);
    return StartTimeMismatch{start,
                             acquisitionTime,
                             preferences.dateFormat,
                             formatWithDayAndMonthSwapped(preferences.dateFormat),
                             swappedStart,
                             swappedStart && withinADay(*swappedStart, acquisitionTime)};
}

QString mismatchText(const StartTimeMismatch &mismatch)
{
    const qint64 apart = mismatch.exportStart.msecsTo(mismatch.acquisitionTime);
    return QStringLiteral("the start time read from the export, %1, is %2 days away from the "
                          "acquisition folder's AcqTime, %3. %4")
        .arg(isoTimeText(mismatch.exportStart))
        .arg(qAbs(apart) / double(dayMSecs), 0, 'f', 1)
        .arg(isoTimeText(mismatch.acquisitionTime), explanation(mismatch));
}
