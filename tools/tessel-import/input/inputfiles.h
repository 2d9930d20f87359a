#pragma once

#include <QStringList>
#include <QVector>

class ImporterPlugins;

// How the file system names files. On Windows a path starts at a drive ("C:/") or a network
// share ("//server/share/"), a backslash separates as '/' does, and case does not tell names
// apart; elsewhere a path starts at "/", a backslash is a character of a name, and case counts.
// The path functions take the rule as a value: each system's planning is tested on any system.
enum class PathStyle { Posix, Windows };
#ifdef Q_OS_WIN
constexpr PathStyle nativePathStyle = PathStyle::Windows;
#else
constexpr PathStyle nativePathStyle = PathStyle::Posix;
#endif

// One entry of a run's reports: a file to import, or a path that gives none.
struct InputEntry
{
    QString path;
    QString problem; // why the path gives no file (it does not exist, cannot be read, ...)
};

// What a run takes from the command line's paths.
struct RunInputs
{
    QVector<InputEntry> entries; // in the order of the paths
    QStringList files;           // the files among the entries
    QStringList sources;         // the paths that gave them, which the outputs' layout keeps
};

// The inputs for the command line's paths: a file as given, a folder as every file under it
// that an importer recognises, in path order; a file named twice is imported once. A path that
// does not exist or cannot be read, and a folder without importable files, is an entry with its
// problem, so that the reports count it.
RunInputs filesToImport(const QStringList &paths, const ImporterPlugins &plugins);

// The path with '/' only, cleaned ("a/./b/../c" is "a/c"); a relative path stays relative.
QString cleanedPath(const QString &path, PathStyle style = nativePathStyle);

// The path absolute (a relative one below the working folder), cleaned, with '/' only.
QString absolutePath(const QString &path, PathStyle style = nativePathStyle);

// The same text for every name of one file: its absolute path, case folded on Windows.
QString samePathKey(const QString &path, PathStyle style = nativePathStyle);

// The deepest folder that holds all the paths (absolute), each a file or a folder: a batch's
// overview names each file by its path below the folder of its files, which keeps what sets the
// files apart; the outputs go at their paths below the folder of the paths given, so that a
// folder named keeps its own name, as when copied. Empty when the paths have no root in common
// (two Windows drives or shares).
QString commonFolder(const QStringList &paths, PathStyle style = nativePathStyle);

// A file's path relative to the folder that commonFolder gave. Without one, it is the path
// below a folder named for the file's root: "C/data/x.csv" for "C:/data/x.csv" and
// "UNC/server/share/x.csv" for "//server/share/x.csv", so that inputs from several drives and
// shares keep apart and no drive's folder can be taken for a share's.
QString pathBelow(const QString &folder, const QString &file, PathStyle style = nativePathStyle);
