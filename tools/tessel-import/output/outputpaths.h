#pragma once

#include "input/inputfiles.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

struct ToolOptions;

// Where an input's output goes in a folder of outputs: at the input's path relative to the
// common folder of the paths given (see commonFolder and pathBelow), its last suffix replaced
// ("<folder>/run.b/001.d/001.csv" for the folder run.b), so that the acquisitions of several
// batches, all named 001.d, 002.d, ..., keep apart, within a run and from one run to the next.
QString mirroredPath(const QString &folder, const QString &inputsFolder, const QString &inputFile,
                     const QString &suffix, PathStyle style = nativePathStyle);

enum class PictureFormat { Png, Svg };

// How the pictures of a run look.
struct PictureStyle
{
    PictureFormat format = PictureFormat::Png;
    QSize size{1600, 900};
    QStringList channels; // the channels drawn, by name; empty: all
    bool linearAxis = false;
};

// Where the quick-look pictures of a run go: the file named by --plot when one file is
// imported and the name ends in .png or .svg, otherwise one <name>.png (or .svg) per imported
// file in the folder named by --plot, at the input's path below the inputs' common folder.
class PlotTarget
{
public:
    // None, with the reason in error, when the options contradict each other or name a single
    // picture for several files.
    static std::optional<PlotTarget> resolve(const ToolOptions &options, int fileCount,
                                             const QString &inputsFolder, QString *error);

    QString pathFor(const QString &inputFile, PathStyle style = nativePathStyle) const;
    QString path() const { return target; }
    bool namesFolder() const { return isFolder; }
    const PictureStyle &style() const { return pictureStyle; }

private:
    PlotTarget(const QString &target, bool isFolder, const QString &inputsFolder,
               const PictureStyle &style);

    QString target;
    bool isFolder;
    QString inputsFolder;
    PictureStyle pictureStyle;
};

// Why the outputs of a run cannot be written as asked, found before anything is written: a
// folder named for outputs that is a file or whose parent is missing (the tool creates the
// folders named and the layout in them, nothing above them, unless one lies in the other), two
// inputs whose outputs would be one file, an output that would replace an input or a folder, or,
// unless overwrite, any file; paths are one file by the style's rule. Empty when there is none.
QString outputProblem(const QStringList &files, const QString &exportFolder,
                      const QString &inputsFolder, const std::optional<PlotTarget> &plots,
                      bool overwrite, PathStyle style = nativePathStyle);
