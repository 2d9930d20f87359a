#include "output/picturefile.h"

#include "model/importresult.h"
#include "plot/quicklookpainter.h"
#include "report/isotime.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

namespace {

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

bool writeQuickLook(const ImportResult &result, const QString &path, const PictureStyle &style,
                    QString *error)
{
    QuickLook look{result.stored.data(), titleOf(result), {}, result.report.intensityUnit, {},
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
