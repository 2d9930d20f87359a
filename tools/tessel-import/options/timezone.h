#pragma once

#include <QByteArray>
#include <QString>

// Whether --timezone accepts the name: UTC, or a zone of the system's time-zone database
// ("Australia/Sydney").
bool isKnownTimeZone(const QString &name);

// Makes the zone the process's local time, for the C library and Qt alike. Must run before any
// thread starts: the C library reads the zone without a lock.
void useTimeZone(const QByteArray &name);

// The zone the process reads and shows local times in.
QString timeZoneInUse();
