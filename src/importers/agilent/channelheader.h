#pragma once

#include "columns.h"

#include <QByteArray>
#include <QStringList>
#include <QVector>

// The channels named by an export's channel header line (its fourth line).
struct ChannelHeader
{
    bool recognised = false;
    bool massShifted = false;
    QStringList names;
    // For a mass-shifted (MS/MS) header, (mass, final mass) of each channel, as written.
    MassPairList massPairs;
    // Plain headings of a mass-shifted header whose name an earlier heading had taken.
    struct Renaming
    {
        QString heading;
        QString earlierHeading;
        QString name; // the name it got instead
    };
    QVector<Renaming> renamings;
};

// The name of a channel of an element (symbol) measured at primaryMass, by the one rule that the
// channel header and the acquisition method share: symbol+primaryMass, or when a channel took it
// already, symbol+finalMass, or symbol+mass_finalMass (the last one even when taken). taken:
// the names given so far (anything with contains()).
template<typename Taken>
QString channelName(const Taken &taken, const QString &symbol, const QString &primaryMass,
                    const QString &mass, const QString &finalMass)
{
    const QString primary = symbol + primaryMass;
    if (!taken.contains(primary))
        return primary;
    const QString byFinalMass = symbol + finalMass;
    if (!taken.contains(byFinalMass))
        return byFinalMass;
    return symbol + mass + QLatin1Char('_') + finalMass;
}

// Reads an English header ("Time [Sec],Li7,..."), the Chinese software's header (GB18030) or a
// mass-shifted header ("Time [Sec],Ti48 -> 64,...").
ChannelHeader parseChannelHeader(const QByteArray &line);

// The unit that an export's second line names, as written: "CPS" in "Intensity Vs Time,CPS",
// "Counts" in "Intensity Vs Time,Counts,,,"; empty when the line names none.
QString parseIntensityUnit(const QByteArray &line);
