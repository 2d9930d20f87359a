#include "input/fileimport.h"

#include "input/importerplugins.h"
#include "input/logcollector.h"

#include <QDir>

#include <charconv>

namespace {

// The result signals of one import, as the importer emitted them.
struct Announced
{
    QStringList sampleNames;
    QStringList channelNames;
    MassMap masses;
    QDateTime start;
    QDateTime end;
    std::optional<double> duration;
    std::optional<quint64> size;
};

// Signals are taken directly, on the importing thread, whichever thread the importer lives in.
template<typename Value, typename Target>
void keepLast(AbstractImporter *importer, void (AbstractImporter::*signal)(Value), Target *target)
{
    QObject::connect(
        importer, signal, importer, [target](Value value) { *target = value; },
        Qt::DirectConnection);
}

void appendEach(AbstractImporter *importer, void (AbstractImporter::*signal)(const QString &),
                QStringList *texts)
{
    QObject::connect(
        importer, signal, importer, [texts](const QString &text) { texts->append(text); },
        Qt::DirectConnection);
}

void listen(AbstractImporter *importer, Announced *announced, ImportResult *result,
            const ProgressCallback &progress)
{
    using Importer = AbstractImporter;
    appendEach(importer, &Importer::message, &result->messages);
    appendEach(importer, &Importer::importError, &result->errors);
    keepLast(importer, &Importer::sampleNames, &announced->sampleNames);
    keepLast(importer, &Importer::channelNames, &announced->channelNames);
    keepLast(importer, &Importer::masses, &announced->masses);
    keepLast(importer, &Importer::startTime, &announced->start);
    keepLast(importer, &Importer::endTime, &announced->end);
    keepLast(importer, &Importer::duration, &announced->duration);
    keepLast(importer, &Importer::sizeInBytes, &announced->size);
    if (progress)
        QObject::connect(importer, &Importer::progress, importer, progress, Qt::DirectConnection);
}

// The dwell time as the decimal the instrument wrote, not the float's binary expansion.
double decimalValue(float value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    double decimal = 0.0;
    std::from_chars(text, end, decimal); // locale-independent, unlike strtod
    return decimal;
}

QVector<ChannelReport> channelReports(const Announced &announced, const RawInput *stored)
{
    const QStringList names = stored ? stored->channelNames : announced.channelNames;
    QVector<ChannelReport> channels;
    for (int i = 0; i < names.size(); ++i) {
        ChannelReport channel{names.at(i), std::nullopt, std::nullopt};
        if (announced.masses.contains(channel.name))
            channel.massPair = announced.masses.value(channel.name);
        if (stored && i < stored->dwellTimes.size())
            channel.dwellTimeSeconds = decimalValue(stored->dwellTimes.at(i));
        channels.append(channel);
    }
    return channels;
}

void countRecords(const QString &path, ImportResult *result)
{
    const QDir location(path);
    const DataManager *store = Session()->data();
    for (const auto &file : store->files())
        result->fileRecords += file->location == location ? 1 : 0;
    for (const auto &sample : store->samples())
        result->sampleRecords += sample->location == location ? 1 : 0;
}

void collectResults(const AbstractImporter &importer, const Announced &announced,
                    ImportResult *result)
{
    result->stored = Session()->data()->rawInputFor(result->file);
    result->ok = !result->stored.isNull();
    if (!announced.sampleNames.isEmpty())
        result->sampleName = announced.sampleNames.first();
    result->machineName = importer.machineName;
    result->start = announced.start;
    result->end = announced.end;
    result->durationSeconds = announced.duration;
    result->sizeInBytes = announced.size;
    result->report = importer.property("importReport").value<ImportReport>();
    // The time column is not asked for: the importer copies it only for a listener, and the
    // report gives its length.
    result->rowCount = result->ok ? result->stored->rowCount : result->report.rowCount;
    result->channels = channelReports(announced, result->stored.data());
    countRecords(result->file, result);
}

// The importer's own stages, then what the import took beyond them.
QVector<StageTime> handOffAfter(const QVector<StageTime> &importerStages, StageTime import)
{
    for (const StageTime &stage : importerStages)
        import.seconds -= stage.seconds;
    return importerStages + QVector<StageTime>{import};
}

} // namespace

ImportResult importFile(const ImporterPlugins &plugins, const QString &path,
                        const ImportOptions &options, const ProgressCallback &progress)
{
    const LogCollector collector;
    StageClock clock;
    ImportResult result;
    result.file = path;
    result.timeZone = options.zone;
    const RecognisingImporter recognising = plugins.recognise(path);
    clock.lap(QStringLiteral("format test"));
    result.stageTimes = clock.times();
    if (recognising.importer != nullptr) {
        result.importer = recognising.className;
        recognising.importer->setProperty("timeZone", options.zone.id());
        if (options.preferences)
            recognising.importer->setProperty("preferenceValues",
                                              QVariant::fromValue(*options.preferences));
        Announced announced;
        listen(recognising.importer.get(), &announced, &result, progress);
        recognising.importer->importData(true);
        collectResults(*recognising.importer, announced, &result);
        clock.lap(QStringLiteral("hand-off"));
        result.stageTimes += handOffAfter(result.report.stageTimes, clock.times().last());
    }
    result.log = collector.entries();
    return result;
}
