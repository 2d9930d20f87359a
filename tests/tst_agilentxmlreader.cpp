// The XML reader on its own: what it takes from an acquisition method and a sample record, and
// what it keeps when a file ends early. Entity bombs and deep nesting are rows of the failure
// catalogue (tst_badinput), which bounds their time and memory too.
#include "agilentxmlreader.h"
#include "importtesting.h"

#include <QtTest>

namespace {
QStringList debugMessages;

void collectMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    debugMessages << message;
}

// The table, one line per entry, sorted by key; in an entry "=text" for a text,
// "[entry;entry...]" for a record with its entries sorted, "?" otherwise.
QString describe(const QVariant &value, bool table = false)
{
    if (value.userType() == QMetaType::QString)
        return '=' + value.toString();
    if (value.userType() != QMetaType::QVariantHash)
        return "?";
    QStringList entries;
    const QVariantHash record = value.toHash();
    for (auto it = record.cbegin(); it != record.cend(); ++it)
        entries << it.key() + describe(it.value());
    entries.sort();
    return table ? entries.join('\n') : '[' + entries.join(';') + ']';
}

QByteArray method(const QByteArray &body)
{
    return "<AcquisitionDataSet>" + body + "</AcquisitionDataSet>\n";
}

QByteArray element(const QByteArray &children)
{
    return "<IcpmsElement>" + children + "</IcpmsElement>";
}

QByteArray sampleInfo(const QByteArray &body)
{
    return "<SampleInfo>" + body + "</SampleInfo>";
}

void addRow(const char *name, const QByteArray &xml, const QString &expected)
{
    QTest::newRow(name) << xml << expected;
}

const QByteArray sr88 = element("<ElementName>Sr</ElementName><MZ>88</MZ>");
const QString sr88Record = QStringLiteral("Sr88[Element m/z=88;Element symbol=Sr]");
} // namespace

class TestAgilentXmlReader : public ImportTestCase
{
    Q_OBJECT

private:
    QString read(const QString &path)
    {
        debugMessages.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collectMessage);
        AgilentXmlReader reader(nullptr, path);
        const QString table = describe(*reader.read(), true);
        qInstallMessageHandler(previous);
        return table;
    }

    void readsContent()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, expected);
        QFile file(dir.filePath(QStringLiteral("file.xml")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(xml);
        file.close();
        QCOMPARE(read(file.fileName()), expected);
        QCOMPARE(debugMessages, QStringList());
    }

private slots:
    void acquisitionMethod_data();
    void acquisitionMethod() { readsContent(); }
    void sampleInformation_data();
    void sampleInformation() { readsContent(); }
    void fileProblems_data();
    void fileProblems();
};

void TestAgilentXmlReader::acquisitionMethod_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("expected");
    const QByteArray shiftedP = element("<ElementName>P</ElementName><MZ>47</MZ>"
                                        "<SelectedMZ>31</SelectedMZ><ElementID>%</ElementID>");
    const QByteArray se78 =
        element("<ElementID>%</ElementID><ElementName>Se</ElementName><MZ>78</MZ>");

    addRow("plain element: five entries under symbol and mass",
           method(element("<ElementID>3</ElementID><MZ>88</MZ><DetectorMode>Auto</DetectorMode>"
                          "<IntegrationTime>0.1</IntegrationTime><ElementName>Sr</ElementName>")),
           QStringLiteral("Sr88[Element ID=3;Element detector mode=Auto;Element dwell time (s)=0.1;"
                          "Element m/z=88;Element symbol=Sr]"));
    const QString pRecord = QStringLiteral(
        "[Element ID=%1;Element m/z=47;Element symbol=P;Post-shift mass=47;Pre-shift mass=31]");
    addRow("four shifted P: P31, P47, P31_47, fourth replaces third",
           method(QByteArray(shiftedP).replace('%', '1') + QByteArray(shiftedP).replace('%', '2') +
                  QByteArray(shiftedP).replace('%', '3') + QByteArray(shiftedP).replace('%', '4')),
           QLatin1String("P31") + pRecord.arg(1) + QLatin1String("\nP31_47") + pRecord.arg(4) +
               QLatin1String("\nP47") + pRecord.arg(2));
    addRow("three unshifted Se: Se78, Se, Se_",
           method(QByteArray(se78).replace('%', '1') + QByteArray(se78).replace('%', '2') +
                  QByteArray(se78).replace('%', '3')),
           QStringLiteral("Se78[Element ID=1;Element m/z=78;Element symbol=Se]\n"
                          "Se[Element ID=2;Element m/z=78;Element symbol=Se]\n"
                          "Se_[Element ID=3;Element m/z=78;Element symbol=Se]"));
    addRow("SelectedMZ before MZ: empty post-shift mass, last MZ wins",
           method(element("<ElementName>P</ElementName><SelectedMZ>31</SelectedMZ>"
                          "<MZ>40</MZ><MZ>47</MZ>")),
           QStringLiteral("P31[Element m/z=47;Element symbol=P;Post-shift mass=;"
                          "Pre-shift mass=31]"));
    addRow("blanks kept in texts and key",
           method(element("<ElementName>Sr</ElementName><MZ> 88 </MZ>")),
           QStringLiteral("Sr 88 [Element m/z= 88 ;Element symbol=Sr]"));
    addRow("other children and root children skipped with their content",
           method("<AcquisitionMethod>" + sr88 + "</AcquisitionMethod><Version>1</Version>" +
                  element("<TuneStep><ElementName>Ca</ElementName>" + sr88 +
                          "</TuneStep><ElementName>Sr</ElementName><MZ>88</MZ>")),
           sr88Record);
    addRow("elements without children: empty key, then _",
           method("<IcpmsElement/><IcpmsElement></IcpmsElement>"), QStringLiteral("[]\n_[]"));
    addRow("prefix and default namespace: local names match",
           "<a:AcquisitionDataSet xmlns:a=\"urn:a\" xmlns=\"Acquisition\"><a:IcpmsElement>"
           "<ElementName>Sr</ElementName><a:MZ>88</a:MZ></a:IcpmsElement>"
           "</a:AcquisitionDataSet>",
           sr88Record);
    addRow("UTF-8 byte order mark before the root",
           "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n" + method(sr88), sr88Record);
    addRow("child inside MZ: earlier kept, current partial, later missing",
           method(sr88 +
                  element("<ElementName>Ca</ElementName><MZ>4<b/>4</MZ>"
                          "<DetectorMode>Auto</DetectorMode>") +
                  element("<ElementName>Ba</ElementName><MZ>137</MZ>")),
           QStringLiteral("Ca4[Element m/z=4;Element symbol=Ca]\n") + sr88Record);
    addRow("mismatched end tag: current element stored partially",
           method(sr88 + "<IcpmsElement><ElementName>Ca</ElementName></Oops>" + sr88),
           QStringLiteral("Ca[Element symbol=Ca]\n") + sr88Record);
    addRow("other root: empty table", "<Other>" + sr88 + "<Version>1</Version></Other>", QString());
    addRow("external entity: not fetched",
           "<!DOCTYPE AcquisitionDataSet [<!ENTITY x SYSTEM \"file:///etc/hostname\">]>" +
               method(element("<ElementName>Sr</ElementName><MZ>&x;</MZ>")),
           QStringLiteral("Sr[Element m/z=;Element symbol=Sr]"));
}

void TestAgilentXmlReader::sampleInformation_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("expected");
    const QString version1 = QStringLiteral("Sample Info XML Version=1");

    addRow("version and one field",
           sampleInfo("<Version>1</Version><Field><Name>AcqTime</Name>"
                      "<Value>2021-03-04T05:06:07</Value></Field>"),
           QStringLiteral("AcqTime[Name=AcqTime;Value=2021-03-04T05:06:07]\n") + version1);
    addRow("extra field children kept, other root children skipped",
           sampleInfo("<Field><Name>Comment</Name><DisplayName>Remark</DisplayName>"
                      "<Value> a b </Value><Units>\n</Units></Field><Fields><Field>"
                      "<Name>Inner</Name></Field><Version>2</Version></Fields>" +
                      sr88),
           QStringLiteral("Comment[DisplayName=Remark;Name=Comment;Units=\n;Value= a b ]"));
    addRow("empty and missing Name share the empty key, later wins",
           sampleInfo("<Field><Name/><Value>a</Value></Field><Field><Value>b</Value></Field>"),
           QStringLiteral("[Value=b]"));
    addRow("field named like the version: later wins",
           sampleInfo("<Field><Name>Sample Info XML Version</Name></Field>"
                      "<Version>1</Version>"),
           version1);
    addRow("child inside Value: field stored partially, later fields missing",
           sampleInfo("<Version>1</Version><Field><Name>Data File</Name><Value>a<b/>"
                      "</Value><Units/></Field><Field><Name>Later</Name></Field>"),
           QStringLiteral("Data File[Name=Data File;Value=a]\n") + version1);
}

void TestAgilentXmlReader::fileProblems_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing file") << dir.filePath(QStringLiteral("absent.xml"))
                                  << QStringLiteral("File %1 does not exist.\n");
    QTest::newRow("directory: exists, cannot be opened")
        << dir.path() << QStringLiteral("Failed to open file %1.\n");
}

void TestAgilentXmlReader::fileProblems()
{
    QFETCH(QString, path);
    QFETCH(QString, message);
    QCOMPARE(read(path), QString());
    QCOMPARE(debugMessages, QStringList{message.arg(path)});
}

QTEST_GUILESS_MAIN(TestAgilentXmlReader)
#include "tst_agilentxmlreader.moc"
