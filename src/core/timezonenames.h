#pragma once

#include "tessel_core_global.h"

#include <QByteArray>
#include <QTimeZone>

// The zone of an IANA id such as "Australia/Sydney"; invalid when no zone table here knows it.
// Some tables name a renamed zone only by its newer or only by its older id (Windows' knows
// "Asia/Katmandu", not "Asia/Kathmandu"): the other id is tried too.
TESSEL_CORE_EXPORT QTimeZone timeZoneNamed(const QByteArray &id);
