#pragma once

#include <QDir>
#include <QStringList>

class ImporterPlugins;

// The files to import for the command line's paths: a file as given, a folder as every file
// under it that an importer recognises, in path order; a file named twice is imported once.
// Paths that exist neither as file nor as folder, and folders without importable files, are
// described in problems.
QStringList filesToImport(const QStringList &paths, const ImporterPlugins &plugins,
                          QStringList *problems);

// The example acquisition that comes with the program: the installed copy beside the program,
// else the one in the source tree.
QString bundledExample();

// The deepest folder that holds all the files (absolute): a batch's outputs and overview name
// each file by its path below it, which keeps what sets the files apart.
QDir commonFolder(const QStringList &files);
