#include "input/batchimport.h"

#include "calendars.h"

#include <QFileInfo>
#include <QThreadPool>

#include <condition_variable>
#include <mutex>
#include <optional>

namespace {

void reportAndForget(const ResultHandler &report, const ImportResult &result)
{
    report(result);
    Session()->data()->forgetFile(result.file);
}

ImportResult importEntry(const ImporterPlugins &plugins, const InputEntry &entry,
                         const ImportOptions &options, const ProgressCallback &progress)
{
    if (entry.problem.isEmpty())
        return importFile(plugins, entry.path, options, progress);
    ImportResult failed;
    failed.file = entry.path;
    failed.errors = QStringList{entry.problem};
    failed.timeZone = options.zone;
    return failed;
}

void importOneByOne(const ImporterPlugins &plugins, const QVector<InputEntry> &entries,
                    const ImportOptions &options, ImportProgress *bar, const ResultHandler &report)
{
    for (const InputEntry &entry : entries) {
        const QString name = QFileInfo(entry.path).fileName();
        bar->show(0.0, name);
        bar->resume();
        const ImportResult result =
            importEntry(plugins, entry, options,
                        [bar, &name](double percent) { bar->show(percent / 100.0, name); });
        bar->pause();
        reportAndForget(report, result);
    }
}

// Results of imports running on a thread pool, taken in input order. Only a window of files
// ahead of the one being reported is in flight, so a long batch holds a bounded number of
// imported tables in memory. The lock and the wait are the standard library's, which
// ThreadSanitizer follows; a QWaitCondition waits inside Qt, where it cannot see.
class ConcurrentImports
{
public:
    ConcurrentImports(const ImporterPlugins &plugins, const QVector<InputEntry> &entries, int jobs,
                      const ImportOptions &options, ImportProgress *bar)
        : plugins(plugins), entries(entries), options(options), results(entries.size()), bar(bar)
    {
        pool.setMaxThreadCount(jobs);
    }

    void start(int index)
    {
        if (index >= entries.size())
            return;
        pool.start(QRunnable::create([this, index] {
            finish(index, importEntry(plugins, entries.at(index), options, {}));
        }));
    }

    ImportResult take(int index)
    {
        std::unique_lock<std::mutex> lock(mutex);
        resultArrived.wait(lock, [&] { return results[index].has_value(); });
        ImportResult result = std::move(*results[index]);
        results[index].reset();
        return result;
    }

private:
    void finish(int index, ImportResult result)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        results[index] = std::move(result);
        ++finished;
        bar->show(double(finished) / entries.size(),
                  QStringLiteral("%1 of %2 files").arg(finished).arg(entries.size()));
        resultArrived.notify_all();
    }

    const ImporterPlugins &plugins;
    const QVector<InputEntry> entries;
    const ImportOptions options;
    QVector<std::optional<ImportResult>> results;
    ImportProgress *bar;
    int finished = 0;
    std::mutex mutex;
    std::condition_variable resultArrived;
    QThreadPool pool;
};

} // namespace

void importFiles(const ImporterPlugins &plugins, const QVector<InputEntry> &entries, int jobs,
                 const ImportOptions &options, ImportProgress *bar, const ResultHandler &report)
{
    // Before any import thread starts: the report writes times while imports run, and a library
    // caller may run batches on several threads.
    prepareCalendars();
    jobs = qMin(jobs, int(entries.size()));
    if (jobs <= 1) {
        importOneByOne(plugins, entries, options, bar, report);
        return;
    }
    ConcurrentImports imports(plugins, entries, jobs, options, bar);
    const int window = 2 * jobs;
    for (int i = 0; i < window; ++i)
        imports.start(i);
    for (int i = 0; i < entries.size(); ++i) {
        const ImportResult result = imports.take(i);
        bar->pause();
        reportAndForget(report, result);
        bar->resume();
        imports.start(i + window);
    }
    bar->pause();
}
