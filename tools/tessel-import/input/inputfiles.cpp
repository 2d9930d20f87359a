#include "input/inputfiles.h"

#include "input/importerplugins.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

namespace {

Qt::CaseSensitivity caseRule(PathStyle style)
{
    return style == PathStyle::Windows ? Qt::CaseInsensitive : Qt::CaseSensitive;
}

bool isAsciiLetter(QChar c)
{
    const int lower = c.unicode() | 0x20;
    return lower >= 'a' && lower <= 'z';
}

// The path with '/' only. On Windows also without the prefix "\\?\" that lifts the length
// limit: "\\?\C:\data" is "C:/data", "\\?\UNC\server\share" is "//server/share".
QString withSlashes(const QString &path, PathStyle style)
{
    if (style == PathStyle::Posix)
        return path;
    const QString slashed = QString(path).replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (slashed.startsWith(QLatin1String("//?/UNC/"), Qt::CaseInsensitive))
        return QLatin1Char('/') + slashed.mid(7);
    if (slashed.startsWith(QLatin1String("//?/")))
        return slashed.mid(4);
    return slashed;
}

// Where a path with '/' only starts: "/", or on Windows "C:/", "//server/share/" or "/" (the
// root of the working folder's drive); empty for a relative path.
QString rootOf(const QString &path, PathStyle style)
{
    if (style == PathStyle::Windows && path.size() >= 3 && isAsciiLetter(path.at(0)) &&
        path.at(1) == QLatin1Char(':') && path.at(2) == QLatin1Char('/'))
        return path.left(3);
    if (style == PathStyle::Windows && path.startsWith(QLatin1String("//"))) {
        const int serverEnd = path.indexOf(QLatin1Char('/'), 2);
        const int shareEnd = serverEnd < 0 ? -1 : path.indexOf(QLatin1Char('/'), serverEnd + 1);
        return shareEnd < 0 ? path + QLatin1Char('/') : path.left(shareEnd + 1);
    }
    return path.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
}

// A relative folder for what lies below a root: "C" for the drive "C:/", "UNC/server/share" for
// the share "//server/share/" (a drive letter is one letter, so the two cannot meet).
QString folderNamedFor(const QString &root)
{
    if (root.startsWith(QLatin1String("//")))
        return QStringLiteral("UNC") + root.mid(1).chopped(1);
    return root.size() == 3 ? root.left(1).toUpper() : QString();
}

// The folder that holds a file: its root, then the names below the root.
QStringList folderParts(const QString &file, PathStyle style)
{
    const QString path = absolutePath(file, style);
    const QString root = rootOf(path, style);
    QStringList parts = path.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (!parts.isEmpty())
        parts.removeLast();
    parts.prepend(root);
    return parts;
}

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

RunInputs filesToImport(const QStringList &paths, const ImporterPlugins &plugins)
{
    RunInputs inputs;
    QSet<QString> seen;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        QStringList found;
        QString problem;
        if (!info.exists())
            problem = QStringLiteral("no such file or folder");
        else if (!info.isReadable())
            problem = QStringLiteral("cannot be read");
        else if (info.isDir())
            found = recognisedFilesUnder(QDir::cleanPath(path), plugins);
        else
            found = QStringList{QDir::cleanPath(path)};
        if (info.isDir() && problem.isEmpty() && found.isEmpty())
            problem = QStringLiteral("no file there that an importer recognises");
        if (!problem.isEmpty())
            inputs.entries.append({path, problem});
        else
            inputs.sources.append(path);
        for (const QString &file : qAsConst(found)) {
            const QString key = samePathKey(file);
            if (!seen.contains(key)) {
                seen.insert(key);
                inputs.entries.append({file, QString()});
                inputs.files.append(file);
            }
        }
    }
    return inputs;
}

QString cleanedPath(const QString &path, PathStyle style)
{
    const QString slashed = withSlashes(path, style);
    const QString root = rootOf(slashed, style);
    // Name by name rather than with QDir::cleanPath, which follows the system it runs on: it
    // takes a backslash for a separator on Windows, and a share's "//" for a doubled '/' elsewhere.
    const QStringList given = slashed.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QStringList names;
    for (const QString &name : given) {
        const bool up = name == QLatin1String("..");
        if (up && !names.isEmpty() && names.last() != QLatin1String(".."))
            names.removeLast();
        else if (name != QLatin1String(".") && !(up && !root.isEmpty())) // nothing is above a root
            names.append(name);
    }
    if (root.isEmpty() && names.isEmpty())
        return path.isEmpty() ? QString() : QStringLiteral(".");
    return root + names.join(QLatin1Char('/'));
}

QString absolutePath(const QString &path, PathStyle style)
{
    const QString cleaned = cleanedPath(path, style);
    const QString root = rootOf(cleaned, style);
    // On Windows "/data" lies on the working folder's drive.
    const bool absolute = style == PathStyle::Windows ? root.size() > 1 : !root.isEmpty();
    return absolute ? cleaned : cleanedPath(QFileInfo(path).absoluteFilePath(), style);
}

QString samePathKey(const QString &path, PathStyle style)
{
    const QString absolute = absolutePath(path, style);
    return style == PathStyle::Windows ? absolute.toCaseFolded() : absolute;
}

QString commonFolder(const QStringList &paths, PathStyle style)
{
    QStringList common;
    for (int i = 0; i < paths.size(); ++i) {
        const QStringList parts = folderParts(paths.at(i), style);
        int shared = 0;
        while (i > 0 && shared < common.size() && shared < parts.size() &&
               common.at(shared).compare(parts.at(shared), caseRule(style)) == 0)
            ++shared;
        common = i == 0 ? parts : QStringList(common.mid(0, shared));
    }
    return common.isEmpty() ? QString() : common.first() + common.mid(1).join(QLatin1Char('/'));
}

QString pathBelow(const QString &folder, const QString &file, PathStyle style)
{
    const QString path = absolutePath(file, style);
    if (!folder.isEmpty()) {
        QString prefix = absolutePath(folder, style);
        if (!prefix.endsWith(QLatin1Char('/')))
            prefix += QLatin1Char('/');
        if (path.startsWith(prefix, caseRule(style)))
            return path.mid(prefix.size());
    }
    const QString root = rootOf(path, style);
    const QString rootFolder = folderNamedFor(root), below = path.mid(root.size());
    return rootFolder.isEmpty() || below.isEmpty() ? rootFolder + below
                                                   : rootFolder + QLatin1Char('/') + below;
}
