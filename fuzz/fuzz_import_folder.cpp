// The import of an export inside an acquisition folder of a batch, whose metadata files are
// fuzzed too. The input holds the export, AcqMethod.xml, sample_info.xml, the batch's
// BatchLog.xml and BatchLog.csv and the acquisition's Devices.xml, in this order, separated by
// the line "#8<#"; a missing or empty part leaves its file out. The input's length picks the
// time-line preference, one of them the folder's acquisition time, and whether the method lies in
// the acquisition folder or in the batch's Method folder.
#include "acquisitionfolder.h"
#include "agilentimporter.h"
#include "fuzzsupport.h"
#include "importsettings.h"

namespace {

const QByteArray separator = QByteArrayLiteral("\n#8<#\n");
const QString folderName = QStringLiteral("run.d");
const QString batchName = QStringLiteral("day.b");
const int partCount = 6;

// The folder check compares the export's first line with the sample information: a first line
// that names no acquisition folder is made to name this one, so the folder branch is reached.
QByteArray withFolderLine(QByteArray csv)
{
    int lineEnd = csv.indexOf('\n');
    if (lineEnd < 0)
        lineEnd = csv.size();
    if (lineEnd > 0 && csv.at(lineEnd - 1) == '\r')
        --lineEnd;
    if (acquisitionFolderName(QString::fromUtf8(csv.left(lineEnd + 1))).isEmpty())
        csv.insert(lineEnd, "\\" + folderName.toLatin1());
    return csv;
}

// Up to partCount parts.
QList<QByteArray> splitInput(const QByteArray &input)
{
    QList<QByteArray> parts;
    int from = 0;
    for (int at; parts.size() < partCount - 1 && (at = input.indexOf(separator, from)) >= 0;) {
        parts.append(input.mid(from, at - from));
        from = at + separator.size();
    }
    parts.append(input.mid(from));
    return parts;
}

void placeFile(const QString &path, const QList<QByteArray> &parts, int index)
{
    if (index < parts.size() && !parts.at(index).isEmpty())
        fuzzing::writeFile(path, parts.at(index).constData(), parts.at(index).size());
    else
        QFile::remove(path);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzing::initialise("fuzz_import_folder");
    QDir batch(fuzzing::scratch().filePath(batchName));
    batch.mkpath(folderName + QStringLiteral("/AcqData"));
    batch.mkpath(QStringLiteral("Method"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    QList<QByteArray> parts = splitInput(input);
    parts[0] = withFolderLine(parts[0]);

    const QDir batch(fuzzing::scratch().filePath(batchName));
    const QDir folder(batch.filePath(folderName));
    const QString csvPath = folder.filePath(QStringLiteral("run.csv"));
    const bool methodInBatch = size / 3 % 2 == 1;
    placeFile(csvPath, parts, 0);
    placeFile(folder.filePath(QStringLiteral("AcqMethod.xml")), parts,
              methodInBatch ? partCount : 1);
    placeFile(batch.filePath(QStringLiteral("Method/AcqMethod.xml")), parts,
              methodInBatch ? 1 : partCount);
    placeFile(folder.filePath(QStringLiteral("AcqData/sample_info.xml")), parts, 2);
    placeFile(batch.filePath(QStringLiteral("Method/BatchLog.xml")), parts, 3);
    placeFile(batch.filePath(QStringLiteral("BatchLog.csv")), parts, 4);
    placeFile(folder.filePath(QStringLiteral("AcqData/Devices.xml")), parts, 5);
    // The time-line preference's values: the Acquired line, the Printed line, XML time.
    const PreferenceDeclaration &timeLine = importPreferences().at(0);
    fuzzing::setPreference(timeLine.key, timeLine.recognisedValues.at(int(size % 3)));
    AgilentImporter importer;
    fuzzing::importAndCheck(importer, csvPath);
    return 0;
}
