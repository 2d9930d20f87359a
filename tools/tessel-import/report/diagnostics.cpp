#include "report/diagnostics.h"

#include <cstdio>

namespace {

DiagnosticHandler &currentHandler()
{
    static DiagnosticHandler handler;
    return handler;
}

} // namespace

void printDiagnostic(const QString &text)
{
    if (currentHandler())
        currentHandler()(text);
    else
        std::fprintf(stderr, "tessel-import: %s\n", text.toLocal8Bit().constData());
}

DiagnosticHandler installDiagnosticHandler(DiagnosticHandler handler)
{
    std::swap(handler, currentHandler());
    return handler;
}
