#include "starttime.h"

#include "zonetime.h"

namespace {

// A stamp and an acquisition time this close are one moment on two clocks that drift apart or
// round differently; further apart, and not a clock's offset apart, one of them is wrong.
const qint64 sameMomentMSecs = 60 * 1000;

Outcome<StartTime> startFromStamp(const StartSources &sources)
{
    const QString &path = sources.path;
    const QString &format = sources.settings.dateFormat;
    const ExportStamp stamp =
        readExportStamp(sources.lines, sources.settings.timeLine.stampLine, format, sources.zone);
    switch (stamp.failure) {
    case ExportStamp::NoStampLine:
        return ImportFailure{
            Failure::StampMissing,
            QStringLiteral("Could not load the file \"%1\" due to a missing time stamp "
                           "(?).")
                .arg(path)};
    case ExportStamp::Unrecognised:
        return ImportFailure{
            Failure::StampUnrecognised,
            QStringLiteral("Could not load the file \"%1\" due to an unrecognised time "
                           "stamp \"%2\" using the time stamp option \"%3\".")
                .arg(path, stamp.text, sources.settings.timeLine.text)};
    case ExportStamp::Impossible: {
        ImportFailure failure{
            Failure::StampImpossible,
            QStringLiteral("Could not load the file \"%1\" due to an impossible or "
                           "invalid time stamp \"%2\" using the date/time format %3. "
                           "Please check the data import options in preferences.")
                .arg(path, stamp.normalised, format)};
        failure.unreadStamp = UnreadStampReport{stamp.normalised, dateFormatKey(), format};
        return failure;
    }
    case ExportStamp::None:
        break;
    }
    StartTime start;
    start.start = stamp.reading.time;
    start.stamp = stamp.normalised;
    if (stamp.reading.inClockChangeGap)
        start.gapWarning = QStringLiteral("The time stamp \"%1\" of \"%2\" names a time that the "
                                          "clock of %3 skips when it is set forward; it is "
                                          "read as %4, the time the clock shows that much later.")
                               .arg(start.stamp, path, QString::fromUtf8(sources.zone.id()),
                                    start.start.toString(Qt::ISODate));
    return {std::move(start)};
}

// A month-first stamp read day-first (or the other way round) gives a valid, wrong date when the
// day is 12 or less. The batch or acquisition folder's own time of the acquisition tells.
void checkDayAndMonthOfStart(const StartSources &sources, StartTime &start)
{
    const SampleRecord &record = *sources.record;
    const QString &format = sources.settings.dateFormat;
    start.dayMonth =
        checkDayAndMonth(start.stamp, format, start.start, record.acquired, sources.zone);
    if (!start.dayMonth)
        return;
    const DayMonthFinding &finding = *start.dayMonth;
    start.dayMonthWarning =
        QStringLiteral("The time stamp \"%1\" of \"%2\" reads as %3 under %4 \"%5\", more than 14 "
                       "hours from the acquisition time %6 that %7 gives; read with day and month "
                       "swapped it is %8, which agrees. Set %4 to \"%9\" to read it right; the "
                       "import keeps the first reading.")
            .arg(start.stamp, sources.path, finding.exportStart.toString(Qt::ISODate),
                 dateFormatKey(), format, finding.acquisitionInstant.toString(Qt::ISODate),
                 record.file, finding.swappedStart.toString(Qt::ISODate),
                 finding.suggestedDateFormat);
}

// The export's stamp shows the clock of the instrument's computer, which need not be the zone's.
// An acquisition time with an offset of its own tells that clock's offset when the "Acquired"
// stamp, read as a bare wall clock, lies whole quarter hours from it: the start is then read at
// that offset (in which no clock change leaves a gap).
void readStartOnStampClock(const StartSources &sources, StartTime &start)
{
    const SampleRecord &record = *sources.record;
    const QString &format = sources.settings.dateFormat;
    const ExportStamp acquired =
        readExportStamp(sources.lines, StampLine::Acquired, format, QTimeZone::utc());
    const QDateTime inZone = readLocalStamp(acquired.normalised, format, sources.zone).time;
    if (acquired.failure != ExportStamp::None || inZone == record.acquired)
        return;
    start.stampOffset = stampClockOffset(acquired.reading.time, record.acquired);
    if (!start.stampOffset) {
        if (qAbs(inZone.msecsTo(record.acquired)) > sameMomentMSecs)
            start.clockWarning =
                QStringLiteral("The time stamp \"%1\" of \"%2\" reads as %3, not the acquisition "
                               "time %4 that %5 gives, and the two differ by no whole number of "
                               "quarter hours: the stamp's clock is not known. The import keeps "
                               "the start as read in %6.")
                    .arg(acquired.normalised, sources.path, inZone.toString(Qt::ISODate),
                         record.acquired.toString(Qt::ISODate), record.file,
                         QString::fromUtf8(sources.zone.id()));
        return;
    }
    const QTimeZone clock(*start.stampOffset);
    start.start = inTimeZone(readLocalStamp(start.stamp, format, clock).time, sources.zone);
    start.gapWarning.clear();
    start.clockNote =
        QStringLiteral("The time stamp \"%1\" of \"%2\" shows a clock at UTC%3: it lies whole "
                       "quarter hours from the acquisition time %4 that %5 gives. The start is "
                       "read in that offset, as %6.")
            .arg(acquired.normalised, sources.path, utcOffsetText(*start.stampOffset),
                 record.acquired.toString(Qt::ISODate), record.file,
                 start.start.toOffsetFromUtc(*start.stampOffset).toString(Qt::ISODate));
}

} // namespace

Outcome<StartTime> chooseStartTime(const StartSources &sources)
{
    const TimeLine &timeLine = sources.settings.timeLine;
    if (timeLine.acquisitionTime && !sources.folderUsed)
        return ImportFailure{Failure::TimeLine,
                             QStringLiteral("Could not load the file \"%1\" because XML time was "
                                            "requested but no XML data could be loaded.")
                                 .arg(sources.path)};
    if (timeLine.stampLine == StampLine::None) {
        if (!timeLine.acquisitionTime)
            return ImportFailure{
                Failure::TimeLine,
                QStringLiteral("Could not load the file \"%1\" because the time line "
                               "option \"%2\" is not known: use \"%3\", \"%4\" or a "
                               "value containing \"XML\".")
                    .arg(sources.path, timeLine.text, timeLineText(StampLine::Acquired),
                         timeLineText(StampLine::Printed))};
        StartTime start;
        start.start = inTimeZone(sources.record->acquired, sources.zone);
        return {std::move(start)};
    }
    Outcome<StartTime> start = startFromStamp(sources);
    if (!start || !sources.record)
        return start;
    checkDayAndMonthOfStart(sources, *start);
    if (!start->dayMonth && sources.record->hasOwnOffset())
        readStartOnStampClock(sources, *start);
    return start;
}

std::optional<DayMonthReport> dayMonthReport(const StartTime &start)
{
    if (!start.dayMonth)
        return std::nullopt;
    const DayMonthFinding &finding = *start.dayMonth;
    return DayMonthReport{start.dayMonthWarning,      finding.exportStart, finding.swappedStart,
                          finding.acquisitionInstant, dateFormatKey(),     finding.dateFormat,
                          finding.suggestedDateFormat};
}
