// The acquisition folder's XML reader on arbitrary bytes, with the ordering and properties of
// the channels it finds and the ".d" name check on the data file it names.
#include "acquisitionfolder.h"
#include "agilentxmlreader.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    [[maybe_unused]] static const bool ready = fuzzing::initialise("fuzz_xml_reader");
    const QString path = fuzzing::scratch().filePath(QStringLiteral("input.xml"));
    fuzzing::writeFile(path, reinterpret_cast<const char *>(data), qsizetype(size));
    AgilentXmlReader reader(nullptr, path);
    const QHash<QString, QVariant> &table = *reader.read();
    const QStringList channels = orderedChannels(table);
    const ChannelProperties properties = channelProperties(table, channels);
    if (properties.dwellTimes.size() != channels.size())
        fuzzing::fail("not one dwell time per channel");
    acquisitionFolderName(table.value(QStringLiteral("Data File"))
                              .toHash()
                              .value(QStringLiteral("Value"))
                              .toString());
    return 0;
}
