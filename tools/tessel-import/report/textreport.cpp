#include "report/textreport.h"

#include "model/importresult.h"
#include "report/isotime.h"

namespace {

QString orNone(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("(none)") : text;
}

QString timeText(const QDateTime &time)
{
    return time.isValid() ? isoTimeText(time) : QStringLiteral("(invalid)");
}

QString channelLine(const ChannelReport &channel)
{
    QString line = QStringLiteral("    ") + channel.name;
    if (channel.massPair)
        line += QStringLiteral("  mass %1 -> %2")
                    .arg(channel.massPair->first, channel.massPair->second);
    if (channel.dwellTimeSeconds)
        line += QStringLiteral("  dwell %1 s").arg(*channel.dwellTimeSeconds);
    return line;
}

// The data rows, and what the host holds: one closing row more.
QString rowsText(int rowCount)
{
    if (rowCount == 0)
        return QStringLiteral("none");
    const int dataRows = dataRowsOf(rowCount);
    return QStringLiteral("%1 data row%2 (%3 handed to the host, with the closing row)")
        .arg(dataRows)
        .arg(dataRows == 1 ? QString() : QStringLiteral("s"))
        .arg(rowCount);
}

QString storeVerdict(const ImportResult &result)
{
    if (!result.ok)
        return QStringLiteral("nothing stored");
    return QStringLiteral("stored (%1 imported-file record(s), %2 sample record(s))")
        .arg(result.fileRecords)
        .arg(result.sampleRecords);
}

void writeAcquisitionFolder(const AcquisitionFolderReport &folder, QTextStream &out)
{
    out << "  Acquisition folder:\n"
        << "    instrument:    " << folder.instrumentName;
    if (!folder.instrumentFile.isEmpty())
        out << " (from " << folder.instrumentFile << ')';
    out << '\n'
        << "    sample label:  " << orNone(folder.sampleLabel) << " (from the \""
        << folder.sampleLabelField << "\" field)\n"
        << "    acquired:      " << timeText(folder.acquisitionInstant);
    if (!folder.acquisitionResult.isEmpty())
        out << " (result: " << folder.acquisitionResult << ')';
    out << '\n'
        << "    method:        " << folder.methodFile << '\n'
        << "    sample record: " << folder.sampleRecordFile << '\n';
}

void writeImport(const ImportResult &result, QTextStream &out)
{
    out << "  Sample:     " << orNone(result.sampleName.value_or(QString())) << '\n'
        << "  Machine:    " << orNone(result.machineName) << '\n'
        << "  Start:      " << timeText(inTimeZone(result.start, result.timeZone)) << '\n';
    if (!result.report.stampOffset.isEmpty())
        out << "  Stamp:      read at UTC" << result.report.stampOffset
            << ", the instrument's clock as the acquisition time shows it\n";
    out << "  End:        " << timeText(inTimeZone(result.end, result.timeZone)) << '\n'
        << "  Duration:   "
        << (result.durationSeconds ? QStringLiteral("%1 s").arg(*result.durationSeconds)
                                   : QStringLiteral("(not announced)"))
        << '\n'
        << "  Rows:       " << rowsText(result.rowCount) << '\n'
        << "  Unit:       " << orNone(result.report.intensityUnit) << '\n'
        << "  Channels:   " << result.channels.size() << '\n';
    for (const ChannelReport &channel : result.channels)
        out << channelLine(channel) << '\n';
    if (result.report.acquisitionFolder)
        writeAcquisitionFolder(*result.report.acquisitionFolder, out);
    out << "  Data store: " << storeVerdict(result) << '\n';
}

// A written output by its path; one that failed by why, which names the path.
void writeOutputs(const ImportResult &result, QTextStream &out)
{
    for (const FileOutput &output : result.outputs)
        out << (output.kind == QLatin1String("table") ? "  Table:      " : "  Picture:    ")
            << (output.error.isEmpty() ? output.path
                                       : QStringLiteral("not written: ") + output.error)
            << '\n';
}

// An importer may log the failure it signals: it is shown once, as the error.
void writeProblems(const ImportResult &result, QTextStream &out)
{
    for (const QString &error : result.errors)
        out << "  Error:      " << error << '\n';
    for (const LogEntry &entry : result.log) {
        if (entry.level != LogEntry::Warning || result.errors.contains(entry.message))
            continue;
        out << "  Warning:    " << entry.message;
        if (!entry.origin.isEmpty())
            out << " [" << entry.origin << ']';
        out << '\n';
    }
}

} // namespace

void writeTimeZoneLine(const QString &zone, QTextStream &out)
{
    out << "Time zone: " << zone << " (times are read and shown in it)\n\n";
}

void writeTextReport(const ImportResult &result, QTextStream &out)
{
    out << result.file << '\n';
    if (result.importer.isEmpty()) {
        if (result.errors.isEmpty())
            out << "  Not recognised by any importer\n";
        writeProblems(result, out);
        out << '\n';
        return;
    }
    out << "  Importer:   " << result.importer << '\n';
    writeImport(result, out);
    writeOutputs(result, out);
    writeProblems(result, out);
    out << '\n';
}

QString stageTimesText(const QString &file, const QVector<StageTime> &stages)
{
    double total = 0.0;
    for (const StageTime &stage : stages)
        total += stage.seconds;
    QStringList parts;
    for (const StageTime &stage : stages)
        parts.append(QStringLiteral("%1 %2 s (%3 %)")
                         .arg(stage.stage)
                         .arg(stage.seconds, 0, 'f', 4)
                         .arg(total > 0 ? 100.0 * stage.seconds / total : 0.0, 0, 'f', 0));
    return QStringLiteral("%1: %2 of %3 s")
        .arg(file, parts.join(QStringLiteral("; ")))
        .arg(total, 0, 'f', 4);
}
