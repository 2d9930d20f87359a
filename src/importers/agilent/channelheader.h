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

// Reads an English header ("Time [Sec],Li7,..."), the Chinese software's header (GB18030) or a
// mass-shifted header ("Time [Sec],Ti48 -> 64,...").
ChannelHeader parseChannelHeader(const QByteArray &line);

// The unit that an export's second line names, as written: "CPS" in "Intensity Vs Time,CPS",
// "Counts" in "Intensity Vs Time,Counts,,,"; empty when the line names none.
QString parseIntensityUnit(const QByteArray &line);
