#pragma once

#include "columns.h"

#include <QHash>
#include <QStringList>
#include <QVariant>

// The acquisition folder (a name ending in ".d") that a path written by the instrument
// software ends in, as in "D:\DATA\run.b\001.d" followed by at most two non-word characters
// ("\r\n", ",\r\n", "\\"); empty when the text does not end so.
QString acquisitionFolderName(const QString &text);

using AcquisitionMethod = QHash<QString, QVariant>;

// The acquisition method's channel keys in the order of the export's data columns: ascending
// m/z for a single-quadrupole method, ascending pre-shift then post-shift mass for a tandem
// (mass-shift) method. In a method that mixes both kinds an unshifted channel sorts as if its
// m/z were both masses.
QStringList orderedChannels(const AcquisitionMethod &method);

struct ChannelProperties
{
    QList<float> dwellTimes;
    MassPairList massPairs;
};

// Dwell time (s) of every channel and the (pre-shift, post-shift) masses of the mass-shifted
// ones, in the given order. When the method mixes kinds, every channel gets a pair, the
// unshifted ones (m/z, m/z), so that pairs and channels stay aligned by position.
ChannelProperties channelProperties(const AcquisitionMethod &method, const QStringList &channels);
