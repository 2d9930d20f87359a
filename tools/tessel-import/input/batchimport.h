#pragma once

#include "input/fileimport.h"
#include "input/inputfiles.h"

#include <QStringList>

#include <functional>

class ImporterPlugins;

using ResultHandler = std::function<void(const ImportResult &)>;

// Where a run shows how far its imports have come: a terminal's bar, or nowhere. Called from
// the importing threads.
class ImportProgress
{
public:
    virtual ~ImportProgress() = default;
    virtual void show(double fraction, const QString &label) = 0;
    // Around what the run writes between imports.
    virtual void pause() = 0;
    virtual void resume() = 0;
};

// Imports the entries' files, one fresh importer per file told the options, and
// hands each result to report on the calling thread in input order, a path that gives no file
// as a failed result with its problem; then lets the data store forget the file, so that a
// batch holds the data of no file it has reported. With more than one job the imports run on
// worker threads and the progress bar counts finished files; otherwise it follows each file's
// own progress.
void importFiles(const ImporterPlugins &plugins, const QVector<InputEntry> &entries, int jobs,
                 const ImportOptions &options, ImportProgress *bar, const ResultHandler &report);
