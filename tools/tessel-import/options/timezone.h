#pragma once

#include <QString>
#include <QTimeZone>

// Whether --timezone accepts the name: an IANA zone id that Qt knows here ("Australia/Sydney",
// "UTC").
bool isKnownTimeZone(const QString &name);

// The zone a run reads and shows times in: the one named, else (empty) the computer's.
QTimeZone timeZoneOfRun(const QString &named);

// The zone's name as the reports give it: the one named, else the computer's zone id.
QString timeZoneInUse(const QString &named);
