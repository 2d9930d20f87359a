#pragma once

#include "importreport.h"

#include "filelines.h"
#include "importoutcome.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <functional>

// Facts about an export file that its bytes tell, before and beside the import.

// Opens a file for reading; answers why it could not be opened, or nothing. Only regular
// files: opening a named pipe waits for a writer, and a device may never end.
QString openForReading(QFile &file);

// Whether one of the first 50 lines holds an export's time-stamp heading: the English
// "Acquired      : ... using", the Chinese software's 采集日期 (GB18030) or the Japanese
// software's 測定日時 (Shift_JIS). Reads at most 64 KiB of each line.
bool holdsExportHeading(QFile &file);

// The last component of the Windows path that the export's first line holds ("S1.d" of
// "D:\DATA\demo.b\S1.d"); empty when the line holds none.
QString sampleNameFromFirstLine(const QByteArray &line);

// The first line as the instrument software's folder check reads it: up to its LF, or the
// whole content in a file without LF (only its end matters to the check).
QByteArray firstLineForFolderCheck(const FileLines &lines);

// An export read whole, with what its first lines tell before the table is read.
struct ExportContent
{
    FileLines lines;
    quint64 size = 0;   // bytes read
    QString unit;       // as the second line writes it: "CPS", "Counts"; empty when none
    QString sampleName; // the acquisition folder's name in the first line
    QStringList warnings;
};

// Reads the export at path; opened() is called once the file is open. The clock's laps end the
// reading and the scan of its lines.
Outcome<ExportContent> readExport(const QString &path, const std::function<void()> &opened,
                                  StageClock &clock);
