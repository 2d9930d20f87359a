#pragma once

#include "acquisitionfolder.h"
#include "channelheader.h"

#include <QStringList>

#include <optional>

// How the acquisition method's channels meet the export's channel header. A channel is its
// element and masses, never its name: the header calls a repeated element "Ti48_64" where the
// method calls it "Ti48_48", and the header lists channels in the order of the values, the
// method by mass.
struct ChannelMatch
{
    // The method's keys in the header's order, when every method channel is exactly one heading
    // and every heading exactly one method channel.
    std::optional<QStringList> headerOrder;
    QStringList onlyInMethod; // method keys that no heading names
    QStringList onlyInHeader; // headings that no method channel answers to
};

// A heading "Li7" is Li at 7; "Ti48 -> 64" is Ti from 48 to 64. A method record is its symbol
// with its m/z, or with its pre- and post-shift masses. A channel whose two masses are equal is
// the same as an unshifted channel at that mass (single-quadrupole methods of tandem
// instruments write SelectedMZ equal to MZ).
ChannelMatch matchChannels(const AcquisitionMethod &method, const QStringList &methodKeys,
                           const ChannelHeader &header);
