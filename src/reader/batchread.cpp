#include "batchread.h"

#include "input/batchimport.h"
#include "input/importerplugins.h"
#include "input/inputfiles.h"
#include "options/timezone.h"
#include "report/batchoverview.h"
#include "report/jsonreport.h"

#include <QJsonDocument>
#include <QSet>
#include <QTextStream>
#include <QThread>

#include <condition_variable>
#include <mutex>

namespace {

// A library reads quietly: no progress bar on the caller's terminal.
class NoProgress : public ImportProgress
{
public:
    void show(double, const QString &) override {}
    void pause() override {}
    void resume() override {}
};

// The data store keeps one file's data under its path: two reads of the same path at once
// would forget each other's data. A read claims its paths, waiting while another read holds
// any of them, and gives them back when it has taken its results.
class PathClaims
{
public:
    void claim(const QStringList &paths)
    {
        std::unique_lock<std::mutex> lock(mutex);
        released.wait(lock, [&] {
            return std::none_of(paths.cbegin(), paths.cend(),
                                [&](const QString &path) { return claimed.contains(path); });
        });
        for (const QString &path : paths)
            claimed.insert(path);
    }

    void release(const QStringList &paths)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            for (const QString &path : paths)
                claimed.remove(path);
        }
        released.notify_all();
    }

private:
    std::mutex mutex;
    std::condition_variable released;
    QSet<QString> claimed;
};

PathClaims &pathClaims()
{
    static PathClaims claims;
    return claims;
}

class ClaimedPaths
{
public:
    explicit ClaimedPaths(const QStringList &paths) : paths(paths) { pathClaims().claim(paths); }
    ~ClaimedPaths() { pathClaims().release(paths); }
    ClaimedPaths(const ClaimedPaths &) = delete;
    ClaimedPaths &operator=(const ClaimedPaths &) = delete;

private:
    const QStringList paths;
};

QTimeZone zoneOf(const QString &name)
{
    if (!name.isEmpty() && !isKnownTimeZone(name))
        throw ReadError{TESSEL_UNKNOWN_TIME_ZONE,
                        QStringLiteral("the time zone \"%1\" is not known here: name a zone by its "
                                       "IANA id, such as \"Australia/Sydney\"")
                            .arg(name)};
    return timeZoneOfRun(name);
}

PreferenceValues preferenceValues(const QStringList &texts, const PreferenceDeclarations &declared)
{
    QStringList known;
    for (const PreferenceDeclaration &declaration : declared)
        known.append(declaration.key);
    PreferenceValues values;
    for (const QString &text : texts) {
        const int equals = text.indexOf(QLatin1Char('='));
        if (equals <= 0)
            throw ReadError{
                TESSEL_INVALID_ARGUMENT,
                QStringLiteral("the preference \"%1\" is not written key=value").arg(text)};
        const QString key = text.left(equals);
        if (!known.contains(key))
            throw ReadError{TESSEL_UNKNOWN_PREFERENCE,
                            QStringLiteral("no importer reads the preference \"%1\"; they read %2")
                                .arg(key, known.join(QStringLiteral(", ")))};
        values.insert(key, text.mid(equals + 1));
    }
    return values;
}

std::shared_ptr<const FileResult> fileResult(const ImportResult &imported, const QJsonObject &entry)
{
    auto file = std::make_shared<FileResult>();
    file->path = imported.file.toStdString();
    file->ok = imported.ok;
    QStringList errors = imported.errors;
    if (!imported.ok && errors.isEmpty())
        errors.append(imported.importer.isEmpty()
                          ? QStringLiteral("no importer recognises the file %1").arg(imported.file)
                          : QStringLiteral("the import of %1 stored no data").arg(imported.file));
    file->error = errors.join(QLatin1Char('\n')).toStdString();
    file->json = QJsonDocument(entry).toJson(QJsonDocument::Compact).toStdString();
    for (const ChannelReport &channel : imported.channels)
        file->channelNames.push_back(channel.name.toStdString());
    if (imported.ok) {
        const RawInput &stored = *imported.stored;
        file->stored = imported.stored;
        file->rowCount = dataRowsOf(stored.rowCount);
        file->time = stored.time.memptr();
        for (const ChannelReport &channel : imported.channels)
            file->columns.push_back(stored.channels.constFind(channel.name)->memptr());
    }
    return file;
}

} // namespace

BatchResult readPaths(const ImporterPlugins &plugins, const ReadRequest &request,
                      const ReadProgress &progress)
{
    if (request.jobs < 0)
        throw ReadError{
            TESSEL_INVALID_ARGUMENT,
            QStringLiteral("jobs is %1: give 0 (one per processor) or more").arg(request.jobs)};
    const ImportOptions options{
        zoneOf(request.timeZone),
        preferenceValues(request.preferences, plugins.declaredPreferences())};
    const RunInputs inputs = filesToImport(request.paths, plugins);
    QStringList paths;
    for (const InputEntry &entry : inputs.entries)
        paths.append(entry.path);
    const ClaimedPaths claimed(paths);

    BatchResult batch;
    BatchOverview overview;
    QString json;
    QTextStream jsonStream(&json);
    JsonDocumentWriter document(jsonStream, timeZoneInUse(request.timeZone));
    NoProgress quiet;
    importFiles(plugins, inputs.entries,
                request.jobs == 0 ? QThread::idealThreadCount() : request.jobs, options, &quiet,
                [&](const ImportResult &result) {
                    const QJsonObject entry = importToJson(result);
                    batch.files.push_back(fileResult(result, entry));
                    document.addFile(entry);
                    overview.add(result);
                    progress(int(batch.files.size()), int(inputs.entries.size()));
                });
    document.finish(overview.toJson());
    jsonStream.flush();
    batch.json = json.toStdString();
    for (const int index : overview.acquisitionOrder())
        batch.acquisitionOrder.push_back(index);
    // The log keeps every entry for its host; each import's own went with its result.
    TsLog().clear();
    return batch;
}
