#pragma once

#include "importsettings.h"

#include <QByteArray>
#include <QString>

#include <optional>

class FileLines;

// Whether a header line holds the "Acquired" stamp heading in English ("Acquired      : ...
// using") or the Chinese software's word for it, 采集日期 (GB18030).
bool holdsAcquiredHeading(const QByteArray &line);

// Whether a line holds the Chinese software's heading of the "Acquired" or the "Printed" line,
// 采集日期 or 打印日期 (GB18030): the export is written in GB18030.
bool holdsChineseHeading(const QByteArray &line);

// The time-stamp text of the header line that the time-line preference names: after
// "Acquired      : " up to the line's last " using", or after "Printed:" to the line's end;
// the Chinese software's words when the file holds no English line. The content is read as
// its lines joined with LF. For a preference that names neither line the empty pattern
// matches: an empty text. Nothing when no line matches.
std::optional<QString> findStampText(const FileLines &lines, StampLine line);

// Cuts the date and time out of a stamp text and joins the tokens with single blanks:
// "12/03/2020 14:05:33" -> "12 03 2020 14 05 33", "March 12, 2020 2:05:33 PM" ->
// "March 12 2020 2 05 33 PM". Nothing when the text holds no date and time.
std::optional<QString> normaliseTimeStamp(const QString &stampText);
