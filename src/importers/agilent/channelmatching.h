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

// Where the acquisition method and the export disagree about the channels.
struct ChannelDisagreement
{
    int methodChannels = 0;
    int values = 0; // on the first data line
    QStringList onlyInMethod;
    QStringList onlyInHeader;
    bool headerRead = false; // the lists are known only when the channel header could be read
};

// The channels of an import whose method comes from the acquisition folder: the method's keys in
// the order of the export's values when the header names exactly the method's channels, else in
// the method's mass order (values then go to them by position, and the disagreement says why),
// each with its dwell time and, for mass-shifted methods, its mass pair.
struct FolderChannels
{
    QStringList names;
    ChannelProperties properties;
    std::optional<ChannelDisagreement> disagreement;
};
// firstLineValues: the value fields of the first data line; negative when there is none.
FolderChannels folderChannels(const AcquisitionMethod &method, const QByteArray &headerLine,
                              int firstLineValues);
