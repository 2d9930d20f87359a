#include "acquisitionfolder.h"

#include <QRegularExpression>

#include <algorithm>
#include <tuple>

namespace {

const QString postShiftKey = QStringLiteral("Post-shift mass");
const QString preShiftKey = QStringLiteral("Pre-shift mass");
const QString massKey = QStringLiteral("Element m/z");

QHash<QString, QVariant> recordOf(const AcquisitionMethod &method, const QString &key)
{
    return method.value(key).toHash();
}

bool isMassShifted(const QHash<QString, QVariant> &record)
{
    return record.contains(postShiftKey);
}

// Whole-number masses; text that is not a whole number counts as 0.
std::tuple<int, int> sortMasses(const QHash<QString, QVariant> &record)
{
    if (isMassShifted(record))
        return {record.value(preShiftKey).toString().toInt(),
                record.value(postShiftKey).toString().toInt()};
    const int mass = record.value(massKey).toString().toInt();
    return {mass, mass};
}

bool mixesKinds(const AcquisitionMethod &method)
{
    bool shifted = false;
    bool unshifted = false;
    for (auto it = method.cbegin(); it != method.cend(); ++it)
        (isMassShifted(it.value().toHash()) ? shifted : unshifted) = true;
    return shifted && unshifted;
}

} // namespace

QString acquisitionFolderName(const QString &text)
{
    const QRegularExpression folder(QStringLiteral("\\\\([\\w\\-\\. +]+\\.d)\\W{0,2}$"));
    return folder.match(text).captured(1);
}

QStringList orderedChannels(const AcquisitionMethod &method)
{
    QStringList keys = method.keys();
    // Equal masses are ordered by key so that the order does not depend on hashing.
    std::sort(keys.begin(), keys.end(), [&](const QString &a, const QString &b) {
        return std::make_tuple(sortMasses(recordOf(method, a)), a)
               < std::make_tuple(sortMasses(recordOf(method, b)), b);
    });
    return keys;
}

ChannelProperties channelProperties(const AcquisitionMethod &method, const QStringList &channels)
{
    const bool pairEveryChannel = mixesKinds(method);
    ChannelProperties properties;
    for (const QString &key : channels) {
        const QHash<QString, QVariant> record = recordOf(method, key);
        properties.dwellTimes.append(
            record.value(QStringLiteral("Element dwell time (s)")).toString().toFloat());
        if (isMassShifted(record))
            properties.massPairs.append(
                {record.value(preShiftKey).toString(), record.value(postShiftKey).toString()});
        else if (pairEveryChannel)
            properties.massPairs.append(
                {record.value(massKey).toString(), record.value(massKey).toString()});
    }
    return properties;
}
