#pragma once

#include "model/importresult.h"

#include <QString>
#include <QTimeZone>

#include <functional>
#include <optional>

class ImporterPlugins;

using ProgressCallback = std::function<void(double percent)>;

// What a host tells each importer: the zone of the local times (its "timeZone" property) and,
// when given, the preference values it reads instead of the settings store (its
// "preferenceValues" property).
struct ImportOptions
{
    QTimeZone zone;
    std::optional<PreferenceValues> preferences;
};

// Imports one file into the session's data store with a fresh importer of the first plug-in
// that recognises it, on the calling thread, the importer told the options. progress, when set,
// receives the importer's progress signals.
ImportResult importFile(const ImporterPlugins &plugins, const QString &path,
                        const ImportOptions &options, const ProgressCallback &progress);
