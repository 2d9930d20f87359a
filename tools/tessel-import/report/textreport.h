#pragma once

#include <QTextStream>

struct ImportResult;

// The readable summary of one file's import.
void writeTextReport(const ImportResult &result, QTextStream &out);

// The line that opens a text report: the zone its times are read and shown in.
void writeTimeZoneLine(const QString &zone, QTextStream &out);
