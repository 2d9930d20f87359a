#include "terminal/progressbar.h"

#include <QtGlobal>

namespace {
const int barWidth = 30;
const int labelWidth = 40;
} // namespace

ProgressBar::ProgressBar() : terminal(stderrTerminal()) {}

void ProgressBar::show(double fraction, const QString &newLabel)
{
    if (!terminal.present)
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
    if (!terminal.present)
        return;
    QMutexLocker lock(&mutex);
    paused = true;
    if (drawnWidth > 0) {
        writeToStderr(clearLineText(terminal, drawnWidth));
        drawnWidth = 0;
    }
}

void ProgressBar::resume()
{
    if (!terminal.present)
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
    const QString line = QLatin1Char('[') + bar + QStringLiteral("] ") +
                         QString::number(permille / 10).rightJustified(3) + QStringLiteral("% ") +
                         shownLabel;
    writeToStderr(clearLineText(terminal, drawnWidth) + line.toUtf8());
    drawnWidth = int(line.size());
}
