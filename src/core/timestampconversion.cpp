// AbstractImporter::convertTimeStamp: reads the blank-separated stamps that importers normalise
// from instrument headers ("18 11 2020 14 24 29", "Oct 29 2015 03 06 01 pm").
#include "abstractimporter.h"

#include <QVector>

#include <optional>

namespace {

enum class DateField { Day, Month, Year };

// The order in which day, month and year appear in a format such as "dd MM yyyy hh mm ss"
// or "MM/dd/yyyy"; empty when the format lacks one of them or repeats one.
QVector<DateField> dateOrder(const QString &format)
{
    QVector<DateField> order;
    QChar previous;
    for (const QChar c : format) {
        if (c == previous)
            continue;
        previous = c;
        std::optional<DateField> field;
        if (c == QLatin1Char('d'))
            field = DateField::Day;
        else if (c == QLatin1Char('M'))
            field = DateField::Month;
        else if (c == QLatin1Char('y'))
            field = DateField::Year;
        if (!field)
            continue;
        if (order.contains(*field))
            return {};
        order.append(*field);
    }
    return order.size() == 3 ? order : QVector<DateField>();
}

bool isDigits(const QString &token, int minLength, int maxLength)
{
    if (token.size() < minLength || token.size() > maxLength)
        return false;
    for (const QChar c : token) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// 1 to 12 for an English month name, short or long, in any case; 0 otherwise.
int monthFromName(const QString &token)
{
    static const char *const names[] = {"january",   "february", "march",    "april",
                                        "may",       "june",     "july",     "august",
                                        "september", "october",  "november", "december"};
    const QString lower = token.toLower();
    for (int i = 0; i < 12; ++i) {
        const QLatin1String name(names[i]);
        if (lower == name || lower == QLatin1String(names[i], 3))
            return i + 1;
    }
    return 0;
}

struct DateTokens
{
    QString day;
    QString month;
    QString year;
};

// Distributes the three date tokens over day, month and year.
std::optional<DateTokens> assignDateTokens(const QStringList &tokens, QVector<DateField> order)
{
    if (isDigits(tokens.at(0), 4, 4))
        order = {DateField::Year, DateField::Month, DateField::Day};

    QStringList rest = tokens;
    DateTokens date;
    int named = -1;
    for (int i = 0; i < 3; ++i) {
        if (monthFromName(tokens.at(i)) == 0)
            continue;
        if (named >= 0)
            return std::nullopt;
        named = i;
    }
    if (named >= 0) {
        date.month = rest.takeAt(named);
        order.removeAll(DateField::Month);
    }
    for (int i = 0; i < order.size(); ++i) {
        switch (order.at(i)) {
        case DateField::Day:
            date.day = rest.at(i);
            break;
        case DateField::Month:
            date.month = rest.at(i);
            break;
        case DateField::Year:
            date.year = rest.at(i);
            break;
        }
    }
    return date;
}

QDate parseDate(const DateTokens &tokens)
{
    int month = monthFromName(tokens.month);
    if (month == 0 && isDigits(tokens.month, 1, 2))
        month = tokens.month.toInt();
    if (month == 0 || !isDigits(tokens.day, 1, 2))
        return {};
    int year = 0;
    if (isDigits(tokens.year, 4, 4))
        year = tokens.year.toInt();
    else if (isDigits(tokens.year, 2, 2))
        year = 2000 + tokens.year.toInt();
    else
        return {};
    return QDate(year, month, tokens.day.toInt());
}

// Seconds with an optional fraction ("33", "33.25", "33."), as milliseconds.
std::optional<int> parseSeconds(const QString &token)
{
    const int point = token.indexOf(QLatin1Char('.'));
    const QString whole = point < 0 ? token : token.left(point);
    const QString fraction = point < 0 ? QString() : token.mid(point + 1);
    if (!isDigits(whole, 1, 2) || !(fraction.isEmpty() || isDigits(fraction, 1, 64)))
        return std::nullopt;
    const int milliseconds = (fraction + QStringLiteral("000")).left(3).toInt();
    return whole.toInt() * 1000 + milliseconds;
}

// 'a' for AM, 'p' for PM, with or without full stops and in any case; 0 otherwise.
char meridiem(const QString &token)
{
    QString letters = token.toLower();
    letters.remove(QLatin1Char('.'));
    if (letters == QLatin1String("am") || letters == QLatin1String("a"))
        return 'a';
    if (letters == QLatin1String("pm") || letters == QLatin1String("p"))
        return 'p';
    return 0;
}

QTime parseTime(QStringList tokens)
{
    if (tokens.size() < 2 || !isDigits(tokens.at(0), 1, 2) || !isDigits(tokens.at(1), 1, 2))
        return {};
    int hour = tokens.takeFirst().toInt();
    const int minute = tokens.takeFirst().toInt();
    int milliseconds = 0;
    if (!tokens.isEmpty() && meridiem(tokens.first()) == 0) {
        const auto seconds = parseSeconds(tokens.takeFirst());
        if (!seconds)
            return {};
        milliseconds = *seconds;
    }
    if (!tokens.isEmpty()) {
        const char marker = meridiem(tokens.takeFirst());
        if (marker == 0 || hour < 1 || hour > 12)
            return {};
        hour = (hour % 12) + (marker == 'p' ? 12 : 0);
    }
    if (!tokens.isEmpty())
        return {};
    return QTime(hour, minute, milliseconds / 1000, milliseconds % 1000);
}

} // namespace

QDateTime AbstractImporter::convertTimeStamp(const QString &stamp, const QString &format)
{
    const QStringList tokens = stamp.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QVector<DateField> order = dateOrder(format);
    if (order.isEmpty() || tokens.size() < 5 || tokens.size() > 7)
        return {};
    const auto dateTokens = assignDateTokens(tokens.mid(0, 3), order);
    if (!dateTokens)
        return {};
    const QDate date = parseDate(*dateTokens);
    const QTime time = parseTime(tokens.mid(3));
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::LocalTime);
}
