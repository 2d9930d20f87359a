#include "channelheader.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTextCodec>

namespace {

// The names given so far, each with the heading that took it; for headers of thousands of
// channels.
using TakenNames = QHash<QString, QString>;

// A plain heading whose name is taken ("P31" after "P31 -> 47") gets the last alternative of a
// repeated mass-shifted heading, its mass as both masses ("P31_31"); when that is taken too, or
// the heading names no mass (an empty one), a number ("P31_31_2", "_2"). Each number is
// tried once per name, so that thousands of empty headings take no quadratic time.
QString freeName(const TakenNames &taken, QHash<QString, int> &lastNumber, const QString &name,
                 const QString &mass)
{
    const QString byMasses = mass.isEmpty() ? name : name + QLatin1Char('_') + mass;
    if (!taken.contains(byMasses))
        return byMasses;
    int number = lastNumber.value(byMasses, 1);
    QString numbered;
    do
        numbered = byMasses + QLatin1Char('_') + QString::number(++number);
    while (taken.contains(numbered));
    lastNumber.insert(byMasses, number);
    return numbered;
}

// Each heading after the time heading gives one channel, so that the n-th channel stays the
// n-th value of every line. A heading with an arrow takes the mass-shift names; one without (a
// header that mixes both forms) keeps its own name, with its mass as both masses, unless an
// earlier heading took it. A name once given to another heading's values is never given again,
// but for a tandem heading's last alternative, which repeats as the naming rule has it. An empty
// heading is a column like any other, named "" as in a plain header; only the empty ones after the
// last heading (a spreadsheet's padding) give none.
void readShiftedHeadings(const QString &text, ChannelHeader &header)
{
    static const QRegularExpression shifted(
        QStringLiteral("(?<symbol>[A-Z]{1}[a-z]{0,1})(?<mass>\\d+) -> (?<final_mass>\\d+)"));
    static const QRegularExpression plain(QStringLiteral("^[A-Z][a-z]?(\\d+)$"));
    TakenNames taken;
    QSet<QString> tandemNames; // the names that tandem headings took by the shared rule
    QHash<QString, int> lastNumber;
    QStringList headings = text.split(QLatin1Char(','));
    headings.removeFirst();
    while (!headings.isEmpty() && headings.last().simplified().isEmpty())
        headings.removeLast();
    for (const QString &heading : qAsConst(headings)) {
        const QRegularExpressionMatch match = shifted.match(heading);
        QString name;
        const QString own = heading.simplified();
        if (match.hasMatch()) {
            const QString mass = match.captured(QStringLiteral("mass"));
            const QString finalMass = match.captured(QStringLiteral("final_mass"));
            name =
                channelName(taken, match.captured(QStringLiteral("symbol")), mass, mass, finalMass);
            // Only a tandem heading's last alternative repeats; a name that a plain heading or
            // a renaming took stays that heading's.
            if (taken.contains(name) && !tandemNames.contains(name)) {
                const QString alternative = name;
                name = freeName(taken, lastNumber, alternative, QString());
                header.renamings.append({own, taken.value(alternative), name});
            } else {
                tandemNames.insert(name);
            }
            header.massPairs.append({mass, finalMass});
        } else {
            name = own;
            const QString mass = plain.match(name).captured(1);
            if (taken.contains(name)) {
                name = freeName(taken, lastNumber, own, mass);
                header.renamings.append({own, taken.value(own), name});
            }
            header.massPairs.append({mass, mass});
        }
        header.names.append(name);
        taken.insert(name, own);
    }
}

// Every heading after the time heading, white space simplified (so a line's CR goes too).
QStringList plainHeadings(const QString &text)
{
    QStringList names = text.split(QLatin1Char(','));
    names.removeFirst();
    for (QString &name : names)
        name = name.simplified();
    return names;
}

} // namespace

ChannelHeader parseChannelHeader(const QByteArray &line)
{
    // Compiled once for every import: a pattern's compilation costs more than its match.
    static const QRegularExpression arrow(QStringLiteral(" -> \\d{1,3}"));
    static const QRegularExpression english(
        QStringLiteral("Time \\[Sec\\],[A-Z]{1}[a-z]{0,1}\\d{1,3}"));
    static const QRegularExpression chinese(
        QStringLiteral("时间 \\[s\\],[A-Z]{1}[a-z]{0,1}\\d{1,3}"));
    const QString text = QString::fromUtf8(line);
    ChannelHeader header;
    if (arrow.match(text).hasMatch()) {
        header.recognised = header.massShifted = true;
        readShiftedHeadings(text, header);
        return header;
    }
    if (english.match(text).hasMatch() ||
        chinese.match(QTextCodec::codecForName("GB18030")->toUnicode(line)).hasMatch()) {
        header.recognised = true;
        header.names = plainHeadings(text);
    }
    return header;
}

QString parseIntensityUnit(const QByteArray &line)
{
    const QList<QByteArray> fields = line.split(',');
    return fields.size() < 2 ? QString() : QString::fromUtf8(fields.at(1)).trimmed();
}
