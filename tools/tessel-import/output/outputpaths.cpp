#include "output/outputpaths.h"

#include "options/commandline.h"

#include <QFileInfo>
#include <QHash>

namespace {

std::optional<PictureFormat> pictureFormatNamed(const QString &name)
{
    if (name.compare(QLatin1String("png"), Qt::CaseInsensitive) == 0)
        return PictureFormat::Png;
    if (name.compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0)
        return PictureFormat::Svg;
    return std::nullopt;
}

QString suffixOf(PictureFormat format)
{
    return format == PictureFormat::Svg ? QStringLiteral(".svg") : QStringLiteral(".png");
}

bool isAtOrBelow(const QString &path, const QString &folder, PathStyle style)
{
    const QString key = samePathKey(path, style), base = samePathKey(folder, style);
    return key == base ||
           key.startsWith(base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/'));
}

// The folder itself, or the folder of a picture, is created when its parent exists or lies in
// the other folder the run creates (--export out --plot out/pictures). Two folders cannot each
// lie in the other, so neither waits for itself.
QString folderProblem(const QString &option, const QString &folder, bool isFolder,
                      const QString &otherFolder, PathStyle style)
{
    const QFileInfo info(folder);
    if (isFolder && info.exists() && !info.isDir())
        return QStringLiteral("%1 %2: %2 is a file, not a folder").arg(option, folder);
    const QString parent = QFileInfo(absolutePath(folder)).path();
    const bool created = !otherFolder.isEmpty() && isAtOrBelow(parent, otherFolder, style);
    if (!(isFolder && info.exists()) && !QFileInfo(parent).isDir() && !created)
        return QStringLiteral("%1 %2: the folder %3 does not exist").arg(option, folder, parent);
    return QString();
}

} // namespace

QString mirroredPath(const QString &folder, const QString &inputsFolder, const QString &inputFile,
                     const QString &suffix, PathStyle style)
{
    const QString below = pathBelow(inputsFolder, inputFile, style);
    const int nameStart = below.lastIndexOf(QLatin1Char('/')) + 1;
    const int suffixStart = below.lastIndexOf(QLatin1Char('.'));
    const QString withoutSuffix = suffixStart < nameStart ? below : below.left(suffixStart);
    return cleanedPath(folder + QLatin1Char('/') + withoutSuffix + suffix, style);
}

PlotTarget::PlotTarget(const QString &target, bool isFolder, const QString &inputsFolder,
                       const PictureStyle &style)
    : target(target), isFolder(isFolder), inputsFolder(inputsFolder), pictureStyle(style)
{}

std::optional<PlotTarget> PlotTarget::resolve(const ToolOptions &options, int fileCount,
                                              const QString &inputsFolder, QString *error)
{
    const QString &out = options.plotTarget;
    const std::optional<PictureFormat> named = pictureFormatNamed(QFileInfo(out).suffix());
    const std::optional<PictureFormat> chosen = pictureFormatNamed(options.plotFormat);
    const bool isFile = named && !QFileInfo(out).isDir();
    if (isFile && fileCount > 1)
        *error = QStringLiteral("--plot %1 names one picture, but %2 files are imported: name a "
                                "folder instead")
                     .arg(out)
                     .arg(fileCount);
    else if (isFile && chosen && *chosen != *named)
        *error = QStringLiteral("--plot-format %1 contradicts the picture name %2")
                     .arg(options.plotFormat, out);
    if (!error->isEmpty())
        return std::nullopt;
    const PictureStyle style{isFile ? *named : chosen.value_or(PictureFormat::Png),
                             options.plotSize, options.plotChannels, options.linearAxis};
    return PlotTarget(out, !isFile, inputsFolder, style);
}

QString PlotTarget::pathFor(const QString &inputFile, PathStyle style) const
{
    if (!isFolder)
        return target;
    return mirroredPath(target, inputsFolder, inputFile, suffixOf(pictureStyle.format), style);
}

QString outputProblem(const QStringList &files, const QString &exportFolder,
                      const QString &inputsFolder, const std::optional<PlotTarget> &plots,
                      bool overwrite, PathStyle style)
{
    const QString plotFolder = plots && plots->namesFolder() ? plots->path() : QString();
    QString problem = exportFolder.isEmpty() ? QString()
                                             : folderProblem(QStringLiteral("--export"),
                                                             exportFolder, true, plotFolder, style);
    if (problem.isEmpty() && plots)
        problem = folderProblem(QStringLiteral("--plot"), plots->path(), plots->namesFolder(),
                                exportFolder, style);
    if (!problem.isEmpty())
        return problem;

    QHash<QString, QString> writtenBy; // output's key -> input
    for (const QString &file : files)
        writtenBy.insert(samePathKey(file, style), QString());
    for (const QString &file : files) {
        QStringList outputs;
        if (!exportFolder.isEmpty())
            outputs.append(
                mirroredPath(exportFolder, inputsFolder, file, QStringLiteral(".csv"), style));
        if (plots)
            outputs.append(plots->pathFor(file, style));
        for (const QString &output : qAsConst(outputs)) {
            const auto earlier = writtenBy.constFind(samePathKey(output, style));
            if (earlier != writtenBy.constEnd())
                return earlier->isEmpty()
                           ? QStringLiteral(
                                 "%1: the output %2 is one of the inputs and would replace it")
                                 .arg(file, output)
                           : QStringLiteral("%1 and %2 would both be written to %3")
                                 .arg(*earlier, file, output);
            const QFileInfo existing(output);
            if (existing.isDir())
                return QStringLiteral("%1: the output %2 is a folder").arg(file, output);
            if (!overwrite && (existing.exists() || existing.isSymLink()))
                return QStringLiteral("%1: the output %2 exists (--overwrite replaces it)")
                    .arg(file, output);
            writtenBy.insert(samePathKey(output, style), file);
        }
    }
    return QString();
}
