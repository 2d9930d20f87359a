#pragma once

#include "input/fileimport.h"
#include "input/inputfiles.h"

#include <QStringList>

#include <functional>

class ImporterPlugins;
class ProgressBar;

using ResultHandler = std::function<void(const ImportResult &)>;

// Imports the entries' files, one fresh importer per file reading local times in the zone, and
// hands each result to report on the calling thread in input order, a path that gives no file
// as a failed result with its problem; then lets the data store forget the file, so that a
// batch holds the data of no file it has reported. With more than one job the imports run on
// worker threads and the progress bar counts finished files; otherwise it follows each file's
// own progress.
void importFiles(const ImporterPlugins &plugins, const QVector<InputEntry> &entries, int jobs,
                 const QTimeZone &zone, ProgressBar *bar, const ResultHandler &report);
