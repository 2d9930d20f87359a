#include "timezonenames.h"

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

QTimeZone timeZoneNamed(const QByteArray &id)
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
