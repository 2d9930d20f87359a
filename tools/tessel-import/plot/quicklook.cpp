#include "plot/quicklook.h"

#include "input/fileimport.h"
#include "options/commandline.h"
#include "plot/quicklookpainter.h"
#include "report/isotime.h"
#include "report/outputpaths.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

namespace {

std::optional<PictureFormat> pictureFormatNamed(const QString &name)
{
    if (name.compare(QLatin1String("png"), Qt::CaseInsensitive) == 0)
        return PictureFormat::Png;
    if (name.compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0)
        return PictureFormat::Svg;
    return std::nullopt;
}

QString suffixOf(PictureFormat format)
{
    return format == PictureFormat::Svg ? QStringLiteral(".svg") : QStringLiteral(".png");
}

// "sample – start – machine"; the file's name stands in for a sample name the import lacks.
QString titleOf(const ImportResult &result)
{
    QStringList parts{result.sampleName.value_or(QString())};
    if (parts.first().isEmpty())
        parts.first() = QFileInfo(result.file).completeBaseName();
    parts.append(isoTimeText(result.start, result.timeZone));
    if (!result.machineName.isEmpty())
        parts.append(result.machineName);
    return parts.join(QStringLiteral(" \u2013 "));
}

// "1.csv · 3 of 26 channels · 2000 data rows · 102.4 s": the channels counted are those drawn.
QString subtitleOf(const ImportResult &result, int drawnChannels)
{
    const int channels = int(result.stored->channelNames.size());
    QStringList parts{
        QFileInfo(result.file).fileName(),
        QStringLiteral("%1%2 channel%3")
            .arg(drawnChannels)
            .arg(drawnChannels == channels ? QString() : QStringLiteral(" of %1").arg(channels))
            .arg(channels == 1 ? QString() : QStringLiteral("s")),
        QStringLiteral("%1 data rows").arg(dataRowsOf(result.rowCount))};
    if (result.durationSeconds)
        parts.append(QStringLiteral("%1 s").arg(*result.durationSeconds, 0, 'f', 1));
    return parts.join(QStringLiteral(" \u00b7 "));
}

bool writePng(const QuickLook &look, const QSize &size, QIODevice *device)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    paintQuickLook(painter, size, look);
    painter.end();
    return image.save(device, "PNG");
}

bool writeSvg(const QuickLook &look, const QSize &size, QIODevice *device)
{
    QSvgGenerator generator;
    generator.setOutputDevice(device);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(), size));
    generator.setResolution(96); // the CSS pixel: viewers show the picture at its size in pixels
    generator.setTitle(look.title);
    QPainter painter;
    if (!painter.begin(&generator))
        return false;
    paintQuickLook(painter, size, look);
    return painter.end();
}

} // namespace

PlotTarget::PlotTarget(const QString &target, bool isFolder, const QString &inputsFolder,
                       const PictureStyle &style)
    : target(target), isFolder(isFolder), inputsFolder(inputsFolder), pictureStyle(style)
{}

std::optional<PlotTarget> PlotTarget::resolve(const ToolOptions &options, int fileCount,
                                              const QString &inputsFolder, QString *error)
{
    const QString &out = options.plotTarget;
    const std::optional<PictureFormat> named = pictureFormatNamed(QFileInfo(out).suffix());
    const std::optional<PictureFormat> chosen = pictureFormatNamed(options.plotFormat);
    const bool isFile = named && !QFileInfo(out).isDir();
    if (isFile && fileCount > 1)
        *error = QStringLiteral("--plot %1 names one picture, but %2 files are imported: name a "
                                "folder instead")
                     .arg(out)
                     .arg(fileCount);
    else if (isFile && chosen && *chosen != *named)
        *error = QStringLiteral("--plot-format %1 contradicts the picture name %2")
                     .arg(options.plotFormat, out);
    if (!error->isEmpty())
        return std::nullopt;
    const PictureStyle style{isFile ? *named : chosen.value_or(PictureFormat::Png),
                             options.plotSize, options.plotChannels, options.linearAxis};
    return PlotTarget(out, !isFile, inputsFolder, style);
}

QString PlotTarget::pathFor(const QString &inputFile, PathStyle style) const
{
    if (!isFolder)
        return target;
    return mirroredPath(target, inputsFolder, inputFile, suffixOf(pictureStyle.format), style);
}

QStringList missingChannels(const ImportResult &result, const QStringList &channels)
{
    QStringList missing;
    for (const QString &name : channels) {
        if (!result.stored || !result.stored->channelNames.contains(name))
            missing.append(name);
    }
    return missing;
}

bool writeQuickLook(const ImportResult &result, const QString &path, const PictureStyle &style,
                    QString *error)
{
    QuickLook look{result.stored.data(), titleOf(result), {}, result.intensityUnit, {},
                   style.linearAxis};
    for (int i = 0; i < result.stored->channelNames.size(); ++i) {
        if (style.channels.isEmpty() || style.channels.contains(result.stored->channelNames.at(i)))
            look.channels.append(i);
    }
    look.subtitle = subtitleOf(result, int(look.channels.size()));
    const QString folder = QFileInfo(path).path();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot write the picture %1: cannot create the folder %2")
                     .arg(path, folder);
        return false;
    }
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        const bool drawn = style.format == PictureFormat::Svg ? writeSvg(look, style.size, &file)
                                                              : writePng(look, style.size, &file);
        if (drawn && file.commit())
            return true;
    }
    *error = QStringLiteral("cannot write the picture %1: %2").arg(path, file.errorString());
    return false;
}
