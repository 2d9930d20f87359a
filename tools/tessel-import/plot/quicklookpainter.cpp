#include "plot/quicklookpainter.h"

#include "datamanager.h"
#include "plot/plotaxes.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

namespace {

// Ten hues that stay apart from one another on white.
const QRgb palette[] = {0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd,
                        0x8c564b, 0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf};
const int paletteSize = int(sizeof palette / sizeof *palette);
// The dash patterns of the rounds through the palette: solid, dashed, dotted, dash-dot, long
// dashes, dash-dot-dot.
const QVector<QVector<qreal>> dashPatterns{{},           {6, 3},  {1, 2},
                                           {6, 2, 1, 2}, {14, 4}, {6, 2, 1, 2, 1, 2}};

// The length of the longest dash pattern, in its units.
double longestDashPattern()
{
    double longest = 0;
    for (const QVector<qreal> &pattern : dashPatterns)
        longest = std::max(longest, std::accumulate(pattern.begin(), pattern.end(), 0.0));
    return longest;
}

const int tracePieceLength = 8; // points; see drawPolylineInPieces

const QColor axisColour(0x20, 0x20, 0x20);
const QColor gridColour(0xe6, 0xe6, 0xe6);
const QColor subtitleColour(0x60, 0x60, 0x60);

// Fonts and lengths in pixels; the default picture of 1600x900 has unit 1.
struct Style
{
    explicit Style(const QSize &size)
        : unit(qMax(0.5, qMin(size.width() / 1600.0, size.height() / 900.0))),
          title(font(22, QFont::Bold)), subtitle(font(15)), label(font(17)), exponent(font(12))
    {}

    QFont font(double pixels, int weight = QFont::Normal) const
    {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setStyleHint(QFont::SansSerif);
        font.setPixelSize(qRound(pixels * unit));
        font.setWeight(weight);
        return font;
    }

    const double unit;
    const QFont title;
    const QFont subtitle;
    const QFont label;
    const QFont exponent;
    const double margin = 18 * unit;
    const double gap = 8 * unit;
    const double tick = 8 * unit;
    const double traceWidth = std::max(1.0, unit); // thinner lines fade into the background
    // A legend sample is thicker than its trace, and its dashes longer in proportion, so that the
    // pattern shows; it is two of the longest patterns long.
    const double legendWidth = std::max(3.0, 3 * unit);
    const double legendDashUnit = 1.5 * traceWidth;
    const double swatch = 2 * longestDashPattern() * legendDashUnit;
};

struct Layout
{
    QRectF title;
    QRectF subtitle;
    QRectF plot;
    QRectF legend;
    int legendColumns = 1;
    double legendEntryWidth = 0;
    double legendRowHeight = 0;
};

// The drawn channels' columns with the seconds since the start of the first and the last row.
// Whether a log10 axis can show any value of the column: one lies above zero.
bool hasPositiveValue(const Column &values)
{
    return std::any_of(values.begin(), values.end(),
                       [](double value) { return value > 0 && std::isfinite(value); });
}

struct Traces
{
    QVector<const Column *> columns;
    QVector<int> indices;  // each column's channel in the table
    QVector<bool> onFloor; // no value above the floor of a log10 axis: drawn over the frame
    double startSeconds = 0;
    double extentSeconds = 1;
};

Traces tracesOf(const QuickLook &look)
{
    const RawInput &data = *look.data;
    Traces traces;
    for (const int index : look.channels) {
        const auto column = data.channels.constFind(data.channelNames.value(index));
        if (column == data.channels.constEnd())
            continue;
        traces.columns.append(&column.value());
        traces.indices.append(index);
        traces.onFloor.append(!look.linearAxis && !hasPositiveValue(column.value()));
    }
    const Column &time = data.time;
    if (time.is_empty() || !std::isfinite(time[0]))
        return traces;
    traces.startSeconds = time[0];
    for (arma::uword row = time.n_elem; row-- > 0;) {
        if (std::isfinite(time[row])) {
            traces.extentSeconds = std::max(time[row] - time[0], 1e-3);
            break;
        }
    }
    return traces;
}

// The intensity axis: its mapping of values and its labels.
struct IntensityAxis
{
    std::optional<DecadeRange> decades; // a log10 axis; otherwise linear
    LinearRange linear;
};

double decadeLabelWidth(const Style &style, int exponent)
{
    return QFontMetricsF(style.label).horizontalAdvance(QStringLiteral("10")) +
           QFontMetricsF(style.exponent).horizontalAdvance(QString::number(exponent));
}

// The width of the widest label of the intensity axis.
double intensityLabelWidth(const Style &style, const IntensityAxis &axis)
{
    if (axis.decades)
        return std::max(decadeLabelWidth(style, axis.decades->lowest),
                        decadeLabelWidth(style, axis.decades->highest));
    const QFontMetricsF metrics(style.label);
    double widest = 0;
    for (double value = axis.linear.low; value <= axis.linear.high + axis.linear.step / 2;
         value += axis.linear.step)
        widest = std::max(widest, metrics.horizontalAdvance(tickText(value, axis.linear.step)));
    return widest;
}

// The drawn channels' names, with the masses of a mass-shifted (MS/MS) channel: "Ti48 (48→64)",
// and a mark on a channel that lies on the floor of a log10 axis throughout ("all zero" when
// every value is zero or missing, as the closing row's are).
QStringList legendNames(const RawInput &data, const Traces &traces)
{
    QStringList names;
    for (int t = 0; t < traces.indices.size(); ++t) {
        const int i = traces.indices.at(t);
        names.append(data.channelNames.at(i));
        const MassPair masses = data.massPairs.value(i);
        if (masses.first != masses.second)
            names.last() += QStringLiteral(" (%1\u2192%2)").arg(masses.first, masses.second);
        if (traces.onFloor.at(t))
            names.last() += std::all_of(traces.columns.at(t)->begin(), traces.columns.at(t)->end(),
                                        [](double value) { return !(value != 0); })
                                ? QStringLiteral(" (all zero)")
                                : QStringLiteral(" (none above zero)");
    }
    return names;
}

void layOutLegend(const QSize &size, const Style &style, const QStringList &names, Layout *layout)
{
    const QFontMetricsF metrics(style.label);
    double widestName = 0;
    for (const QString &name : names)
        widestName = std::max(widestName, metrics.horizontalAdvance(name));
    const double width = size.width() - 2 * style.margin;
    layout->legendEntryWidth = style.swatch + style.gap + widestName + 3 * style.gap;
    layout->legendColumns =
        qBound(1, int(width / layout->legendEntryWidth), std::max(1, int(names.size())));
    const int rows = (int(names.size()) + layout->legendColumns - 1) / layout->legendColumns;
    layout->legendRowHeight = 1.4 * metrics.height();
    const double height = rows * layout->legendRowHeight;
    layout->legend = QRectF(style.margin, size.height() - style.margin - height, width, height);
}

Layout layoutFor(const QSize &size, const Style &style, const QStringList &names,
                 double intensityLabels)
{
    Layout layout;
    const double width = size.width() - 2 * style.margin;
    layout.title = QRectF(style.margin, style.margin, width, QFontMetricsF(style.title).height());
    layout.subtitle = QRectF(style.margin, layout.title.bottom() + style.gap / 2, width,
                             QFontMetricsF(style.subtitle).height());
    layOutLegend(size, style, names, &layout);

    const double labelHeight = QFontMetricsF(style.label).height();
    const QPointF topLeft(style.margin + labelHeight + 2 * style.gap + intensityLabels + style.tick,
                          layout.subtitle.bottom() + 3 * style.gap);
    const double bottom =
        layout.legend.top() - 3 * style.gap - 2 * labelHeight - style.gap - style.tick;
    const double right = size.width() - style.margin - 2 * labelHeight;
    layout.plot = QRectF(topLeft, QPointF(right, std::max(topLeft.y() + 1, bottom)));
    return layout;
}

void drawDecades(QPainter &painter, const Style &style, const QRectF &plot,
                 const PlotMapping &mapping, DecadeRange decades)
{
    const QFontMetricsF labelMetrics(style.label);
    const double right = plot.left() - style.tick - style.gap;
    for (int exponent = decades.lowest; exponent <= decades.highest; ++exponent) {
        const double y = mapping.yOfDecade(exponent);
        painter.setPen(QPen(gridColour, 1));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(QPen(axisColour, 1));
        painter.drawLine(QPointF(plot.left() - style.tick, y), QPointF(plot.left(), y));
        const QString power = QString::number(exponent);
        const double powerWidth = QFontMetricsF(style.exponent).horizontalAdvance(power);
        const double baseline = y + labelMetrics.capHeight() / 2;
        painter.setFont(style.label);
        painter.drawText(QPointF(right - decadeLabelWidth(style, exponent), baseline),
                         QStringLiteral("10"));
        painter.setFont(style.exponent);
        painter.drawText(QPointF(right - powerWidth, baseline - 0.55 * labelMetrics.capHeight()),
                         power);
        for (int factor = 2; factor <= 9 && exponent < decades.highest; ++factor) {
            const double minorY = mapping.y(factor * powerOfTen(exponent));
            painter.drawLine(QPointF(plot.left() - style.tick / 2, minorY),
                             QPointF(plot.left(), minorY));
        }
    }
}

void drawLinearTicks(QPainter &painter, const Style &style, const QRectF &plot,
                     const PlotMapping &mapping, const LinearRange &range)
{
    const QFontMetricsF metrics(style.label);
    painter.setFont(style.label);
    for (double value = range.low; value <= range.high + range.step / 2; value += range.step) {
        const double y = mapping.y(value);
        painter.setPen(QPen(gridColour, 1));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.left() + plot.width(), y));
        painter.setPen(QPen(axisColour, 1));
        painter.drawLine(QPointF(plot.left() - style.tick, y), QPointF(plot.left(), y));
        const QString text = tickText(value, range.step);
        painter.drawText(
            QPointF(plot.left() - style.tick - style.gap - metrics.horizontalAdvance(text),
                    y + metrics.capHeight() / 2),
            text);
    }
}

void drawSeconds(QPainter &painter, const Style &style, const QRectF &plot,
                 const PlotMapping &mapping, double extent)
{
    const double step = tickStep(extent, std::max(2, int(plot.width() / (110 * style.unit))));
    const int decimals = tickDecimals(step);
    const QFontMetricsF metrics(style.label);
    painter.setFont(style.label);
    for (int i = 0; i * step <= extent * (1 + 1e-9); ++i) {
        const double x = mapping.x(i * step);
        painter.setPen(QPen(gridColour, 1));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter.setPen(QPen(axisColour, 1));
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + style.tick));
        const QString text = QString::number(i * step, 'f', decimals);
        painter.drawText(QPointF(x - metrics.horizontalAdvance(text) / 2,
                                 plot.bottom() + style.tick + style.gap + metrics.ascent()),
                         text);
    }
}

void drawAxisTitles(QPainter &painter, const Style &style, const QRectF &plot, const QString &unit)
{
    const double labelHeight = QFontMetricsF(style.label).height();
    painter.setFont(style.label);
    painter.setPen(axisColour);
    const double top = plot.bottom() + style.tick + 2 * style.gap + labelHeight;
    painter.drawText(QRectF(plot.left(), top, plot.width(), labelHeight), Qt::AlignCenter,
                     QStringLiteral("Time since start (s)"));
    painter.save();
    painter.translate(style.margin, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2, 0, plot.height(), labelHeight), Qt::AlignCenter,
                     unit.isEmpty() ? QStringLiteral("Intensity")
                                    : QStringLiteral("Intensity (%1)").arg(unit));
    painter.restore();
}

// Strokes a long polyline piece by piece when the pen is wider than a pixel: the outline of
// thousands of overlapping segments takes the raster engine seconds to fill, short pieces a
// fraction of that. Each piece goes on with the dash pattern where the previous one left it.
void drawPolylineInPieces(QPainter &painter, QPen pen, const QPolygonF &line)
{
    if (pen.widthF() <= 1.0) {
        painter.setPen(pen);
        painter.drawPolyline(line);
        return;
    }
    double dashOffset = 0;
    for (int first = 0; first + 1 < line.size(); first += tracePieceLength) {
        const int count = std::min(tracePieceLength + 1, int(line.size()) - first);
        pen.setDashOffset(dashOffset / pen.widthF());
        painter.setPen(pen);
        painter.drawPolyline(line.constData() + first, count);
        for (int i = first + 1; i < first + count; ++i)
            dashOffset += QLineF(line.at(i - 1), line.at(i)).length();
    }
}

// The traces that lie on the floor throughout, or the others.
void drawTraces(QPainter &painter, const Style &style, const Traces &traces, const Column &time,
                const PlotMapping &mapping, bool onFloor)
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (int i = 0; i < traces.columns.size(); ++i) {
        if (traces.onFloor.at(i) == onFloor)
            drawPolylineInPieces(
                painter, channelPen(traces.indices.at(i), style.traceWidth, style.traceWidth),
                decimatedTrace(time, *traces.columns.at(i), traces.startSeconds, mapping));
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
}

void drawLegend(QPainter &painter, const Style &style, const Layout &layout,
                const QStringList &names, const QVector<int> &indices)
{
    const QFontMetricsF metrics(style.label);
    painter.setFont(style.label);
    for (int channel = 0; channel < names.size(); ++channel) {
        const double left =
            layout.legend.left() + (channel % layout.legendColumns) * layout.legendEntryWidth;
        const double y =
            layout.legend.top() + (channel / layout.legendColumns + 0.5) * layout.legendRowHeight;
        painter.setPen(channelPen(indices.at(channel), style.legendWidth, style.legendDashUnit));
        painter.drawLine(QPointF(left, y), QPointF(left + style.swatch, y));
        painter.setPen(axisColour);
        painter.drawText(QPointF(left + style.swatch + style.gap, y + metrics.capHeight() / 2),
                         names.at(channel));
    }
}

void drawTitles(QPainter &painter, const Style &style, const Layout &layout, const QuickLook &look)
{
    painter.setFont(style.title);
    painter.setPen(axisColour);
    painter.drawText(
        layout.title, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetricsF(style.title).elidedText(look.title, Qt::ElideRight, layout.title.width()));
    painter.setFont(style.subtitle);
    painter.setPen(subtitleColour);
    painter.drawText(layout.subtitle, Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetricsF(style.subtitle)
                         .elidedText(look.subtitle, Qt::ElideMiddle, layout.subtitle.width()));
}

} // namespace

QPen channelPen(int channel, double width, double dashUnit)
{
    QPen pen(QColor(palette[channel % paletteSize]), width);
    QVector<qreal> dashes = dashPatterns.at(channel / paletteSize % dashPatterns.size());
    for (qreal &dash : dashes)
        dash *= dashUnit / width;
    if (!dashes.isEmpty())
        pen.setDashPattern(dashes);
    pen.setJoinStyle(Qt::RoundJoin);
    // Square caps would stretch every dash by the pen's width and close the gaps.
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

void paintQuickLook(QPainter &painter, const QSize &size, const QuickLook &look)
{
    const Style style(size);
    const Traces traces = tracesOf(look);
    IntensityAxis axis;
    // Ticks about 70 pixels apart on the default picture.
    const int wantedTicks = std::max(3, size.height() / 90);
    if (look.linearAxis)
        axis.linear = linearRangeOf(traces.columns, wantedTicks);
    else
        axis.decades = decadeRangeOf(traces.columns);
    const QStringList names = legendNames(*look.data, traces);
    const Layout layout = layoutFor(size, style, names, intensityLabelWidth(style, axis));
    const PlotMapping mapping = axis.decades
                                    ? PlotMapping(layout.plot, traces.extentSeconds, *axis.decades)
                                    : PlotMapping(layout.plot, traces.extentSeconds, axis.linear);

    painter.fillRect(QRect(QPoint(), size), Qt::white);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    if (axis.decades)
        drawDecades(painter, style, layout.plot, mapping, *axis.decades);
    else
        drawLinearTicks(painter, style, layout.plot, mapping, axis.linear);
    drawSeconds(painter, style, layout.plot, mapping, traces.extentSeconds);
    drawTraces(painter, style, traces, look.data->time, mapping, false);
    painter.setPen(QPen(axisColour, std::max(1.0, std::round(1.5 * style.unit))));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(layout.plot);
    drawTraces(painter, style, traces, look.data->time, mapping, true);
    drawAxisTitles(painter, style, layout.plot, look.unit);
    drawLegend(painter, style, layout, names, traces.indices);
    drawTitles(painter, style, layout, look);
}
