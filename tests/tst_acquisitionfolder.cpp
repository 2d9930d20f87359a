// The acquisition folder beside an export: finding and checking its XML files, and what an
// import takes from them (channel order, dwell times, mass pairs, label, instrument, time).
#include "acquisitionfolder.h"
#include "agilentimporter.h"
#include "importtesting.h"

#include <QtTest>

class TestAcquisitionFolder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void folderName_data();
    void folderName();
    void folderChecks_data();
    void folderChecks();
    void labelPreference_data();
    void labelPreference();
    void acquisitionTimeIsUtc();
    void channelOrdering_data();
    void channelOrdering();
    void importThroughTheFolder_data();
    void importThroughTheFolder();
    void secondImportHandsOnItsOwnProperties();
    void channelCountMismatchIsReported();
    void bundledExamples_data();
    void bundledExamples();
    void batchLayouts_data();
    void batchLayouts();
    void channelsFollowTheHeader_data();
    void channelsFollowTheHeader();
    void intensityUnit_data();
    void intensityUnit();
    void clockChange_data();
    void clockChange();
    void monthFirstStampBesideBatchLog();
    void asynchronousImportOfAFolder();

private:
    QTemporaryDir dir;
};

namespace {

struct Element
{
    QString symbol;
    QString mz;
    QString selectedMz; // empty: not mass-shifted
    QString dwell;
};

// One acquisition as a batch log records it.
struct BatchEntry
{
    QString dataFile;
    QString sample;
    QString time;
    QString result;
};

// Where the instrument software keeps the method and the sample record.
enum Layout {
    InFolder, // <name>.d/AcqMethod.xml and <name>.d/AcqData/sample_info.xml
    BatchXml, // demo.b/Method/AcqMethod.xml and demo.b/Method/BatchLog.xml
    BatchCsv, // demo.b/Method/AcqMethod.xml and demo.b/BatchLog.csv
    BatchBoth // both batch logs, the XML one without this acquisition
};

// An acquisition folder <name>.d with the export, its method and its sample record, laid out as
// the layout says.
struct Acquisition
{
    QString folderName = QStringLiteral("Run1.d");
    QByteArray firstLine = "D:\\DATA\\demo.b\\Run1.d";
    QString dataFileValue = QStringLiteral("D:\\DATA\\demo.b\\Run1.d");
    QString acqTime = QStringLiteral("2020-11-18T13:24:29Z");
    QString instrument = QStringLiteral("G8900A  SG123 ");
    bool withInstrument = true;
    bool withAcqData = true;
    QByteArray header = "Time [Sec],Li7,Na23";
    QList<QByteArray> rows{"0.5,1,2", "1.0,3,4"};
    QByteArray lineEnd = "\r\n";
    QList<Element> elements{{"Na", "23", "", "0.002"}, {"Li", "7", "", "0.005"}};
    Layout layout = InFolder;
    QByteArray stampLine = "Acquired      : 18/11/2020 14:24:29 using Batch demo.b";
    QByteArray unitLine = "Intensity Vs Time,CPS";
    QList<BatchEntry> log{{"D:\\DATA\\demo.b\\Run0.d", "B-00", "2020-11-18T14:20:00+11:00", "Pass"},
                        {"D:\\DATA\\demo.b\\Run1.d", "B-01", "2020-11-18T14:24:29+11:00", "Pass"}};
    QString devices; // "model serial" of Run1.d/AcqData/Devices.xml; empty: none

    QString writeTo(const QString &root) const
    {
        QDir folder(root);
        if (layout != InFolder) {
            folder.mkpath(QStringLiteral("demo.b/Method"));
            folder.cd(QStringLiteral("demo.b"));
        }
        folder.mkpath(folderName + (withAcqData ? QStringLiteral("/AcqData") : QString()));
        QByteArray csv = exportText(rows, header, stampLine, lineEnd);
        csv.replace(0, csv.indexOf('\r') < 0 ? csv.indexOf('\n') : csv.indexOf(lineEnd), firstLine);
        csv.replace("Intensity Vs Time,CPS", unitLine);
        const QString csvPath = folder.filePath(folderName + QStringLiteral("/Run1.csv"));
        writeBytes(csvPath, csv);
        if (!devices.isEmpty())
            writeBytes(folder.filePath(folderName + QStringLiteral("/AcqData/Devices.xml")),
                       "<Devices><Version>1</Version><Device><Name>ICPQQQ</Name><ModelNumber>"
                           + devices.section(' ', 0, 0).toUtf8() + "</ModelNumber><SerialNumber>"
                           + devices.section(' ', 1).toUtf8() + "</SerialNumber></Device></Devices>");
        if (layout == InFolder) {
            folder.cd(folderName);
            writeBytes(folder.filePath(QStringLiteral("AcqMethod.xml")), method());
            writeBytes(folder.filePath(withAcqData ? QStringLiteral("AcqData/sample_info.xml")
                                                   : QStringLiteral("sample_info.xml")),
                       sampleInfo());
            return csvPath;
        }
        writeBytes(folder.filePath(QStringLiteral("Method/AcqMethod.xml")), method());
        if (layout == BatchXml || layout == BatchBoth)
            writeBytes(folder.filePath(QStringLiteral("Method/BatchLog.xml")), batchLogXml());
        if (layout == BatchCsv || layout == BatchBoth)
            writeBytes(folder.filePath(QStringLiteral("BatchLog.csv")), batchLogCsv());
        return csvPath;
    }

    QByteArray batchLogXml() const
    {
        QByteArray xml = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<BatchLogDataSet xmlns=\"BatchLog\">\r\n";
        for (const BatchEntry &e : log) {
            if (layout == BatchBoth && e.dataFile.endsWith(folderName))
                continue;
            xml += QStringLiteral("<BatchLogInfo><AcqDateTime>%1</AcqDateTime><AcqResult>%2</AcqResult><DataFileName>%3</DataFileName><SampleName>%4</SampleName><ErrorMessage /></BatchLogInfo>\r\n")
                       .arg(e.time, e.result, e.dataFile, e.sample).toUtf8();
        }
        return xml + "</BatchLogDataSet>";
    }

    // The CSV log writes local times as the instrument's clock shows them.
    QByteArray batchLogCsv() const
    {
        QByteArray csv = "#,Acq. Date-Time,Sample Type,Sample Name,Vial#,File Name,Acquisition Result,Comment,\r\n";
        int row = 1;
        for (const BatchEntry &e : log)
            csv += QStringLiteral("%1,%2,Sample,%3,<Manual>,%4,%5,-,\r\n").arg(row++).arg(e.time, e.sample, e.dataFile, e.result).toUtf8();
        return csv;
    }

    QByteArray method() const
    {
        QByteArray xml = "<?xml version=\"1.0\"?>\n<AcquisitionDataSet xmlns=\"Acquisition\">\n";
        for (const Element &e : elements) {
            xml += "<IcpmsElement><ElementName>" + e.symbol.toUtf8() + "</ElementName><MZ>" + e.mz.toUtf8() + "</MZ>";
            if (!e.selectedMz.isEmpty())
                xml += "<SelectedMZ>" + e.selectedMz.toUtf8() + "</SelectedMZ>";
            xml += "<IntegrationTime>" + e.dwell.toUtf8() + "</IntegrationTime></IcpmsElement>\n";
        }
        return xml + "</AcquisitionDataSet>\n";
    }

    QByteArray sampleInfo() const
    {
        const auto field = [](const QString &name, const QString &value) {
            return QStringLiteral("<Field><Name>%1</Name><Value>%2</Value></Field>\n").arg(name, value.toHtmlEscaped()).toUtf8();
        };
        QByteArray xml = "<SampleInfo><Version>1</Version>\n";
        xml += field(QStringLiteral("Data File"), dataFileValue);
        xml += field(QStringLiteral("Sample Name"), QStringLiteral("NIST612"));
        xml += field(QStringLiteral("Comment"), QStringLiteral("spot 3"));
        if (withInstrument)
            xml += field(QStringLiteral("InstrumentName"), instrument);
        if (!acqTime.isNull())
            xml += field(QStringLiteral("AcqTime"), acqTime);
        return xml + "</SampleInfo>\n";
    }
};

} // namespace
Q_DECLARE_METATYPE(QList<Element>)
Q_DECLARE_METATYPE(QList<BatchEntry>)
Q_DECLARE_METATYPE(Layout)
namespace {

QStringList pairTexts(const MassPairList &pairs)
{
    QStringList texts;
    for (const MassPair &pair : pairs)
        texts.append(pair.first + QLatin1Char('>') + pair.second);
    return texts;
}

} // namespace

void TestAcquisitionFolder::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(dir.isValid());
}

void TestAcquisitionFolder::init()
{
    QSettings().clear();
    TsLog().clear();
    Session()->data()->clear();
}

void TestAcquisitionFolder::folderName_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::newRow("CR LF after the name") << "D:\\DATA\\b.b\\run1.d\r\n" << "run1.d";
    QTest::newRow("comma, CR LF") << "D:\\DATA\\b.b\\run1.d,\r\n" << "run1.d";
    QTest::newRow("two commas, CR LF") << "D:\\DATA\\b.b\\run1.d,,\r\n" << "";
    QTest::newRow("two commas, LF") << "D:\\DATA\\b.b\\run1.d,,\n" << "run1.d";
    QTest::newRow("backslash after the folder") << "D:\\DATA\\run1.d\\" << "run1.d";
    QTest::newRow("blanks, plus and hyphen") << "D:\\x\\Au-Cd ionic+2.d" << "Au-Cd ionic+2.d";
    QTest::newRow("forward slashes") << "D:/DATA/b.b/run1.d" << "";
    QTest::newRow("non-ASCII letter") << "D:\\DATA\\mesur\xc3\xa9.d" << "";
    QTest::newRow("upper-case D") << "C:\\DATA\\STD-3.D\r\n" << "";
    QTest::newRow("a file, not a folder") << "D:\\DATA\\run1.csv" << "";
}

void TestAcquisitionFolder::folderName()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    QCOMPARE(acquisitionFolderName(text), name);
}

void TestAcquisitionFolder::folderChecks_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<bool>("used");
    QTest::newRow("matching folder") << 0 << true;
    QTest::newRow("no AcqData folder: sample information beside the export") << 1 << true;
    QTest::newRow("names differ in case") << 2 << false;
    QTest::newRow("CR-only export: first line runs to the end") << 3 << false;
    QTest::newRow("Data File written with forward slashes") << 4 << false;
    QTest::newRow("empty AcqTime") << 5 << false;
    QTest::newRow("AcqTime with a blank instead of T") << 6 << false;
    QTest::newRow("no AcqTime field") << 7 << false;
    QTest::newRow("first line ends with a comma") << 8 << true;
}

void TestAcquisitionFolder::folderChecks()
{
    QFETCH(int, variant);
    QFETCH(bool, used);
    Acquisition acquisition;
    switch (variant) {
    case 1: acquisition.withAcqData = false; break;
    case 2: acquisition.dataFileValue = QStringLiteral("D:\\DATA\\demo.b\\run1.d"); break;
    case 3: acquisition.lineEnd = "\r"; break;
    case 4: acquisition.dataFileValue = QStringLiteral("D:/DATA/demo.b/Run1.d"); break;
    case 5: acquisition.acqTime = QStringLiteral(""); break;
    case 6: acquisition.acqTime = QStringLiteral("2020-11-18 13:24:29"); break;
    case 7: acquisition.acqTime = QString(); break;
    case 8: acquisition.firstLine += ","; break;
    }
    QTemporaryDir root(dir.filePath(QStringLiteral("case-XXXXXX")));
    AgilentImporter importer;
    importer.fileName = acquisition.writeTo(root.path());
    importer.importData(true);
    const auto stored = Session()->data()->rawInputFor(importer.fileName);
    QVERIFY(stored);
    QCOMPARE(stored->machineName, used ? QStringLiteral("Agilent G8900A SG123") : QString());
    QCOMPARE(stored->dwellTimes.size(), used ? 2 : 0);
    const bool logged = !TsLog().entries().isEmpty()
                        && TsLog().entries().at(0).message.startsWith(QStringLiteral("Loading Agilent xml files\r"));
    QCOMPARE(logged, variant != 1 || used);
}

void TestAcquisitionFolder::labelPreference_data()
{
    QTest::addColumn<QString>("preference");
    QTest::addColumn<QString>("sampleName");
    QTest::newRow("absent: Sample Name field") << QString() << "NIST612";
    QTest::newRow("Comment field") << "Use Comment Field" << "spot 3";
    QTest::newRow("same words in lower case: folder not used") << "use comment field" << "Run1.d";
}

void TestAcquisitionFolder::labelPreference()
{
    QFETCH(QString, preference);
    QFETCH(QString, sampleName);
    if (!preference.isNull())
        QSettings().setValue(QStringLiteral("agilentXMLLabelField"), preference);
    QTemporaryDir root(dir.filePath(QStringLiteral("case-XXXXXX")));
    AgilentImporter importer;
    importer.fileName = Acquisition().writeTo(root.path());
    SignalLog log(importer);
    importer.importData(true);
    QVERIFY(log.entries.contains("sampleNames(" + sampleName + ")"));
}

void TestAcquisitionFolder::acquisitionTimeIsUtc()
{
    QSettings().setValue(QStringLiteral("agilentTimeLineOption"), QStringLiteral("Use XML Time"));
    QTemporaryDir root(dir.filePath(QStringLiteral("case-XXXXXX")));
    Acquisition acquisition;
    acquisition.acqTime = QStringLiteral("2019-10-29T02:08:11Z");
    acquisition.withInstrument = false;
    AgilentImporter importer;
    importer.fileName = acquisition.writeTo(root.path());
    importer.importData(true);
    const QDateTime expected(QDate(2019, 10, 29), QTime(2, 8, 11), Qt::UTC);
    QCOMPARE(importer.acquisitionTime.timeSpec(), Qt::LocalTime);
    QCOMPARE(importer.acquisitionTime.toUTC(), expected);
    QCOMPARE(importer.instrumentName, QStringLiteral("Agilent"));
    const auto stored = Session()->data()->rawInputFor(importer.fileName);
    QCOMPARE(stored->start, expected);
    QCOMPARE(stored->time[0], double(expected.toMSecsSinceEpoch()) / 1000.0 + 0.5);
}

void TestAcquisitionFolder::channelOrdering_data()
{
    QTest::addColumn<QList<Element>>("elements");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<QStringList>("pairs");
    QTest::newRow("single quadrupole by m/z")
        << QList<Element>{{"Pb", "208", "", "0.01"}, {"Li", "7", "", "0.02"}, {"In", "115", "", "0.03"}}
        << QStringList{"Li7", "In115", "Pb208"} << QStringList();
    QTest::newRow("tandem by pre-shift, then post-shift mass")
        << QList<Element>{{"Ti", "64", "48", "0.01"}, {"Ti", "63", "47", "0.02"}, {"Ti", "48", "48", "0.03"}}
        << QStringList{"Ti47", "Ti48_48", "Ti48"} << QStringList{"47>63", "48>48", "48>64"};
    QTest::newRow("mixed kinds: unshifted sorts by its m/z, pairs stay aligned")
        << QList<Element>{{"P", "47", "31", "0.01"}, {"Sr", "88", "", "0.02"}, {"Li", "7", "", "0.03"}, {"Ti", "64", "48", "0.04"}}
        << QStringList{"Li7", "P31", "Ti48", "Sr88"} << QStringList{"7>7", "31>47", "48>64", "88>88"};
}

void TestAcquisitionFolder::channelOrdering()
{
    QFETCH(QList<Element>, elements);
    QFETCH(QStringList, order);
    QFETCH(QStringList, pairs);
    QTemporaryDir root(dir.filePath(QStringLiteral("case-XXXXXX")));
    Acquisition acquisition;
    acquisition.elements = elements;
    acquisition.header = "Time [Sec],A1,B2,C3";
    acquisition.rows = {"0.5,1,2,3", "1.0,4,5,6"};
    AgilentImporter importer;
    importer.fileName = acquisition.writeTo(root.path());
    SignalLog log(importer);
    importer.importData(true);
    QCOMPARE(importer.channelOrder, order);
    QCOMPARE(pairTexts(importer.massPairs), pairs);
    QCOMPARE(importer.dwellTimes.size(), order.size());
    // Every pair reaches the host under the channel it belongs to.
    for (int i = 0; i < pairs.size(); ++i)
        QCOMPARE(pairTexts({log.sharedMasses.value(order.at(i))}), QStringList{pairs.at(i)});
}

void TestAcquisitionFolder::importThroughTheFolder_data()
{
    QTest::addColumn<QString>("timeLineOption");
    QTest::addColumn<QDateTime>("start");
    QTest::newRow("CSV time") << QString() << QDateTime(QDate(2020, 11, 18), QTime(14, 24, 29));
    QTest::newRow("XML time") << "Use XML Time" << QDateTime(QDate(2020, 11, 18), QTime(13, 24, 29), Qt::UTC);
}

void TestAcquisitionFolder::importThroughTheFolder()
{
    QFETCH(QString, timeLineOption);
    QFETCH(QDateTime, start);
    if (!timeLineOption.isNull())
        QSettings().setValue(QStringLiteral("agilentTimeLineOption"), timeLineOption);
    QTemporaryDir root(dir.filePath(QStringLiteral("case-XXXXXX")));
    Acquisition acquisition;
    acquisition.header = "not a channel header"; // never read when the folder is used
    AgilentImporter importer;
    importer.fileName = acquisition.writeTo(root.path());
    SignalLog log(importer);
    importer.importData(true);
    const auto stored = Session()->data()->rawInputFor(importer.fileName);
    QVERIFY(stored);
    QCOMPARE(stored->channelNames, (QStringList{"Li7", "Na23"}));
    QCOMPARE(stored->dwellTimes, (QList<float>{0.005f, 0.002f}));
    QVERIFY(stored->massPairs.isEmpty());
    QCOMPARE(stored->start, start);
    QCOMPARE(stored->machineName, QStringLiteral("Agilent G8900A SG123"));
    QCOMPARE(stored->channels.value(QStringLiteral("Na23"))[1], 4.0);
    QCOMPARE(stored->time[1], double(start.toMSecsSinceEpoch()) / 1000.0 + 1.0);
    QVERIFY(log.entries.contains(QStringLiteral("sampleNames(NIST612)")));
    QCOMPARE(Session()->data()->files().at(0).dynamicCast<ImportedMassSpecFile>()->machineName, stored->machineName);
}

void TestAcquisitionFolder::secondImportHandsOnItsOwnProperties()
{
    QTemporaryDir first(dir.filePath(QStringLiteral("case-XXXXXX")));
    QTemporaryDir second(dir.filePath(QStringLiteral("case-XXXXXX")));
    Acquisition shifted;
    shifted.elements = {{"Ti", "64", "48", "0.01"}, {"P", "47", "31", "0.02"}};
    Acquisition plain;
    plain.elements = {{"Sr", "88", "", "0.03"}};
    plain.header = "Time [Sec],Sr88";
    plain.rows = {"0.5,1", "1.0,2"};

    AgilentImporter importer;
    importer.fileName = shifted.writeTo(first.path());
    importer.importData(true);
    importer.fileName = plain.writeTo(second.path());
    importer.importData(true);
    const auto stored = Session()->data()->rawInputFor(importer.fileName);
    QCOMPARE(stored->channelNames, QStringList{"Sr88"});
    QCOMPARE(stored->dwellTimes, QList<float>{0.03f});
    QVERIFY(stored->massPairs.isEmpty());
}

void TestAcquisitionFolder::channelCountMismatchIsReported()
{
    QTemporaryDir root(dir.filePath(QStringLiteral("case-XXXXXX")));
    Acquisition acquisition;
    acquisition.elements.append({"Mg", "24", "", "0.01"});
    AgilentImporter importer;
    importer.fileName = acquisition.writeTo(root.path());
    importer.importData(true);
    QCOMPARE(loggedWarnings(), QStringList{QStringLiteral("The acquisition method of \"%1\" lists 3 channels but its first data line holds 2 values; values are given to channels by position. Only in the method: Mg24. Only in the channel header: none.").arg(importer.fileName)});
    QVERIFY(Session()->data()->rawInputFor(importer.fileName)); // the import goes on
}

void TestAcquisitionFolder::bundledExamples_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("channels");
    QTest::addColumn<QStringList>("pairs");
    QTest::addColumn<QString>("sample");
    QTest::newRow("single quadrupole glass") << "GlassStd_01.d/GlassStd_01.csv"
        << QStringList{"Li7", "Na23", "Mg24", "Al27", "Si29", "Ca43", "Ti47", "Sr88", "Ba137", "Pb208"}
        << QStringList() << "NIST612";
    QTest::newRow("tandem apatite") << "Apatite_MSMS_02.d/Apatite_MSMS_02.csv"
        << QStringList{"P31", "Ca44", "Ti47", "Ti48", "Sr88", "La139"}
        << QStringList{"31>47", "44>44", "47>63", "48>64", "88>88", "139>155"} << "Durango";
}

void TestAcquisitionFolder::bundledExamples()
{
    QFETCH(QString, file);
    QFETCH(QStringList, channels);
    QFETCH(QStringList, pairs);
    QFETCH(QString, sample);
    AgilentImporter importer;
    importer.fileName = QStringLiteral(TESSEL_EXAMPLES "/") + file;
    SignalLog log(importer);
    importer.importData(true);
    const auto stored = Session()->data()->rawInputFor(importer.fileName);
    QVERIFY(stored);
    QCOMPARE(stored->channelNames, channels);
    QCOMPARE(pairTexts(stored->massPairs), pairs);
    QCOMPARE(stored->dwellTimes.size(), channels.size());
    QVERIFY(log.entries.contains("sampleNames(" + sample + ")"));
    QVERIFY(stored->machineName.startsWith(QStringLiteral("Agilent G8")));
    QCOMPARE(loggedWarnings(), QStringList());
}

void TestAcquisitionFolder::batchLayouts_data()
{
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<QList<BatchEntry>>("log");
    QTest::addColumn<QString>("devices");
    QTest::addColumn<QString>("recordFile");  // the sample record's file name; empty: folder not used
    QTest::addColumn<QString>("sample");
    QTest::addColumn<QString>("machine");
    QTest::addColumn<QDateTime>("instant");
    const Acquisition usual;
    const QDateTime withOffset = QDateTime::fromString("2020-11-18T14:24:29+11:00", Qt::ISODate);
    const QString other = "D:\\DATA\\demo.b\\Run2.d";
    QTest::newRow("batch log XML names the folder")
        << BatchXml << usual.log << "G3665A SG1" << "BatchLog.xml" << "B-01" << "Agilent G3665A SG1" << withOffset;
    QTest::newRow("batch log XML without Devices.xml")
        << BatchXml << usual.log << "" << "BatchLog.xml" << "B-01" << "Agilent" << withOffset;
    QTest::newRow("batch log entries name other folders only")
        << BatchXml << QList<BatchEntry>{{other, "B-02", "2020-11-18T14:30:00+11:00", "Pass"}} << ""
        << "" << "Run1.d" << "" << QDateTime();
    QTest::newRow("entry names the folder in another case")
        << BatchXml << QList<BatchEntry>{{"D:\\DATA\\demo.b\\run1.d", "B-01", "2020-11-18T14:24:29+11:00", "Pass"}}
        << "" << "" << "Run1.d" << "" << QDateTime();
    QTest::newRow("BatchLog.csv only, local clock")
        << BatchCsv << QList<BatchEntry>{{other, "B-02", "18/11/2020 2:30:00 PM", "Pass"}, {"D:\\DATA\\demo.b\\Run1.d", "B-01", "18/11/2020 2:24:29 PM", "Fail"}}
        << "" << "BatchLog.csv" << "B-01" << "Agilent" << QDateTime(QDate(2020, 11, 18), QTime(14, 24, 29));
    QTest::newRow("XML log lacks the folder, CSV log has it")
        << BatchBoth << QList<BatchEntry>{{other, "B-02", "2020-11-18T14:30:00+11:00", "Pass"}, {"D:\\DATA\\demo.b\\Run1.d", "B-01", "2020/11/18 14:24:29", "Pass"}}
        << "" << "BatchLog.csv" << "B-01" << "Agilent" << QDateTime(QDate(2020, 11, 18), QTime(14, 24, 29));
    QTest::newRow("re-run acquisition: the last entry wins")
        << BatchXml << QList<BatchEntry>{{"D:\\DATA\\demo.b\\Run1.d", "first", "2020-11-18T10:00:00+11:00", "Fail"}, usual.log.at(1)}
        << "" << "BatchLog.xml" << "B-01" << "Agilent" << withOffset;
}

void TestAcquisitionFolder::batchLayouts()
{
    QFETCH(Layout, layout);
    QFETCH(QList<BatchEntry>, log);
    QFETCH(QString, devices);
    QFETCH(QString, recordFile);
    QFETCH(QString, sample);
    QFETCH(QString, machine);
    QFETCH(QDateTime, instant);
    QTemporaryDir root(dir.filePath(QStringLiteral("case-XXXXXX")));
    Acquisition acquisition;
    acquisition.layout = layout;
    acquisition.log = log;
    acquisition.devices = devices;
    acquisition.header = "Time [Sec],Na23,Li7";
    AgilentImporter importer;
    importer.fileName = acquisition.writeTo(root.path());
    SignalLog signalLog(importer);
    importer.importData(true);
    const auto stored = Session()->data()->rawInputFor(importer.fileName);
    QVERIFY(stored);
    QVERIFY2(signalLog.entries.contains("sampleNames(" + sample + ")"), qPrintable(signalLog.entries.join('\n')));
    QCOMPARE(stored->machineName, machine);
    const QVariantMap report = importer.property("importReport").toMap();
    const QVariantMap folder = report.value("acquisitionFolder").toMap();
    QCOMPARE(QFileInfo(folder.value("sampleRecordFile").toString()).fileName(), recordFile);
    QVERIFY(report.contains("batchLog")); // every batch layout has a log for the overview
    if (recordFile.isEmpty()) {
        QVERIFY(stored->dwellTimes.isEmpty());
        return;
    }
    QCOMPARE(stored->channelNames, (QStringList{"Na23", "Li7"}));
    QCOMPARE(stored->dwellTimes, (QList<float>{0.002f, 0.005f}));
    QVERIFY(folder.value("methodFile").toString().endsWith("demo.b/Method/AcqMethod.xml"));
    QCOMPARE(folder.value("instrumentFile").toString().isEmpty(), devices.isEmpty());
    const QDateTime acquired = folder.value("acquisitionInstant").toDateTime();
    QCOMPARE(acquired, instant);
    QCOMPARE(acquired.offsetFromUtc(), instant.offsetFromUtc());
    QCOMPARE(importer.acquisitionTime, instant);
}

void TestAcquisitionFolder::channelsFollowTheHeader_data()
{
    QTest::addColumn<QList<Element>>("elements");
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("row");
    QTest::addColumn<QStringList>("channels");
    QTest::addColumn<QStringList>("pairs");
    QTest::addColumn<QList<double>>("values"); // the first row, by channel
    QTest::addColumn<QString>("warning");      // a part of the one warning; empty: none
    QTest::newRow("header order differs from the method's m/z order")
        << QList<Element>{{"Li", "7", "", "0.01"}, {"Pb", "208", "", "0.02"}} << QByteArray("Time [Sec],Pb208,Li7")
        << QByteArray("0.5,100,7") << QStringList{"Pb208", "Li7"} << QStringList() << QList<double>{100, 7} << QString();
    QTest::newRow("single-quad method of a tandem instrument: SelectedMZ equal to MZ")
        << QList<Element>{{"Li", "7", "7", "0.01"}, {"Pb", "208", "208", "0.02"}} << QByteArray("Time [Sec],Pb208,Li7")
        << QByteArray("0.5,100,7") << QStringList{"Pb208", "Li7"} << QStringList{"208>208", "7>7"} << QList<double>{100, 7} << QString();
    QTest::newRow("MS/MS with a repeated element")
        << QList<Element>{{"Ti", "64", "48", "0.01"}, {"Ti", "48", "48", "0.02"}, {"P", "47", "31", "0.03"}}
        << QByteArray("Time [Sec],Ti48 -> 64,Ti48 -> 48,P31 -> 47") << QByteArray("0.5,64,48,31")
        << QStringList{"Ti48", "Ti48_48", "P31"} << QStringList{"48>64", "48>48", "31>47"} << QList<double>{64, 48, 31} << QString();
    QTest::newRow("a channel on one side only: by position, named in the warning")
        << QList<Element>{{"Li", "7", "", "0.01"}, {"Mg", "24", "", "0.02"}} << QByteArray("Time [Sec],Na23,Li7")
        << QByteArray("0.5,23,7") << QStringList{"Li7", "Mg24"} << QStringList() << QList<double>{23, 7}
        << "Only in the method: Mg24. Only in the channel header: Na23.";
    QTest::newRow("unreadable header: method order, no warning")
        << QList<Element>{{"Li", "7", "", "0.01"}, {"Pb", "208", "", "0.02"}} << QByteArray("not a header")
        << QByteArray("0.5,1,2") << QStringList{"Li7", "Pb208"} << QStringList() << QList<double>{1, 2} << QString();
}

void TestAcquisitionFolder::channelsFollowTheHeader()
{
    QFETCH(QList<Element>, elements);
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, row);
    QFETCH(QStringList, channels);
    QFETCH(QStringList, pairs);
    QFETCH(QList<double>, values);
    QFETCH(QString, warning);
    QTemporaryDir root(dir.filePath(QStringLiteral("case-XXXXXX")));
    Acquisition acquisition;
    acquisition.elements = elements;
    acquisition.header = header;
    acquisition.rows = {row, row};
    AgilentImporter importer;
    importer.fileName = acquisition.writeTo(root.path());
    SignalLog log(importer);
    importer.importData(true);
    const auto stored = Session()->data()->rawInputFor(importer.fileName);
    QVERIFY(stored);
    QCOMPARE(stored->channelNames, channels);
    QCOMPARE(pairTexts(stored->massPairs), pairs);
    for (int i = 0; i < channels.size(); ++i) {
        QCOMPARE(stored->channels.value(channels.at(i))[0], values.at(i));
        // Each channel keeps its own dwell time and pair wherever it stands.
        const Element element = *std::find_if(elements.cbegin(), elements.cend(), [&](const Element &e) {
            return channels.at(i).startsWith(e.symbol) && (e.selectedMz.isEmpty() || pairs.at(i) == e.selectedMz + '>' + e.mz);
        });
        QCOMPARE(stored->dwellTimes.at(i), element.dwell.toFloat());
    }
    const QStringList warnings = loggedWarnings();
    QCOMPARE(warnings.size(), warning.isEmpty() ? 0 : 1);
    if (!warning.isEmpty())
        QVERIFY2(warnings.first().contains(warning), qPrintable(warnings.first()));
}

void TestAcquisitionFolder::intensityUnit_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<bool>("warned");
    QTest::newRow("CPS") << QByteArray("Intensity Vs Time,CPS") << "CPS" << false;
    QTest::newRow("Counts, padded by a spreadsheet") << QByteArray("Intensity Vs Time,Counts,,,") << "Counts" << true;
    QTest::newRow("no unit") << QByteArray("Intensity Vs Time,,,,") << "" << false;
}

void TestAcquisitionFolder::intensityUnit()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, unit);
    QFETCH(bool, warned);
    QTemporaryDir root(dir.filePath(QStringLiteral("case-XXXXXX")));
    Acquisition acquisition;
    acquisition.unitLine = line;
    acquisition.acqTime.clear(); // the export alone
    AgilentImporter importer;
    importer.fileName = acquisition.writeTo(root.path());
    importer.importData(true);
    const auto stored = Session()->data()->rawInputFor(importer.fileName);
    QVERIFY(stored);
    QCOMPARE(stored->channels.value("Li7")[0], 1.0); // values as written, whatever the unit
    QCOMPARE(importer.property("importReport").toMap().value("intensityUnit").toString(), unit);
    const QStringList warnings = loggedWarnings();
    QCOMPARE(warnings.size(), warned ? 1 : 0);
    if (warned)
        QVERIFY(warnings.first().contains("counts per dwell time (\"Counts\"), not counts per second"));
}

void TestAcquisitionFolder::clockChange_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QByteArray>("stamp");
    QTest::addColumn<QString>("acqTime");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<bool>("gapWarning");
    const QString cet = "Europe/Berlin";
    QTest::newRow("Berlin: stamp in the skipped hour reads one hour later")
        << QByteArray("Europe/Berlin") << QByteArray("28/03/2021 02:30:00") << "" << ""
        << QDateTime(QDate(2021, 3, 28), QTime(1, 30), Qt::UTC) << true;
    QTest::newRow("New York: stamp in the skipped hour reads one hour later")
        << QByteArray("America/New_York") << QByteArray("14/03/2021 02:30:00") << "" << ""
        << QDateTime(QDate(2021, 3, 14), QTime(7, 30), Qt::UTC) << true;
    QTest::newRow("Berlin: the hour after the change is as written")
        << QByteArray("Europe/Berlin") << QByteArray("28/03/2021 03:30:00") << "" << ""
        << QDateTime(QDate(2021, 3, 28), QTime(1, 30), Qt::UTC) << false;
    QTest::newRow("Berlin: AcqTime in the local clock's skipped hour is a valid UTC time")
        << QByteArray("Europe/Berlin") << QByteArray("28/03/2021 04:30:00") << "2021-03-28T02:30:00Z" << "Use XML Time"
        << QDateTime(QDate(2021, 3, 28), QTime(2, 30), Qt::UTC) << false;
    QTest::newRow("New York: AcqTime in the local clock's skipped hour is a valid UTC time")
        << QByteArray("America/New_York") << QByteArray("13/03/2021 21:30:00") << "2021-03-14T02:30:00Z" << "Use XML Time"
        << QDateTime(QDate(2021, 3, 14), QTime(2, 30), Qt::UTC) << false;
}

void TestAcquisitionFolder::clockChange()
{
    QFETCH(QByteArray, zone);
    QFETCH(QByteArray, stamp);
    QFETCH(QString, acqTime);
    QFETCH(QString, option);
    QFETCH(QDateTime, start);
    QFETCH(bool, gapWarning);
    if (qgetenv("TZ") != zone)
        QSKIP("a case of another time zone");
    if (!option.isEmpty())
        QSettings().setValue(QStringLiteral("agilentTimeLineOption"), option);
    QTemporaryDir root(dir.filePath(QStringLiteral("case-XXXXXX")));
    Acquisition acquisition;
    acquisition.stampLine = "Acquired      : " + stamp + " using Batch demo.b";
    acquisition.acqTime = acqTime;
    AgilentImporter importer;
    importer.fileName = acquisition.writeTo(root.path());
    importer.importData(true);
    const auto stored = Session()->data()->rawInputFor(importer.fileName);
    QVERIFY2(stored, qPrintable(loggedWarnings().join('\n')));
    QCOMPARE(stored->start.toUTC(), start);
    const QStringList warnings = loggedWarnings();
    QCOMPARE(warnings.size(), gapWarning ? 1 : 0);
    if (gapWarning)
        QVERIFY2(warnings.first().contains("skips at its change to summer time"), qPrintable(warnings.first()));
}

// A month-first stamp with a day of 12 or less reads as a valid, wrong date; the batch log's own
// time of the acquisition gives it away, and the warning says which format reads it right.
void TestAcquisitionFolder::monthFirstStampBesideBatchLog()
{
    QTemporaryDir root(dir.filePath(QStringLiteral("case-XXXXXX")));
    Acquisition acquisition;
    acquisition.layout = BatchCsv;
    acquisition.stampLine = "Acquired      : 2/9/2026 3:16:22 PM using Batch demo.b";
    acquisition.log = {{"D:\\DATA\\demo.b\\Run1.d", "Cells", "2/9/2026 3:16:22 PM", "Pass"}};
    AgilentImporter importer;
    importer.fileName = acquisition.writeTo(root.path());
    importer.importData(true);
    const auto stored = Session()->data()->rawInputFor(importer.fileName);
    QVERIFY(stored);
    // The batch log is read under the same preference, so both agree and nothing is said.
    QVERIFY(loggedWarnings().isEmpty());

    // The export's stamp read day-first, the acquisition 9 February by the XML log.
    acquisition.layout = BatchXml;
    acquisition.log = {{"D:\\DATA\\demo.b\\Run1.d", "Cells", QDateTime(QDate(2026, 2, 9), QTime(15, 16, 22)).toOffsetFromUtc(3600).toString(Qt::ISODate), "Pass"}};
    QTemporaryDir second(dir.filePath(QStringLiteral("case-XXXXXX")));
    importer.fileName = acquisition.writeTo(second.path());
    TsLog().clear();
    importer.importData(true);
    const auto wrong = Session()->data()->rawInputFor(importer.fileName);
    QVERIFY(wrong);
    QCOMPARE(wrong->start.date(), QDate(2026, 9, 2)); // values are not changed
    const QStringList warnings = loggedWarnings();
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings.first().contains("Set agilentDateFormat to \"MM dd yyyy hh mm ss\""), qPrintable(warnings.first()));
    QVERIFY2(warnings.first().contains("2026-09-02T15:16:22") && warnings.first().contains("2026-02-09T15:16:22"), qPrintable(warnings.first()));
    const QVariantMap check = importer.property("importReport").toMap().value("dayMonthCheck").toMap();
    QCOMPARE(check.value("suggestedDateFormat").toString(), QString("MM dd yyyy hh mm ss"));
    QCOMPARE(check.value("swappedStart").toDateTime().date(), QDate(2026, 2, 9));
}

// The readers end with the lookup: none becomes a child of an importer that lives in another
// thread.
void TestAcquisitionFolder::asynchronousImportOfAFolder()
{
    static QStringList qtWarnings;
    qtWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type != QtDebugMsg)
            qtWarnings.append(text);
    });
    QTemporaryDir root(dir.filePath(QStringLiteral("case-XXXXXX")));
    Acquisition acquisition;
    acquisition.layout = BatchXml;
    AgilentImporter importer;
    importer.fileName = acquisition.writeTo(root.path());
    QSignalSpy finished(&importer, &AbstractImporter::finished);
    importer.importDataAsync(true);
    QVERIFY(finished.wait(10000));
    qInstallMessageHandler(previous);
    QVERIFY2(qtWarnings.isEmpty(), qPrintable(qtWarnings.join('\n')));
    QVERIFY(importer.findChildren<QObject *>().isEmpty());
    const auto stored = Session()->data()->rawInputFor(importer.fileName);
    QVERIFY(stored);
    QCOMPARE(stored->dwellTimes.size(), 2);
}

QTEST_GUILESS_MAIN(TestAcquisitionFolder)
#include "tst_acquisitionfolder.moc"
