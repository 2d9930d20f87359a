#pragma once

#include <QStringList>

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

// The files to import for the command line's paths: a file as given, a folder as every file
// under it that an importer recognises, in path order; a file named twice is imported once.
// Paths that exist neither as file nor as folder, and folders without importable files, are
// described in problems.
QStringList filesToImport(const QStringList &paths, const ImporterPlugins &plugins,
                          QStringList *problems);

// The example acquisition that comes with the program: the installed copy beside the program,
// else the one in the source tree.
QString bundledExample();

// The path with '/' only, cleaned ("a/./b/../c" is "a/c"); a relative path stays relative.
QString cleanedPath(const QString &path, PathStyle style = nativePathStyle);

// The path absolute (a relative one below the working folder), cleaned, with '/' only.
QString absolutePath(const QString &path, PathStyle style = nativePathStyle);

// The same text for every name of one file: its absolute path, case folded on Windows.
QString samePathKey(const QString &path, PathStyle style = nativePathStyle);

// The deepest folder that holds all the files (absolute): a batch's outputs and overview name
// each file by its path below it, which keeps what sets the files apart. Empty when the files
// have no root in common (two Windows drives or shares).
QString commonFolder(const QStringList &files, PathStyle style = nativePathStyle);

// A file's path relative to the folder that commonFolder gave. Without one, it is the path
// below a folder named for the file's root: "C/data/x.csv" for "C:/data/x.csv" and
// "UNC/server/share/x.csv" for "//server/share/x.csv", so that inputs from several drives and
// shares keep apart and no drive's folder can be taken for a share's.
QString pathBelow(const QString &folder, const QString &file, PathStyle style = nativePathStyle);
