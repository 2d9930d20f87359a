// The format test and the whole import of arbitrary bytes as an export, into the real data
// store. The input's length picks the time-line preference, so both header lines are read.
#include "agilentimporter.h"
#include "fuzzsupport.h"
#include "importsettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    [[maybe_unused]] static const bool ready = fuzzing::initialise("fuzz_import_csv");
    const QString path = fuzzing::scratch().filePath(QStringLiteral("export.csv"));
    fuzzing::writeFile(path, reinterpret_cast<const char *>(data), qsizetype(size));
    // The time-line preference's first two values name the Acquired and the Printed line.
    const PreferenceDeclaration &timeLine = importPreferences().at(0);
    fuzzing::setPreference(timeLine.key, timeLine.recognisedValues.at(int(size % 2)));
    AgilentImporter importer;
    fuzzing::importAndCheck(importer, path);
    return 0;
}
