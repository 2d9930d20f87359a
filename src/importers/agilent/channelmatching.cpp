#include "channelmatching.h"

#include "agilentxmlreader.h"

#include <QRegularExpression>

#include <tuple>

namespace {

// Element and masses as one text ("Ti 48 64"); empty when the channel names no element and
// masses.
using Identity = QString;

Identity identity(const QString &symbol, int first, int second)
{
    if (symbol.isEmpty() || first < 0 || second < 0)
        return Identity();
    return QStringLiteral("%1 %2 %3").arg(symbol).arg(first).arg(second);
}

int massOf(const QVariant &text)
{
    bool ok = false;
    const int mass = text.toString().trimmed().toInt(&ok);
    return ok ? mass : -1;
}

Identity methodIdentity(const QHash<QString, QVariant> &record)
{
    const QString symbol = record.value(MethodKey::symbol).toString().trimmed();
    if (record.contains(MethodKey::postShift))
        return identity(symbol, massOf(record.value(MethodKey::preShift)),
                        massOf(record.value(MethodKey::postShift)));
    const int mass = massOf(record.value(MethodKey::mz));
    return identity(symbol, mass, mass);
}

Identity headingIdentity(const ChannelHeader &header, int i)
{
    static const QRegularExpression heading(QStringLiteral("^([A-Z][a-z]?)(\\d+)"));
    const QRegularExpressionMatch match = heading.match(header.names.at(i));
    if (!match.hasMatch())
        return Identity();
    if (header.massShifted)
        return identity(match.captured(1), massOf(header.massPairs.at(i).first),
                        massOf(header.massPairs.at(i).second));
    if (match.capturedLength() != header.names.at(i).size())
        return Identity(); // "Li7 (LR)" is no plain element and mass
    const int mass = massOf(match.captured(2));
    return identity(match.captured(1), mass, mass);
}

// Where each identity stands in a list of channels.
QHash<Identity, QVector<int>> positions(const QVector<Identity> &identities)
{
    QHash<Identity, QVector<int>> at;
    for (int i = 0; i < identities.size(); ++i) {
        if (!identities.at(i).isEmpty())
            at[identities.at(i)].append(i);
    }
    return at;
}

} // namespace

ChannelMatch matchChannels(const AcquisitionMethod &method, const QStringList &methodKeys,
                           const ChannelHeader &header)
{
    QVector<Identity> methodIds;
    for (const QString &key : methodKeys)
        methodIds.append(methodIdentity(method.value(key).toHash()));
    QVector<Identity> headingIds;
    for (int i = 0; i < header.names.size(); ++i)
        headingIds.append(headingIdentity(header, i));

    const QHash<Identity, QVector<int>> inMethod = positions(methodIds);
    const QHash<Identity, QVector<int>> inHeader = positions(headingIds);
    ChannelMatch match;
    QStringList ordered;
    bool oneToOne = methodIds.size() == headingIds.size();
    for (int i = 0; i < headingIds.size(); ++i) {
        const QVector<int> found = inMethod.value(headingIds.at(i));
        if (found.isEmpty())
            match.onlyInHeader.append(header.names.at(i));
        oneToOne = oneToOne && found.size() == 1 && inHeader.value(headingIds.at(i)).size() == 1;
        if (found.size() == 1)
            ordered.append(methodKeys.at(found.first()));
    }
    for (int i = 0; i < methodIds.size(); ++i) {
        if (!inHeader.contains(methodIds.at(i)))
            match.onlyInMethod.append(methodKeys.at(i));
    }
    if (oneToOne && match.onlyInMethod.isEmpty())
        match.headerOrder = ordered;
    return match;
}

FolderChannels folderChannels(const AcquisitionMethod &method, const QByteArray &headerLine,
                              int firstLineValues)
{
    FolderChannels channels{orderedChannels(method), {}, std::nullopt};
    const ChannelHeader header = parseChannelHeader(headerLine);
    std::optional<ChannelMatch> match;
    if (header.recognised) {
        match = matchChannels(method, channels.names, header);
        if (match->headerOrder)
            channels.names = *match->headerOrder;
    }
    channels.properties = channelProperties(method, channels.names);
    if (match && match->headerOrder)
        return channels;
    const bool listsDiffer =
        match && (!match->onlyInMethod.isEmpty() || !match->onlyInHeader.isEmpty());
    const bool countsDiffer = firstLineValues >= 0 && firstLineValues != channels.names.size();
    if (countsDiffer || listsDiffer)
        channels.disagreement =
            ChannelDisagreement{int(channels.names.size()), firstLineValues,
                                match ? match->onlyInMethod : QStringList(),
                                match ? match->onlyInHeader : QStringList(), match.has_value()};
    return channels;
}
