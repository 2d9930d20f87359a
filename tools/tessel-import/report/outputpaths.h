#pragma once

#include "input/inputfiles.h"

#include <QString>
#include <QStringList>

#include <optional>

class PlotTarget;

// Where an input's output goes in a folder of outputs: at the input's path relative to the
// common folder of the paths given (see commonFolder and pathBelow), its last suffix replaced
// ("<folder>/run.b/001.d/001.csv" for the folder run.b), so that the acquisitions of several
// batches, all named 001.d, 002.d, ..., keep apart, within a run and from one run to the next.
QString mirroredPath(const QString &folder, const QString &inputsFolder, const QString &inputFile,
                     const QString &suffix, PathStyle style = nativePathStyle);

// Why the outputs of a run cannot be written as asked, found before anything is written: a
// folder named for outputs that is a file or whose parent is missing (the tool creates the
// folders named and the layout in them, nothing above them, unless one lies in the other), two
// inputs whose outputs would be one file, an output that would replace an input or a folder, or,
// unless overwrite, any file; paths are one file by the style's rule. Empty when there is none.
QString outputProblem(const QStringList &files, const QString &exportFolder,
                      const QString &inputsFolder, const std::optional<PlotTarget> &plots,
                      bool overwrite, PathStyle style = nativePathStyle);
