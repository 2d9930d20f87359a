#pragma once

#include <QPen>
#include <QSize>
#include <QString>
#include <QVector>

class QPainter;
struct RawInput;

// What a quick-look picture shows: the stored table and the two lines of text above it.
struct QuickLook
{
    const RawInput *data = nullptr;
    QString title;
    QString subtitle;
    QString unit;          // the intensity unit the export names; empty when it names none
    QVector<int> channels; // the indices of the channels drawn, in the table's order
    bool linearAxis = false;
};

// Draws the picture on a device of the given size in pixels: intensity on a log10 (or linear)
// axis against seconds since the start, one line per channel in its own style, a legend with
// the channel names below the plot and the title lines above it.
void paintQuickLook(QPainter &painter, const QSize &size, const QuickLook &look);

// The line of the table's channel with that index: ten colours, each with six dash patterns, so
// that up to 60 channels look different; a channel keeps its line in a picture of a few of them.
// Dashes are dashUnit pixels long per unit of the pattern, whatever the pen's width.
QPen channelPen(int channel, double width, double dashUnit);
