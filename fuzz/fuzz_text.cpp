// The pure text stages on arbitrary bytes: row count, lines, channel header, time-stamp search,
// normalisation and conversion, the ".d" name check, and number fields. The byte-level readers
// are also checked against the plain Qt reading they stand in for.
#include "abstractimporter.h"
#include "acquisitionfolder.h"
#include "channelheader.h"
#include "filelines.h"
#include "fuzzsupport.h"
#include "numberparser.h"
#include "plainreading.h"
#include "timestamptext.h"

#include <algorithm>

#include <cstring>

namespace {

// Longer inputs would make the regular-expression reference the slow part of the run.
const int maxReferenceLength = 4096;
const int maxCheckedFields = 64;

void checkRowCount(const QByteArray &input)
{
    const int count = countDataLines(input);
    if (input.size() <= maxReferenceLength && count != expressionCount(input))
        fuzzing::fail("countDataLines differs from the row-count expression");
}

// Every field of the first line that holds a comma, read by each number reader.
void checkNumberFields(const FileLines &lines)
{
    for (int i = 0; i < lines.count(); ++i) {
        const char *begin = lines.lineBegin(i);
        const char *end = lines.lineEnd(i);
        if (!std::memchr(begin, ',', size_t(end - begin)))
            continue;
        const bool ascii = std::none_of(begin, end, [](char c) { return c == '\0' || (c & 0x80); });
        for (int field = 0; field < maxCheckedFields; ++field) {
            const char *comma = std::find(begin, end, ',');
            const double reference = QString::fromUtf8(begin, int(comma - begin)).toDouble();
            if (!sameDouble(parseField(begin, comma), reference))
                fuzzing::fail("parseField differs from QString::toDouble");
            double value = 0.0;
            if (ascii &&
                (parseAsciiFieldAt(begin, end, value) != comma || !sameDouble(value, reference)))
                fuzzing::fail("parseAsciiFieldAt differs from QString::toDouble");
            if (comma == end)
                break;
            begin = comma + 1;
        }
        return;
    }
}

void checkStamps(const FileLines &lines)
{
    const QString formats[] = {QStringLiteral("dd MM yyyy hh mm ss"),
                               QStringLiteral("MM dd yyyy hh mm ss"),
                               QStringLiteral("yyyy MM dd hh mm ss")};
    for (const StampLine line : {StampLine::Acquired, StampLine::Printed}) {
        const auto text = findStampText(lines, line);
        const auto stamp = text ? normaliseTimeStamp(*text) : std::nullopt;
        for (const QString &format : formats) {
            if (stamp)
                AbstractImporter::convertTimeStamp(*stamp, format);
        }
    }
    // The conversion on its own: the first line as the stamp, the second as the format.
    if (lines.count() >= 2)
        AbstractImporter::convertTimeStamp(QString::fromUtf8(lines.line(0)),
                                           QString::fromUtf8(lines.line(1)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    [[maybe_unused]] static const bool ready = fuzzing::initialise("fuzz_text");
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    checkRowCount(input);
    const FileLines lines(input);
    parseChannelHeader(lines.line(lines.count() > 3 ? 3 : 0));
    acquisitionFolderName(QString::fromUtf8(lines.line(0)));
    checkStamps(lines);
    checkNumberFields(lines);
    return 0;
}
