#include "report/outputpaths.h"

#include "plot/quicklook.h"

#include <QFileInfo>
#include <QHash>

namespace {

QString absolute(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString folderProblem(const QString &option, const QString &folder)
{
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return QStringLiteral("%1 %2: %2 is a file, not a folder").arg(option, folder);
    const QString parent = QFileInfo(absolute(folder)).path();
    if (!info.exists() && !QFileInfo(parent).isDir())
        return QStringLiteral("%1 %2: the folder %3 does not exist").arg(option, folder, parent);
    return QString();
}

} // namespace

QString mirroredPath(const QString &folder, const QDir &inputsFolder, const QString &inputFile,
                     const QString &suffix)
{
    const QFileInfo input(absolute(inputFile));
    const QString relativeFolder = inputsFolder.relativeFilePath(input.path());
    return QDir::cleanPath(QDir(folder).filePath(relativeFolder + QLatin1Char('/') +
                                                 input.completeBaseName() + suffix));
}

QString outputProblem(const QStringList &files, const QString &exportFolder,
                      const QDir &inputsFolder, const std::optional<PlotTarget> &plots)
{
    QString problem = exportFolder.isEmpty()
                          ? QString()
                          : folderProblem(QStringLiteral("--export"), exportFolder);
    if (problem.isEmpty() && plots && plots->namesFolder())
        problem = folderProblem(QStringLiteral("--plot"), plots->path());
    else if (problem.isEmpty() && plots && !QFileInfo(absolute(plots->path())).dir().exists())
        problem = QStringLiteral("--plot %1: the folder %2 does not exist")
                      .arg(plots->path(), QFileInfo(absolute(plots->path())).path());
    if (!problem.isEmpty())
        return problem;

    QHash<QString, QString> writtenBy; // output -> input
    for (const QString &file : files)
        writtenBy.insert(absolute(file), QString());
    for (const QString &file : files) {
        QStringList outputs;
        if (!exportFolder.isEmpty())
            outputs.append(mirroredPath(exportFolder, inputsFolder, file, QStringLiteral(".csv")));
        if (plots)
            outputs.append(plots->pathFor(file));
        for (const QString &output : qAsConst(outputs)) {
            const auto earlier = writtenBy.constFind(absolute(output));
            if (earlier != writtenBy.constEnd())
                return earlier->isEmpty()
                           ? QStringLiteral(
                                 "%1: the output %2 is one of the inputs and would replace it")
                                 .arg(file, output)
                           : QStringLiteral("%1 and %2 would both be written to %3")
                                 .arg(*earlier, file, output);
            if (QFileInfo(output).isDir())
                return QStringLiteral("%1: the output %2 is a folder").arg(file, output);
            writtenBy.insert(absolute(output), file);
        }
    }
    return QString();
}
