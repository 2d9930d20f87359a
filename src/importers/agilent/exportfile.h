#pragma once

#include "filelines.h"
#include "importoutcome.h"
#include "importreport.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTextCodec>

#include <functional>

// Facts about an export file that its bytes tell, before and beside the import.

// Opens a file for reading; answers why it could not be opened, or nothing. Only regular
// files: opening a named pipe waits for a writer, and a device may never end. size, when given,
// receives the size the file system gave with the file's type: under Windows an open file
// answers its size only through a query of its volume.
QString openForReading(QFile &file, qint64 *size = nullptr);

// Whether one of the first 50 lines holds an export's time-stamp heading: the English
// "Acquired      : ... using", the Chinese software's 采集日期 (GB18030) or the Japanese
// software's 測定日時 (Shift_JIS). Reads at most 64 KiB of each line.
bool holdsExportHeading(QFile &file);

// The last component of the Windows path that text holds after a drive ("D:\") or a network
// server's name ("\\server\"), whole: any characters but the backslash, without the commas,
// quotes and blanks that end the line (a spreadsheet that saves the file again adds them) and a
// final backslash: "Zircon (91500).d" of the line D:\DATA\run.b\Zircon (91500).d,, (CR LF). Empty
// when text holds no such path.
QString windowsPathName(const QString &text);

// The codec of an export's text, by its language version's header words: GB18030 for the
// Chinese software, Shift_JIS for the Japanese one, UTF-8 otherwise.
QTextCodec *exportCodec(const FileLines &lines);

// An export read whole, with what its first lines tell before the table is read.
struct ExportContent
{
    FileLines lines;
    quint64 size = 0; // bytes read
    QString unit;     // as the second line writes it: "CPS", "Counts"; empty when none
    // The last component of the path in the first line, decoded with the export's codec: the
    // sample's name, and its acquisition folder's when it ends in ".d".
    QString sampleName;
    QStringList warnings;
};

// Reads the export at path; opened() is called once the file is open. The clock's laps end the
// reading and the scan of its lines.
Outcome<ExportContent> readExport(const QString &path, const std::function<void()> &opened,
                                  StageClock &clock);
