#pragma once

#include "acquisitionfolder.h"
#include "columns.h"
#include "filelines.h"
#include "importoutcome.h"

#include <QStringList>

// The channels of an import, each with its masses and dwell time, in the order of the values.
struct ChannelPlan
{
    QStringList names;
    MassPairList massPairs;   // (mass, final mass) of a mass-shifted channel
    QList<float> dwellTimes;  // seconds; from the acquisition method only
    bool massShifted = false; // named by a mass-shifted (MS/MS) channel header
    QStringList warnings;
};

// The channels from the acquisition method when the acquisition folder serves (method set),
// matched to the export's channel header; else from the export's channel header alone.
Outcome<ChannelPlan> planChannels(const QString &path, const FileLines &lines,
                                  const AcquisitionMethod *method);
