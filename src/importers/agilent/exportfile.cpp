#include "exportfile.h"

#include "filelines.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTextCodec>

#include <algorithm>

namespace {

const int formatTestLineLimit = 50;
// The format test reads this much of each line: header lines are short, and a file without
// line breaks must not be read and decoded whole just to be turned down.
const qint64 formatTestLineBytes = 64 * 1024;
// A Windows path is at most 32,767 characters: the end of a file without LF that the folder
// check can match lies within this many bytes.
const int folderCheckTail = 64 * 1024;

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

} // namespace

QString openForReading(QFile &file)
{
    const QFileInfo info(file.fileName());
    if (info.exists() && !info.isFile())
        return QStringLiteral("it is not a regular file");
    return file.open(QIODevice::ReadOnly) ? QString() : file.errorString();
}

bool holdsExportHeading(QFile &file)
{
    const QRegularExpression englishStamp(QStringLiteral("Acquired      : .* using"));
    QTextCodec *gb18030 = QTextCodec::codecForName("GB18030");
    for (int i = 0; i < formatTestLineLimit; ++i) {
        const QByteArray line = readLineStart(file, formatTestLineBytes);
        if (line.contains(japaneseStampWord) ||
            gb18030->toUnicode(line).contains(QStringLiteral("采集日期")) ||
            englishStamp.match(QString::fromUtf8(line)).hasMatch())
            return true;
    }
    return false;
}

QString sampleNameFromFirstLine(const QByteArray &line)
{
    const QRegularExpression path(
        QStringLiteral("[A-Z]:\\\\[_a-zA-Z0-9\\-\\.\\\\ #]+\\\\([_a-zA-Z0-9\\-\\. #]+)"));
    const QRegularExpressionMatch match = path.match(QString::fromUtf8(line));
    return match.hasMatch() ? match.captured(1) : QString();
}

QByteArray firstLineForFolderCheck(const FileLines &lines)
{
    if (lines.separator() == '\n')
        return lines.line(0);
    const QByteArray &content = lines.content();
    const int tail = std::min(int(content.size()), folderCheckTail);
    return QByteArray::fromRawData(content.constData() + content.size() - tail, tail);
}
