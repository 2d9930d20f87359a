#include "timestamptext.h"

#include "filelines.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTextCodec>

#include <algorithm>
#include <cstring>

namespace {

// 采集日期 (acquisition date) and 打印日期 (print date): the Chinese software's headings of the
// "Acquired" and the "Printed" line.
const QString chineseAcquiredWord = QStringLiteral("采集日期");
const QString chinesePrintedWord = QStringLiteral("打印日期");

struct Span
{
    qsizetype begin;
    qsizetype end;
};

qsizetype lineEndAfter(const QByteArray &text, qsizetype from, qsizetype limit, char separator)
{
    const void *end = std::memchr(text.constData() + from, separator, size_t(limit - from));
    return end ? static_cast<const char *>(end) - text.constData() : limit;
}

// The first "Acquired      : (.*) using" or "Printed:(.*)$" of the text, found in the bytes.
// The text Qt decodes from UTF-8 ends at the first NUL byte (limit: its offset, or the size);
// the patterns are ASCII, so every match in the decoded text is a match in the bytes, and the
// group decodes alone.
std::optional<Span> findEnglishStamp(const QByteArray &text, qsizetype limit, char separator,
                                     bool acquired)
{
    const QByteArray word =
        acquired ? QByteArrayLiteral("Acquired      : ") : QByteArrayLiteral("Printed:");
    const QByteArray tail = QByteArrayLiteral(" using");
    const char *data = text.constData();
    for (qsizetype hit = 0; hit + word.size() <= limit; ++hit) {
        // The word's first letter is rare in an export (data lines hold digits), so memchr
        // finds the candidates at memory speed.
        const void *candidate = std::memchr(data + hit, word.at(0), size_t(limit - hit));
        if (!candidate)
            return std::nullopt;
        hit = static_cast<const char *>(candidate) - data;
        if (hit + word.size() > limit ||
            std::memcmp(data + hit, word.constData(), size_t(word.size())) != 0)
            continue;
        const qsizetype begin = hit + word.size();
        const qsizetype lineEnd = lineEndAfter(text, begin, limit, separator);
        if (!acquired)
            return Span{begin, lineEnd};
        const auto last = std::find_end(data + begin, data + lineEnd, tail.begin(), tail.end());
        if (last != data + lineEnd)
            return Span{begin, last - data};
    }
    return std::nullopt;
}

std::optional<QString> findChineseStamp(QByteArray text, char separator, bool acquired)
{
    if (separator != '\n')
        text.replace(separator, '\n');
    static const QRegularExpression acquiredPattern(chineseAcquiredWord +
                                                        QStringLiteral("      : (.*) 使用批处理"),
                                                    QRegularExpression::MultilineOption);
    static const QRegularExpression printedPattern(chinesePrintedWord + QStringLiteral(":(.*)$"),
                                                   QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match =
        (acquired ? acquiredPattern : printedPattern)
            .match(QTextCodec::codecForName("GB18030")->toUnicode(text));
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1);
}

} // namespace

bool holdsAcquiredHeading(const QByteArray &line)
{
    const void *nul = std::memchr(line.constData(), '\0', size_t(line.size()));
    const qsizetype limit = nul ? static_cast<const char *>(nul) - line.constData() : line.size();
    return findEnglishStamp(line, limit, '\n', true).has_value() ||
           QTextCodec::codecForName("GB18030")->toUnicode(line).contains(chineseAcquiredWord);
}

bool holdsChineseHeading(const QByteArray &line)
{
    const QString text = QTextCodec::codecForName("GB18030")->toUnicode(line);
    return text.contains(chineseAcquiredWord) || text.contains(chinesePrintedWord);
}

std::optional<QString> findStampText(const FileLines &lines, StampLine line)
{
    const bool acquired = line == StampLine::Acquired;
    if (!acquired && line != StampLine::Printed)
        return QString();
    // The line scan found the first NUL already: no second pass over a large export for it.
    const QByteArray &content = lines.content();
    const qsizetype limit = lines.firstNul() < 0 ? content.size() : lines.firstNul();
    if (const auto span = findEnglishStamp(content, limit, lines.separator(), acquired))
        return QString::fromUtf8(content.constData() + span->begin, int(span->end - span->begin));
    return findChineseStamp(content, lines.separator(), acquired);
}

std::optional<QString> normaliseTimeStamp(const QString &stampText)
{
    static const QRegularExpression datePattern(
        QStringLiteral("(\\d+|[A-Za-z]+)[ -\\/,]+([\\d]+|[A-Za-z]+)[ -\\/,]+([\\d]+|[A-Za-z]+)\\W+"
                       "(\\d{1,2}):(\\d{1,2}):?(?<seconds>[\\d.]+)?\\s*(?<AMPM>[APMpam.]{0,2})"));
    const QRegularExpressionMatch match = datePattern.match(stampText);
    if (!match.hasMatch())
        return std::nullopt;
    QStringList tokens;
    for (int group = 1; group <= 7; ++group)
        tokens.append(match.captured(group));
    QString stamp = tokens.join(QLatin1Char(' ')).trimmed();
    if (match.captured(QStringLiteral("seconds")).isEmpty() ||
        match.captured(QStringLiteral("AMPM")).isEmpty())
        stamp.replace(QStringLiteral("  "), QStringLiteral(" "));
    return stamp;
}
