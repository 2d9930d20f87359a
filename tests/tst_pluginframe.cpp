// The plug-in as the host sees it: its entry points, metadata block, casts, slot and the format
// test that decides which files it is offered.
#include "agilentimporter.h"

#include <QtTest>

extern "C" QObject *qt_plugin_instance();
extern "C" const char *qt_plugin_query_metadata();

class TestPluginFrame : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rootInstanceLivesUntilDeleted();
    void metadataBlockIsExact();
    void loaderFindsTheImporter();
    void castsAnswerTheInterface();
    void importDataIsReachableByName();
    void recognition_data();
    void recognition();
    void unreadableFileIsLogged();

private:
    QTemporaryDir dir;
};

namespace {
// An importer whose import only records that it ran: the slot must reach the override.
class RecordingImporter : public AgilentImporter
{
public:
    QVector<bool> calls;
    void importData(bool addToSession) override { calls.append(addToSession); }
};

const QByteArray englishStamp = "Acquired      : 18/11/2020 14:24:29 using Batch demo.b\r\n";
} // namespace

void TestPluginFrame::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(dir.isValid());
}

void TestPluginFrame::rootInstanceLivesUntilDeleted()
{
    QPointer<QObject> first = qt_plugin_instance();
    QVERIFY(first);
    QCOMPARE(qt_plugin_instance(), first.data());
    QVERIFY(first->parent() == nullptr);
    QCOMPARE(first->property("task_title").toString(), QStringLiteral("Agilent Importer"));
    delete first;
    QObject *second = qt_plugin_instance();
    QVERIFY(second != nullptr);
    QVERIFY(qobject_cast<AgilentImporter *>(second));
}

void TestPluginFrame::metadataBlockIsExact()
{
    const QByteArray iid = TesselPluginInterface_iid;
    QByteArray expected("QTMETADATA !");
    expected += QByteArray("\x00\x05\x0f\x00", 4);
    expected += char(0xbf);
    expected += char(0x02);
    expected += char(0x78) + QByteArray(1, char(iid.size())) + iid; // text string, 1-byte length
    expected += char(0x03);
    expected += char(0x60 + 15) + QByteArray("AgilentImporter");
    expected += char(0xff);
    QCOMPARE(QByteArray(qt_plugin_query_metadata(), expected.size()), expected);
}

void TestPluginFrame::loaderFindsTheImporter()
{
    QPluginLoader loader(QStringLiteral(TESSEL_BUILD_PLUGIN_DIR "/libimporter_agilent.so"));
    const QJsonObject meta = loader.metaData();
    QCOMPARE(meta.value(QStringLiteral("IID")).toString(), QStringLiteral(TesselPluginInterface_iid));
    QCOMPARE(meta.value(QStringLiteral("className")).toString(), QStringLiteral("AgilentImporter"));
    QVERIFY(meta.value(QStringLiteral("MetaData")).toObject().isEmpty());
    auto *plugin = qobject_cast<TesselPlugin::PluginInterface *>(loader.instance());
    QVERIFY2(plugin, qPrintable(loader.errorString()));
    QCOMPARE(plugin->pluginMetaData().className, QStringLiteral("AgilentImporter"));
    QCOMPARE(plugin->pluginMetaData().version, QStringLiteral("2.0"));
    std::unique_ptr<QObject> made(plugin->createInstance());
    auto *importer = qobject_cast<AbstractImporter *>(made.get());
    QVERIFY(importer);
    QVERIFY(made.get() != loader.instance());
    QCOMPARE(importer->fileExtension(), QStringLiteral(".csv"));
    QCOMPARE(importer->importerName, QStringLiteral("Agilent"));
}

void TestPluginFrame::castsAnswerTheInterface()
{
    AgilentImporter importer;
    void *byName = importer.qt_metacast("PluginInterface");
    QVERIFY(byName != nullptr);
    QCOMPARE(importer.qt_metacast(TesselPluginInterface_iid), byName);
    QVERIFY(byName != static_cast<void *>(&importer));
    QCOMPARE(byName, static_cast<void *>(static_cast<TesselPlugin::PluginInterface *>(&importer)));
    QCOMPARE(importer.qt_metacast("AgilentImporter"), static_cast<void *>(&importer));
    QCOMPARE(importer.qt_metacast("AbstractImporter"), static_cast<void *>(&importer));
    QVERIFY(importer.qt_metacast(nullptr) == nullptr);

    const QMetaObject *meta = importer.metaObject();
    QCOMPARE(meta->className(), "AgilentImporter");
    QCOMPARE(meta->methodCount() - meta->methodOffset(), 1);
    const QMetaMethod slot = meta->method(meta->methodOffset());
    QCOMPARE(slot.methodSignature(), QByteArray("importData(bool)"));
    QCOMPARE(slot.parameterNames(), QList<QByteArray>{"addToSession"});
    QCOMPARE(slot.access(), QMetaMethod::Public);
}

void TestPluginFrame::importDataIsReachableByName()
{
    RecordingImporter importer;
    QVERIFY(QMetaObject::invokeMethod(&importer, "importData", Q_ARG(bool, true)));
    QVERIFY(QMetaObject::invokeMethod(&importer, "importData", Q_ARG(bool, false)));
    QCOMPARE(importer.calls, (QVector<bool>{true, false}));
}

void TestPluginFrame::recognition_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("recognised");
    QByteArray lines49;
    for (int i = 0; i < 49; ++i)
        lines49 += "filler line\r\n";
    QTest::newRow("English stamp on line 3") << "a.csv" << (QByteArray("D:\\x.d\r\nIntensity Vs Time,CPS\r\n") + englishStamp) << true;
    QTest::newRow("English stamp on line 50") << "a.csv" << (lines49 + englishStamp) << true;
    QTest::newRow("English stamp on line 51") << "a.csv" << (lines49 + "one more\r\n" + englishStamp) << false;
    QTest::newRow("one blank before the colon") << "a.csv" << QByteArray("Acquired : 18/11/2020 14:24:29 using Batch\n") << false;
    QTest::newRow("stamp without the word using") << "a.csv" << QByteArray("Acquired      : 18/11/2020 14:24:29\n") << false;
    QTest::newRow("Japanese word in Shift_JIS") << "a.csv" << QByteArray("x\n\x91\xAA\x92\xE8\x93\xFA\x8E\x9E      : 2020/11/18\n") << true;
    QTest::newRow("Japanese word in UTF-8") << "a.csv" << QByteArray("x\n\xE6\xB8\xAC\xE5\xAE\x9A\xE6\x97\xA5\xE6\x99\x82 : 2020\n") << false;
    QTest::newRow("Chinese word in GB18030") << "a.csv" << QByteArray("x\n\xB2\xC9\xBC\xAF\xC8\xD5\xC6\xDA      : 18/11/2020\n") << true;
    QTest::newRow("Chinese word in UTF-8") << "a.csv" << QByteArray("x\n\xE9\x87\x87\xE9\x9B\x86\xE6\x97\xA5\xE6\x9C\x9F      : 18/11/2020\n") << false;
    QTest::newRow("three lines without a stamp") << "a.csv" << QByteArray("a\nb\nc\n") << false;
    QTest::newRow("empty file") << "a.csv" << QByteArray() << false;
    QTest::newRow("upper-case suffix") << "a.CSV" << englishStamp << true;
    QTest::newRow("suffix csv without a dot") << "acsv" << englishStamp << true;
    QTest::newRow("backup suffix") << "a.csv.bak" << englishStamp << false;
    QTest::newRow("text suffix") << "a.txt" << englishStamp << false;
}

void TestPluginFrame::recognition()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, recognised);
    QTemporaryDir caseDir(dir.filePath(QStringLiteral("case-XXXXXX")));
    const QString path = caseDir.filePath(name);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    AgilentImporter importer;
    importer.fileName = path;
    TsLog().clear();
    QCOMPARE(importer.correctFormat(), recognised);
    QVERIFY(TsLog().entries().isEmpty());
}

void TestPluginFrame::unreadableFileIsLogged()
{
    AgilentImporter importer;
    importer.fileName = dir.filePath(QStringLiteral("missing.csv"));
    TsLog().clear();
    QVERIFY(!importer.correctFormat());
    const QVector<LogEntry> entries = TsLog().entries();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.at(0).level, LogEntry::Debug);
    QCOMPARE(entries.at(0).message, QStringLiteral("Couldn't open file %1").arg(importer.fileName));
    QVERIFY2(QRegularExpression(QStringLiteral(
                 "^src/importers/agilent/agilentimporter:\\d+ AgilentImporter::correctFormat$"))
                 .match(entries.at(0).origin)
                 .hasMatch(),
             qPrintable(entries.at(0).origin));

    importer.fileName.clear();
    QVERIFY(!importer.correctFormat());
    QCOMPARE(TsLog().entries().size(), 1);
}

QTEST_GUILESS_MAIN(TestPluginFrame)
#include "tst_pluginframe.moc"
