#pragma once

#include "input/batchimport.h"
#include "terminal/terminal.h"

#include <QMutex>
#include <QString>

// A one-line progress bar on stderr, drawn only when stderr is a terminal. Thread-safe.
class ProgressBar : public ImportProgress
{
public:
    ProgressBar();

    void show(double fraction, const QString &label) override;
    // Removes the bar and keeps it away until resume(), so that other output, on stderr or on
    // the same terminal's stdout, starts on a clean line.
    void pause() override;
    void resume() override;

private:
    void draw();

    const Terminal terminal;
    QMutex mutex;
    bool paused = false;
    int drawnWidth = 0; // of the bar's line on screen; 0: none
    int permille = -1;
    QString label;
};
