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

// An acquisition folder <name>.d with the export, AcqMethod.xml and AcqData/sample_info.xml.
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

    QString writeTo(const QString &root) const
    {
        QDir folder(root);
        folder.mkpath(folderName + (withAcqData ? QStringLiteral("/AcqData") : QString()));
        folder.cd(folderName);
        QByteArray csv = exportText(rows, header, "Acquired      : 18/11/2020 14:24:29 using Batch demo.b", lineEnd);
        csv.replace(0, csv.indexOf('\r') < 0 ? csv.indexOf('\n') : csv.indexOf(lineEnd), firstLine);
        const QString csvPath = folder.filePath(QStringLiteral("Run1.csv"));
        writeBytes(csvPath, csv);
        writeBytes(folder.filePath(QStringLiteral("AcqMethod.xml")), method());
        writeBytes(folder.filePath(withAcqData ? QStringLiteral("AcqData/sample_info.xml")
                                               : QStringLiteral("sample_info.xml")),
                   sampleInfo());
        return csvPath;
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
    QStringList warnings;
    for (const LogEntry &entry : TsLog().entries()) {
        if (entry.level == LogEntry::Warning)
            warnings.append(entry.message);
    }
    QCOMPARE(warnings, QStringList{QStringLiteral("The acquisition method of \"%1\" lists 3 channels but its first data line holds 2 values; values are given to channels by position. Only in the method: Mg24. Only in the channel header: none.").arg(importer.fileName)});
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
    for (const LogEntry &entry : TsLog().entries())
        QVERIFY2(entry.level != LogEntry::Warning, qPrintable(entry.message));
}

QTEST_GUILESS_MAIN(TestAcquisitionFolder)
#include "tst_acquisitionfolder.moc"
