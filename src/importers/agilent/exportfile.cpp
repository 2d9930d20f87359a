#include "exportfile.h"

#include "channelheader.h"
#include "timestamptext.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <limits>

namespace {

// Qt 5 byte arrays hold a little less than 2 GiB; a larger file cannot be read whole.
const qint64 maxFileSize = std::numeric_limits<int>::max() - 64;
const int formatTestLineLimit = 50;
// The format test reads this much of each line: header lines are short, and a file without
// line breaks must not be read and decoded whole just to be turned down.
const qint64 formatTestLineBytes = 64 * 1024;

// 測定日時 (measurement date) in Shift_JIS: the Japanese software's time-stamp heading.
const QByteArray japaneseStampWord = QByteArrayLiteral("\x91\xAA\x92\xE8\x93\xFA\x8E\x9E");

// The start of the next line, at most maxBytes of it; the rest of a longer line is skipped.
QByteArray readLineStart(QFile &file, qint64 maxBytes)
{
    const QByteArray start = file.readLine(maxBytes);
    for (QByteArray rest = start; !rest.isEmpty() && !rest.endsWith('\n');)
        rest = file.readLine(maxBytes);
    return start;
}

// Text is read as Qt decodes it, which ends at a NUL byte: the row count stops there. No
// instrument writes one, so the rows lost behind it must not go unmentioned.
void noteNulByte(const QString &path, const FileLines &lines, QStringList &warnings)
{
    if (lines.firstNul() < 0)
        return;
    warnings.append(QStringLiteral("The file \"%1\" holds a NUL byte in line %2: no data row from "
                                   "that line on is read.")
                        .arg(path, QString::number(lines.lineAt(lines.firstNul()) + 1)));
}

// Values are imported as written; counts per dwell time must not pass for counts per second.
void noteCountsUnit(const QString &path, const QString &unit, QStringList &warnings)
{
    if (unit.compare(QLatin1String("Counts"), Qt::CaseInsensitive) != 0)
        return;
    warnings.append(QStringLiteral("The file \"%1\" holds counts per dwell time (\"%2\"), not "
                                   "counts per second (CPS); the values are imported as written.")
                        .arg(path, unit));
}

} // namespace

Outcome<ExportContent> readExport(const QString &path, const std::function<void()> &opened,
                                  StageClock &clock)
{
    QFile file(path);
    qint64 size = 0;
    const QString openError = openForReading(file, &size);
    if (!openError.isEmpty())
        return ImportFailure{
            Failure::Open,
            QStringLiteral("Could not load the file %1 for the following reason: ").arg(path) +
                openError,
            openError};
    opened();
    if (size > maxFileSize)
        return loadFailure(path, QStringLiteral("because it is too large (%1 bytes; at most %2 "
                                                "bytes can be read).")
                                     .arg(QString::number(size), QString::number(maxFileSize)));
    ContentRead read = readFileContent(file, size);
    if (read.size < 0)
        return loadFailure(path,
                           QStringLiteral("because it could not be read (%1).").arg(read.error));
    file.close();
    clock.lap(QStringLiteral("read"));
    ExportContent content{FileLines(std::move(read.content), read.size),
                          quint64(read.size),
                          QString(),
                          QString(),
                          {}};
    clock.lap(QStringLiteral("line scan and row count"));
    const FileLines &lines = content.lines;
    if (lines.count() < 2)
        return loadFailure(path, QStringLiteral("due to a problem reading the file (length < 2 "
                                                "lines)."));
    noteNulByte(path, lines, content.warnings);
    content.unit = parseIntensityUnit(lines.line(unitLine));
    noteCountsUnit(path, content.unit, content.warnings);
    content.sampleName = windowsPathName(exportCodec(lines)->toUnicode(lines.line(0)));
    return {std::move(content)};
}

QString openForReading(QFile &file, qint64 *size)
{
    const QFileInfo info(file.fileName());
    if (info.exists() && !info.isFile())
        return QStringLiteral("it is not a regular file");
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    if (size)
        *size = info.size();
    return QString();
}

bool holdsExportHeading(QFile &file)
{
    for (int i = 0; i < formatTestLineLimit; ++i) {
        const QByteArray line = readLineStart(file, formatTestLineBytes);
        if (line.contains(japaneseStampWord) || holdsAcquiredHeading(line))
            return true;
    }
    return false;
}

QString windowsPathName(const QString &text)
{
    static const QRegularExpression root(QStringLiteral("(?:[A-Za-z]:|\\\\\\\\[^\\\\]+)\\\\"));
    const QRegularExpressionMatch match = root.match(text);
    if (!match.hasMatch())
        return QString();
    const QStringRef path = text.midRef(match.capturedEnd());
    // No Windows name ends in a blank or holds a double quote (a spreadsheet's quotes).
    const auto trailing = [](QChar c) {
        return c.isSpace() || c == QLatin1Char(',') || c == QLatin1Char('"') ||
               c == QLatin1Char('\\');
    };
    int end = path.size();
    while (end > 0 && trailing(path.at(end - 1)))
        --end;
    const QStringRef trimmed = path.left(end);
    return trimmed.mid(trimmed.lastIndexOf(QLatin1Char('\\')) + 1).toString();
}

QTextCodec *exportCodec(const FileLines &lines)
{
    for (int i = 0; i < std::min(lines.count(), firstDataLine); ++i) {
        const QByteArray line = lines.line(i);
        if (line.contains(japaneseStampWord))
            return QTextCodec::codecForName("Shift_JIS");
        if (holdsChineseHeading(line))
            return QTextCodec::codecForName("GB18030");
    }
    return QTextCodec::codecForName("UTF-8");
}
