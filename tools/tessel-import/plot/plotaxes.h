#pragma once

#include "columns.h"

#include <QPolygonF>
#include <QRectF>
#include <QVector>

// The decades of a logarithmic intensity axis: 10^lowest at the floor, 10^highest at the top.
struct DecadeRange
{
    int lowest = 0;
    int highest = 1;
};

// The whole decades that hold the positive finite values of the columns, and one more below
// when some values are zero or negative; 10^0 to 10^1 when there are no positive values.
DecadeRange decadeRangeOf(const QVector<const Column *> &columns);

// The step between the ticks of a linear axis from 0 to extent: 1, 2 or 5 times a power of
// ten, chosen so that there are at most `wanted` steps.
double tickStep(double extent, int wanted);

// The decimals that tell the ticks of a step apart (0 for steps of 1 and more).
int tickDecimals(double step);

// Places seconds since the start (x) and intensities on a log10 axis (y) in a plot area.
// Intensities at or below the floor, zero and negative ones included, sit on the floor.
class PlotMapping
{
public:
    PlotMapping(const QRectF &area, double seconds, DecadeRange decades);

    double x(double seconds) const;
    double y(double intensity) const;
    double yOfDecade(double exponent) const;

private:
    QRectF area;
    double seconds;
    DecadeRange decades;
};

// The polyline of one channel, drawn as at most four points per pixel column (the first, the
// lowest, the highest and the last value that fall into it), so that a trace of any length
// keeps every spike and dip. Rows with a value or time that is not finite are left out.
QPolygonF decimatedTrace(const Column &time, const Column &values, double startSeconds,
                         const PlotMapping &mapping);
