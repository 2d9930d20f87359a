#include "channelplan.h"

#include "channelheader.h"
#include "channelmatching.h"

#include <algorithm>

namespace {

QByteArray headerLineOf(const FileLines &lines)
{
    return lines.count() > channelHeaderLine ? lines.line(channelHeaderLine) : QByteArray();
}

// An upper bound of the channels a channel header line names: its headings are separated by
// commas, or each holds an arrow.
int headingCount(const QByteArray &line)
{
    return std::max(line.count(','), line.count(" -> "));
}

QString listText(QStringList names)
{
    for (QString &name : names) {
        if (name.isEmpty())
            name = QStringLiteral("(an empty heading)");
    }
    return names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "));
}

QString disagreementText(const QString &path, const ChannelDisagreement &disagreement)
{
    QString text =
        disagreement.values != disagreement.methodChannels
            ? QStringLiteral("The acquisition method of \"%1\" lists %2 channels but its first "
                             "data line holds %3 values; values are given to channels by position.")
                  .arg(path, QString::number(disagreement.methodChannels),
                       QString::number(disagreement.values))
            : QStringLiteral("The channels of the acquisition method of \"%1\" are not those of "
                             "its channel header; values are given to channels by position.")
                  .arg(path);
    if (disagreement.headerRead)
        text += QStringLiteral(" Only in the method: %1. Only in the channel header: %2.")
                    .arg(listText(disagreement.onlyInMethod), listText(disagreement.onlyInHeader));
    return text;
}

ChannelPlan channelsOfMethod(const QString &path, const FileLines &lines,
                             const AcquisitionMethod &method)
{
    const bool hasDataLine = lines.count() > firstDataLine;
    const FolderChannels channels = folderChannels(
        method, headerLineOf(lines), hasDataLine ? int(lines.line(firstDataLine).count(',')) : -1);
    ChannelPlan plan{
        channels.names, channels.properties.massPairs, channels.properties.dwellTimes, false, {}};
    if (channels.disagreement)
        plan.warnings.append(disagreementText(path, *channels.disagreement));
    return plan;
}

// Two channels of one name would be one column, the later one's values and mass pair
// overwriting the earlier one's; the name a heading got instead must not pass unnoticed.
QString renamingText(const QString &path, const QVector<ChannelHeader::Renaming> &renamings)
{
    const ChannelHeader::Renaming &first = renamings.first();
    QString text = QStringLiteral("The channel header of \"%1\" holds the heading \"%2\", whose "
                                  "name the earlier heading \"%3\" took; its values are read as "
                                  "the channel \"%4\".")
                       .arg(path, first.heading, first.earlierHeading, first.name);
    if (renamings.size() > 1)
        text += QStringLiteral(" %1 more headings repeat a name and are renamed alike.")
                    .arg(renamings.size() - 1);
    return text;
}

Outcome<ChannelPlan> channelsOfHeader(const QString &path, const FileLines &lines)
{
    const QByteArray line = headerLineOf(lines);
    if (headingCount(line) > maxChannels)
        return loadFailure(path, QStringLiteral("because its channel header names more than %1 "
                                                "channels.")
                                     .arg(maxChannels));
    const ChannelHeader header = parseChannelHeader(line);
    if (!header.recognised)
        return ImportFailure{Failure::ChannelHeader,
                             QStringLiteral("Could not load the file \"%1\" due to missing (?) "
                                            "channel header")
                                 .arg(path)};
    ChannelPlan plan{header.names, header.massPairs, {}, header.massShifted, {}};
    if (!header.renamings.isEmpty())
        plan.warnings.append(renamingText(path, header.renamings));
    return {std::move(plan)};
}

} // namespace

Outcome<ChannelPlan> planChannels(const QString &path, const FileLines &lines,
                                  const AcquisitionMethod *method)
{
    if (method)
        return {channelsOfMethod(path, lines, *method)};
    return channelsOfHeader(path, lines);
}
