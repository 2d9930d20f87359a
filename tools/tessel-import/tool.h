#pragma once

#include "exitcode.h"
#include "options/commandline.h"

class ImporterPlugins;
class PreferenceOverrides;
class QTextStream;

// One run of the tool: loads the importer plug-ins, applies the preference overrides (before
// any QSettings object exists), then carries out the mode. Writes its report to out, its
// diagnostics through printDiagnostic, and answers the process's exit code.
int runTool(const ToolOptions &options, QTextStream &out);

// The tool's modes; each writes its report to out and answers the exit code.
int listImporters(const ImporterPlugins &plugins, QTextStream &out);
int detectImporters(const ImporterPlugins &plugins, const QStringList &files, QTextStream &out);
int showSettings(const ImporterPlugins &plugins, const PreferenceOverrides &preferences,
                 QTextStream &out);
int importPaths(const ImporterPlugins &plugins, const ToolOptions &options, QTextStream &out);
