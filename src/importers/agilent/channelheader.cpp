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

// Each heading after the time heading gives one channel, so that the n-th channel stays the
// n-th value of every line. A heading with an arrow takes the mass-shift names; one without (a
// header that mixes both forms) keeps its own name, with its mass as both masses. Empty headings
// (a spreadsheet's padding) give none.
void readShiftedHeadings(const QString &text, ChannelHeader &header)
{
    const QRegularExpression shifted(
        QStringLiteral("(?<symbol>[A-Z]{1}[a-z]{0,1})(?<mass>\\d+) -> (?<final_mass>\\d+)"));
    const QRegularExpression plain(QStringLiteral("^[A-Z][a-z]?(\\d+)$"));
    QSet<QString> taken; // the names so far, for headers of thousands of channels
    QStringList headings = text.split(QLatin1Char(','));
    headings.removeFirst();
    for (const QString &heading : qAsConst(headings)) {
        const QRegularExpressionMatch match = shifted.match(heading);
        if (match.hasMatch()) {
            const QString mass = match.captured(QStringLiteral("mass"));
            const QString finalMass = match.captured(QStringLiteral("final_mass"));
            header.names.append(shiftedChannelName(taken, match.captured(QStringLiteral("symbol")),
                                                   mass, finalMass));
            header.massPairs.append({mass, finalMass});
        } else if (const QString name = heading.simplified(); !name.isEmpty()) {
            const QString mass = plain.match(name).captured(1);
            header.names.append(name);
            header.massPairs.append({mass, mass});
        } else {
            continue;
        }
        taken.insert(header.names.last());
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
