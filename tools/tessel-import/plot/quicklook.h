#pragma once

#include "input/inputfiles.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

struct ImportResult;
struct ToolOptions;

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

// The channels of --channels that the import lacks.
QStringList missingChannels(const ImportResult &result, const QStringList &channels);

// Draws the quick look of an import whose data reached the store and writes it to path; of
// the channels the style names, those the import has. Needs a QGuiApplication for the fonts.
bool writeQuickLook(const ImportResult &result, const QString &path, const PictureStyle &style,
                    QString *error);
