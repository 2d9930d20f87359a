#pragma once

#include "columns.h"

#include <QPolygonF>
#include <QRectF>
#include <QString>
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

// A linear intensity axis from low to high, both multiples of the step between its ticks.
struct LinearRange
{
    double low = 0;
    double high = 1;
    double step = 1;
};

// The linear axis that holds the finite values of the columns and zero, in at most `wanted`
// steps; 0 to 1 when there are no values.
LinearRange linearRangeOf(const QVector<const Column *> &columns, int wanted);

// A tick's value as its label: with the decimals the step needs, or as "2.5e6" from a million on.
QString tickText(double value, double step);

// The step between the ticks of a linear axis from 0 to extent: 1, 2 or 5 times a power of
// ten, chosen so that there are at most `wanted` steps.
double tickStep(double extent, int wanted);

// 10 to a whole power, correctly rounded on every system (some run-times' pow() is a unit in the
// last place off for negative powers, which moves ticks and their labels).
double powerOfTen(int exponent);

// The decimals that tell the ticks of a step apart (0 for steps of 1 and more).
int tickDecimals(double step);

// Places seconds since the start (x) and intensities (y) in a plot area, on a log10 axis or a
// linear one. Intensities beyond the axis sit on its edge; on a log10 axis zero and negative
// ones sit on the floor.
class PlotMapping
{
public:
    PlotMapping(const QRectF &area, double seconds, DecadeRange decades);
    PlotMapping(const QRectF &area, double seconds, LinearRange range);

    double x(double seconds) const;
    double y(double intensity) const;
    double yOfDecade(double exponent) const;

private:
    double yOfAxis(double position) const;

    QRectF area;
    double seconds;
    bool logarithmic;
    double low; // the floor and the top of the axis: exponents on a log10 axis
    double high;
};

// The polyline of one channel, drawn as at most four points per pixel column (the first, the
// lowest, the highest and the last value that fall into it), so that a trace of any length
// keeps every spike and dip. Rows with a value or time that is not finite are left out.
QPolygonF decimatedTrace(const Column &time, const Column &values, double startSeconds,
                         const PlotMapping &mapping);
