#include "channelheader.h"

#include <QRegularExpression>
#include <QSet>
#include <QTextCodec>

namespace {

// A repeated heading takes the first free name of: symbol+mass, symbol+final mass,
// symbol+mass_final mass (the last one even when taken).
QString shiftedChannelName(const QSet<QString> &taken, const QString &symbol, const QString &mass,
                           const QString &finalMass)
{
    const QString byMass = symbol + mass;
    if (!taken.contains(byMass))
        return byMass;
    const QString byFinalMass = symbol + finalMass;
    if (!taken.contains(byFinalMass))
        return byFinalMass;
    return symbol + mass + QLatin1Char('_') + finalMass;
}

void readShiftedHeadings(const QString &text, ChannelHeader &header)
{
    const QRegularExpression heading(
        QStringLiteral("(?<symbol>[A-Z]{1}[a-z]{0,1})(?<mass>\\d+) -> (?<final_mass>\\d+)"));
    QSet<QString> taken; // the names so far, for headers of thousands of channels
    for (auto it = heading.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString mass = match.captured(QStringLiteral("mass"));
        const QString finalMass = match.captured(QStringLiteral("final_mass"));
        header.names.append(
            shiftedChannelName(taken, match.captured(QStringLiteral("symbol")), mass, finalMass));
        taken.insert(header.names.last());
        header.massPairs.append({mass, finalMass});
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
    const QString text = QString::fromUtf8(line);
    ChannelHeader header;
    if (QRegularExpression(QStringLiteral(" -> \\d{1,3}")).match(text).hasMatch()) {
        header.recognised = header.massShifted = true;
        readShiftedHeadings(text, header);
        return header;
    }
    const QRegularExpression english(QStringLiteral("Time \\[Sec\\],[A-Z]{1}[a-z]{0,1}\\d{1,3}"));
    const QRegularExpression chinese(QStringLiteral("时间 \\[s\\],[A-Z]{1}[a-z]{0,1}\\d{1,3}"));
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
