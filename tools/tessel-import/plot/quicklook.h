#pragma once

#include <QSize>
#include <QString>

#include <optional>

struct ImportResult;
struct ToolOptions;

enum class PictureFormat { Png, Svg };

// Where the quick-look pictures of a run go: the file named by --plot when one file is
// imported and the name ends in .png or .svg, otherwise one <name>.png (or .svg) per imported
// file in the folder named by --plot.
class PlotTarget
{
public:
    // None, with the reason in error, when the options contradict each other or name a single
    // picture for several files.
    static std::optional<PlotTarget> resolve(const ToolOptions &options, int fileCount,
                                             QString *error);

    QString pathFor(const QString &inputFile) const;
    PictureFormat format() const { return pictureFormat; }
    QSize size() const { return pictureSize; }

private:
    PlotTarget(const QString &path, bool isFolder, PictureFormat format, const QSize &size);

    QString path;
    bool isFolder;
    PictureFormat pictureFormat;
    QSize pictureSize;
};

// Draws the quick look of an import whose data reached the store and writes it to path. Needs
// a QGuiApplication for the fonts.
bool writeQuickLook(const ImportResult &result, const QString &path, PictureFormat format,
                    const QSize &size, QString *error);
