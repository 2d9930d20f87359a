#include "importreporter.h"

#include "exitcode.h"
#include "model/importresult.h"
#include "options/commandline.h"
#include "options/preferences.h"
#include "output/csvexport.h"
#include "output/picturelibrary.h"
#include "report/textreport.h"
#include "terminal/terminal.h"

#include <QTextStream>

ImportReporter::ImportReporter(QTextStream &out, const ToolOptions &options,
                               const std::optional<PlotTarget> &plots, const QString &inputsFolder,
                               const QString &timeZone, const PreferenceDeclarations &preferences)
    : out(out), exportFolder(options.exportDir), plots(plots), inputsFolder(inputsFolder),
      preferences(preferences), timings(options.timings)
{
    if (options.json)
        jsonDocument.emplace(out, timeZone);
    else
        writeTimeZoneLine(timeZone, out);
}

void ImportReporter::report(const ImportResult &imported)
{
    ImportResult result = imported;
    StageClock clock;
    if (result.ok && !exportFolder.isEmpty())
        result.outputs.append(exportTable(result, clock));
    if (result.ok && plots) {
        result.outputs.append(drawPicture(result));
        clock.lap(QStringLiteral("picture"));
    }
    if (jsonDocument)
        jsonDocument->addFile(importToJson(result));
    else
        writeTextReport(result, out);
    out.flush();
    clock.lap(QStringLiteral("report"));
    if (timings)
        printDiagnostic(stageTimesText(result.file, result.stageTimes + clock.times()));
    printFailures(result);
    overview.add(result);
    allImported = allImported && succeeded(result);
}

void ImportReporter::printFailures(const ImportResult &result) const
{
    if (result.importer.isEmpty() && result.errors.isEmpty()) {
        printDiagnostic(QStringLiteral("%1: not recognised by any importer").arg(result.file));
    } else if (result.importer.isEmpty()) {
        printDiagnostic(result.file + QStringLiteral(": ") +
                        result.errors.join(QStringLiteral("; ")));
    } else if (!result.ok) {
        const QString stampReading =
            result.report.unreadStamp
                ? stampAdvice(*result.report.unreadStamp, result.timeZone, preferences)
                : QString();
        const QString advice =
            stampReading.isEmpty() ? preferenceAdvice(result.errors, preferences) : stampReading;
        printDiagnostic(
            QStringLiteral("%1: the import stored no data%2")
                .arg(result.file, advice.isEmpty() ? advice : QStringLiteral("; ") + advice));
    }
    for (const FileOutput &output : result.outputs) {
        if (!output.error.isEmpty())
            printDiagnostic(output.error);
    }
    if (result.report.dayMonthCheck)
        printDiagnostic(
            QStringLiteral("%1: %2").arg(result.file, result.report.dayMonthCheck->message));
}

FileOutput ImportReporter::exportTable(const ImportResult &result, StageClock &clock) const
{
    FileOutput table{QStringLiteral("table"),
                     mirroredPath(exportFolder, inputsFolder, result.file, QStringLiteral(".csv")),
                     QString()};
    exportCsv(*result.stored, table.path, clock, &table.error);
    return table;
}

namespace {

// The channels of --channels that the import lacks.
QStringList missingChannels(const ImportResult &result, const QStringList &channels)
{
    QStringList missing;
    for (const QString &name : channels) {
        if (!result.stored || !result.stored->channelNames.contains(name))
            missing.append(name);
    }
    return missing;
}

} // namespace

FileOutput ImportReporter::drawPicture(const ImportResult &result)
{
    FileOutput picture{QStringLiteral("picture"), plots->pathFor(result.file), QString()};
    const QStringList missing = missingChannels(result, plots->style().channels);
    if (missing.isEmpty()) {
        if (const PictureLibrary *pictures = pictureLibrary(&picture.error))
            pictures->writeQuickLook(result, picture.path, plots->style(), &picture.error);
        return picture;
    }
    picture.error =
        QStringLiteral("--channels: %1 has no channel %2 (its channels: %3); no picture drawn")
            .arg(result.file, missing.join(QStringLiteral(", ")),
                 result.stored->channelNames.join(QStringLiteral(", ")));
    channelsMissing = true;
    return picture;
}

int ImportReporter::finish()
{
    if (jsonDocument)
        jsonDocument->finish(overview.toJson());
    else if (overview.fileCount() > 1 || overview.hasBatchLogs())
        overview.writeText(out);
    out.flush();
    if (channelsMissing)
        return ExitUsage;
    return allImported ? ExitSuccess : ExitFailure;
}
