#include "report/diagnostics.h"

#include <cstdio>

void printDiagnostic(const QString &text)
{
    // UTF-8, as everything the tool writes: a Windows code page cannot hold every file name.
    const QByteArray line = QByteArrayLiteral("tessel-import: ") + text.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}
