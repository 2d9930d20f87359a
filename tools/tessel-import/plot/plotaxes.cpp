#include "plot/plotaxes.h"

#include <QtGlobal>

#include <cmath>
#include <limits>

namespace {

// Wider ranges squeeze the signal into a few pixels per decade; the top decades, where the
// signal is, are kept.
const int maxDecades = 12;

// The pixel column, and the first, lowest, highest and last y of the points that fall into it.
struct ColumnSpan
{
    int column = std::numeric_limits<int>::min();
    double first = 0;
    double lowest = 0;
    double highest = 0;
    double last = 0;

    void appendTo(QPolygonF &points) const
    {
        if (column == std::numeric_limits<int>::min())
            return;
        const double x = column + 0.5;
        points << QPointF(x, first);
        if (lowest != highest) {
            // Screen y grows downwards: run through the span in the direction the trace moved.
            const bool rising = last < first;
            points << QPointF(x, rising ? highest : lowest)
                   << QPointF(x, rising ? lowest : highest);
        }
        if (last != first)
            points << QPointF(x, last);
    }
};

} // namespace

DecadeRange decadeRangeOf(const QVector<const Column *> &columns)
{
    double smallest = std::numeric_limits<double>::infinity();
    double largest = 0.0;
    bool clipped = false;
    for (const Column *column : columns) {
        for (const double value : *column) {
            if (value > 0.0 && std::isfinite(value)) {
                smallest = std::min(smallest, value);
                largest = std::max(largest, value);
            }
            clipped = clipped || value <= 0.0;
        }
    }
    if (largest == 0.0)
        return {};
    DecadeRange range{int(std::floor(std::log10(smallest))), int(std::ceil(std::log10(largest)))};
    // Zero counts sit on the floor: a decade below the smallest count keeps them apart from it.
    range.lowest -= clipped ? 1 : 0;
    range.highest = std::max(range.highest, range.lowest + 1);
    range.lowest = std::max(range.lowest, range.highest - maxDecades);
    return range;
}

LinearRange linearRangeOf(const QVector<const Column *> &columns, int wanted)
{
    double smallest = 0.0;
    double largest = 0.0;
    for (const Column *column : columns) {
        for (const double value : *column) {
            if (std::isfinite(value)) {
                smallest = std::min(smallest, value);
                largest = std::max(largest, value);
            }
        }
    }
    if (largest == smallest)
        largest = smallest + 1.0;
    const double step = tickStep(largest - smallest, wanted);
    return {std::floor(smallest / step) * step, std::ceil(largest / step) * step, step};
}

QString tickText(double value, double step)
{
    if (std::abs(value) < 1e6)
        return QString::number(value, 'f', tickDecimals(step));
    const int exponent = int(std::floor(std::log10(std::abs(value))));
    return QString::number(value / powerOfTen(exponent), 'g', 3) + QLatin1Char('e') +
           QString::number(exponent);
}

double tickStep(double extent, int wanted)
{
    if (!(extent > 0.0) || wanted < 1)
        return 1.0;
    const double power = powerOfTen(int(std::floor(std::log10(extent / wanted))));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (extent / (factor * power) <= wanted)
            return factor * power;
    }
    return 10.0 * power;
}

double powerOfTen(int exponent)
{
    // Powers of ten up to 10^22 are exact doubles, and one division rounds correctly.
    return exponent >= 0 ? std::pow(10.0, exponent) : 1.0 / std::pow(10.0, -exponent);
}

int tickDecimals(double step)
{
    return std::max(0, int(std::ceil(-std::log10(step) - 1e-9)));
}

PlotMapping::PlotMapping(const QRectF &area, double seconds, DecadeRange decades)
    : area(area), seconds(seconds > 0.0 ? seconds : 1.0), logarithmic(true), low(decades.lowest),
      high(decades.highest)
{}

PlotMapping::PlotMapping(const QRectF &area, double seconds, LinearRange range)
    : area(area), seconds(seconds > 0.0 ? seconds : 1.0), logarithmic(false), low(range.low),
      high(range.high)
{}

double PlotMapping::x(double offset) const
{
    return area.left() + area.width() * qBound(0.0, offset / seconds, 1.0);
}

double PlotMapping::y(double intensity) const
{
    if (!logarithmic)
        return yOfAxis(intensity);
    return yOfAxis(intensity > 0.0 ? std::log10(intensity) : low);
}

double PlotMapping::yOfDecade(double exponent) const
{
    return yOfAxis(exponent);
}

double PlotMapping::yOfAxis(double position) const
{
    const double fraction = (qBound(low, position, high) - low) / (high - low);
    return area.bottom() - area.height() * fraction;
}

QPolygonF decimatedTrace(const Column &time, const Column &values, double startSeconds,
                         const PlotMapping &mapping)
{
    QPolygonF points;
    ColumnSpan span;
    const arma::uword rows = std::min(time.n_elem, values.n_elem);
    for (arma::uword row = 0; row < rows; ++row) {
        if (!std::isfinite(time[row]) || !std::isfinite(values[row]))
            continue;
        const double x = mapping.x(time[row] - startSeconds);
        const double y = mapping.y(values[row]);
        const int column = int(std::floor(x));
        if (column != span.column) {
            span.appendTo(points);
            span = ColumnSpan{column, y, y, y, y};
            continue;
        }
        span.lowest = std::min(span.lowest, y);
        span.highest = std::max(span.highest, y);
        span.last = y;
    }
    span.appendTo(points);
    return points;
}
