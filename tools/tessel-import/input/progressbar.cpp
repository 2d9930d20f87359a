#include "input/progressbar.h"

#include <QtGlobal>

#include <cstdio>
#include <unistd.h>

namespace {
const int barWidth = 30;
const int labelWidth = 40;
} // namespace

ProgressBar::ProgressBar() : enabled(isatty(STDERR_FILENO) != 0) {}

void ProgressBar::show(double fraction, const QString &newLabel)
{
    if (!enabled)
        return;
    const int newPermille = qBound(0, qRound(fraction * 1000.0), 1000);
    QMutexLocker lock(&mutex);
    if (newPermille == permille && newLabel == label)
        return;
    permille = newPermille;
    label = newLabel;
    if (!paused)
        draw();
}

void ProgressBar::pause()
{
    if (!enabled)
        return;
    QMutexLocker lock(&mutex);
    paused = true;
    if (visible) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        visible = false;
    }
}

void ProgressBar::resume()
{
    if (!enabled)
        return;
    QMutexLocker lock(&mutex);
    paused = false;
    if (permille >= 0)
        draw();
}

void ProgressBar::draw()
{
    const int filled = permille * barWidth / 1000;
    const QString bar =
        QString(filled, QLatin1Char('#')) + QString(barWidth - filled, QLatin1Char(' '));
    const QString shownLabel =
        label.size() > labelWidth ? QStringLiteral("...") + label.right(labelWidth - 3) : label;
    std::fprintf(stderr, "\r\033[K[%s] %3d%% %s", qPrintable(bar), permille / 10,
                 qPrintable(shownLabel));
    std::fflush(stderr);
    visible = true;
}
