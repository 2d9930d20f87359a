#pragma once

#include <QString>

#include <functional>

// A diagnostic line on stderr, prefixed with the program's name.
void printDiagnostic(const QString &text);

// Where diagnostics go instead of stderr, for a host of the library that shows them itself;
// an empty handler restores stderr. Answers the previous handler.
using DiagnosticHandler = std::function<void(const QString &text)>;
DiagnosticHandler installDiagnosticHandler(DiagnosticHandler handler);
