#pragma once

#include "tessel_core_global.h"

#include <QString>

// The application's settings store is what every default-constructed QSettings of the process
// reads, the plug-ins' included: on Windows the registry, elsewhere configuration files.
// moveSettingsStore() puts it in INI files below folder instead, the user scope in folder and
// the system scope in folder/system, for a run or a test that must neither read nor write the
// user's own store. Call it before any QSettings object exists.
TESSEL_CORE_EXPORT void moveSettingsStore(const QString &folder);
