#include "timezonenames.h"

#include <QHash>

#include <utility>

namespace {

// Zones the database renamed, newer id first.
const std::pair<const char *, const char *> renamedZones[] = {
    {"America/Argentina/Buenos_Aires", "America/Buenos_Aires"},
    {"America/Indiana/Indianapolis", "America/Indianapolis"},
    {"America/Kentucky/Louisville", "America/Louisville"},
    {"America/Nuuk", "America/Godthab"},
    {"Asia/Dhaka", "Asia/Dacca"},
    {"Asia/Ho_Chi_Minh", "Asia/Saigon"},
    {"Asia/Kathmandu", "Asia/Katmandu"},
    {"Asia/Kolkata", "Asia/Calcutta"},
    {"Asia/Makassar", "Asia/Ujung_Pandang"},
    {"Asia/Thimphu", "Asia/Thimbu"},
    {"Asia/Ulaanbaatar", "Asia/Ulan_Bator"},
    {"Asia/Yangon", "Asia/Rangoon"},
    {"Atlantic/Faroe", "Atlantic/Faeroe"},
    {"Europe/Kyiv", "Europe/Kiev"},
    {"Pacific/Chuuk", "Pacific/Truk"},
    {"Pacific/Pohnpei", "Pacific/Ponape"}};

} // namespace

namespace {

QTimeZone lookUpZone(const QByteArray &id)
{
    const QTimeZone zone(id);
    if (zone.isValid())
        return zone;
    for (const auto &[newer, older] : renamedZones) {
        if (id == newer)
            return QTimeZone(older);
        if (id == older)
            return QTimeZone(newer);
    }
    return zone;
}

} // namespace

QTimeZone timeZoneNamed(const QByteArray &id)
{
    // Reading a zone's rules costs more than an import's use of them (on Windows each lookup
    // reads the registry): each thread looks an id up once and keeps the zone, unshared with
    // other threads.
    thread_local QHash<QByteArray, QTimeZone> known;
    const auto found = known.constFind(id);
    if (found != known.constEnd())
        return *found;
    return *known.insert(id, lookUpZone(id));
}
