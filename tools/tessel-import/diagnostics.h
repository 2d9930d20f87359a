#pragma once

#include <QString>

#include <cstdio>

// A diagnostic line on stderr, prefixed with the program's name.
inline void printDiagnostic(const QString &text)
{
    std::fprintf(stderr, "tessel-import: %s\n", text.toLocal8Bit().constData());
}
