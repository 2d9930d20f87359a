#include "input/inputfiles.h"

#include "input/importerplugins.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

namespace {

QStringList recognisedFilesUnder(const QString &folder, const ImporterPlugins &plugins)
{
    QStringList all;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        all.append(it.next());
    all.sort();
    QStringList recognised;
    for (const QString &file : qAsConst(all)) {
        if (plugins.recognise(file).importer != nullptr)
            recognised.append(file);
    }
    return recognised;
}

} // namespace

QStringList filesToImport(const QStringList &paths, const ImporterPlugins &plugins,
                          QStringList *problems)
{
    QStringList files;
    QSet<QString> seen;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        QStringList found;
        if (info.isDir()) {
            found = recognisedFilesUnder(QDir::cleanPath(path), plugins);
            if (found.isEmpty())
                problems->append(
                    QStringLiteral("%1: no file there that an importer recognises").arg(path));
        } else if (info.exists()) {
            found = QStringList{QDir::cleanPath(path)};
        } else {
            problems->append(QStringLiteral("%1: no such file or folder").arg(path));
        }
        for (const QString &file : qAsConst(found)) {
            const QString absolute = QFileInfo(file).absoluteFilePath();
            if (!seen.contains(absolute)) {
                seen.insert(absolute);
                files.append(file);
            }
        }
    }
    return files;
}

QString bundledExample()
{
    const QString installed = QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                              QStringLiteral(TESSEL_INSTALLED_EXAMPLES_DIR);
    if (QFileInfo(installed).isDir())
        return QDir::cleanPath(installed);
    return QStringLiteral(TESSEL_EXAMPLES_DIR);
}

QDir commonFolder(const QStringList &files)
{
    QStringList common;
    for (int i = 0; i < files.size(); ++i) {
        const QStringList parts = QFileInfo(files.at(i)).absolutePath().split(QLatin1Char('/'));
        int shared = 0;
        while (i > 0 && shared < common.size() && shared < parts.size() &&
               common.at(shared) == parts.at(shared))
            ++shared;
        common = i == 0 ? parts : QStringList(common.mid(0, shared));
    }
    return QDir(common.join(QLatin1Char('/')) + QLatin1Char('/'));
}
