#pragma once

#include <QString>

// A diagnostic line on stderr, prefixed with the program's name.
void printDiagnostic(const QString &text);
