#pragma once

#include "options.h"

class ImporterPlugins;
class PreferenceOverrides;
class QTextStream;

// The tool's modes; each writes its report to out, its diagnostics to stderr, and returns the
// process's exit code.
int listImporters(const ImporterPlugins &plugins, QTextStream &out);
int detectImporters(const ImporterPlugins &plugins, const QStringList &files, QTextStream &out);
int showSettings(const PreferenceOverrides &preferences, QTextStream &out);
int importPaths(const ImporterPlugins &plugins, const ToolOptions &options, QTextStream &out);
