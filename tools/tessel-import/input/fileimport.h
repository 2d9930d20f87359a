#pragma once

#include "model/importresult.h"

#include <QString>
#include <QTimeZone>

#include <functional>

class ImporterPlugins;

using ProgressCallback = std::function<void(double percent)>;

// Imports one file into the session's data store with a fresh importer of the first plug-in
// that recognises it, on the calling thread, the importer told to read local times in the zone
// (its "timeZone" property). progress, when set, receives the importer's progress signals.
ImportResult importFile(const ImporterPlugins &plugins, const QString &path, const QTimeZone &zone,
                        const ProgressCallback &progress);
