#include "report/outputpaths.h"

#include "plot/quicklook.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace {

QString folderProblem(const QString &option, const QString &folder)
{
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return QStringLiteral("%1 %2: %2 is a file, not a folder").arg(option, folder);
    const QString parent = QFileInfo(absolutePath(folder)).path();
    if (!info.exists() && !QFileInfo(parent).isDir())
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

QString outputProblem(const QStringList &files, const QString &exportFolder,
                      const QString &inputsFolder, const std::optional<PlotTarget> &plots,
                      PathStyle style)
{
    QString problem = exportFolder.isEmpty()
                          ? QString()
                          : folderProblem(QStringLiteral("--export"), exportFolder);
    if (problem.isEmpty() && plots && plots->namesFolder())
        problem = folderProblem(QStringLiteral("--plot"), plots->path());
    else if (problem.isEmpty() && plots && !QFileInfo(absolutePath(plots->path())).dir().exists())
        problem = QStringLiteral("--plot %1: the folder %2 does not exist")
                      .arg(plots->path(), QFileInfo(absolutePath(plots->path())).path());
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
            if (QFileInfo(output).isDir())
                return QStringLiteral("%1: the output %2 is a folder").arg(file, output);
            writtenBy.insert(samePathKey(output, style), file);
        }
    }
    return QString();
}
