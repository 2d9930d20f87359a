#pragma once

#include <QSize>
#include <QString>

class QPainter;
struct RawInput;

// What a quick-look picture shows: the stored table and the two lines of text above it.
struct QuickLook
{
    const RawInput *data = nullptr;
    QString title;
    QString subtitle;
    QString unit; // the intensity unit the export names; empty when it names none
};

// Draws the picture on a device of the given size in pixels: intensity on a log10 axis against
// seconds since the start, one line per channel in its own colour (the palette's ten colours
// come round again with dashes), a legend with the channel names below the plot and the title
// lines above it.
void paintQuickLook(QPainter &painter, const QSize &size, const QuickLook &look);
