#pragma once

#include "importreport.h"

#include <QTextStream>

struct ImportResult;

// The readable summary of one file's import.
void writeTextReport(const ImportResult &result, QTextStream &out);

// The line that opens a text report: the zone its times are read and shown in.
void writeTimeZoneLine(const QString &zone, QTextStream &out);

// One line of a file's stage times: "FILE: read 0.081 s (45 %); table 0.050 s (28 %); ... of
// 0.180 s".
QString stageTimesText(const QString &file, const QVector<StageTime> &stages);
