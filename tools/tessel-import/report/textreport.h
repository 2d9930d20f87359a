#pragma once

#include <QTextStream>

struct ImportResult;

// The readable summary of one file's import.
void writeTextReport(const ImportResult &result, QTextStream &out);
