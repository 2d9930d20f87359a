// The plug-in as the host sees it: loaded by QPluginLoader, cast to the host's interface, its
// slot called by name, and the format test that decides which files it is offered.
#include "agilentimporter.h"

#include <QtTest>

class TestPluginFrame : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void loaderFindsTheImporter();
    void castsAndSlotAnswerTheHost();
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
} // namespace

void TestPluginFrame::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(dir.isValid());
}

void TestPluginFrame::loaderFindsTheImporter()
{
    QPluginLoader loader(QStringLiteral(TESSEL_BUILD_PLUGIN_DIR "/libimporter_agilent.so"));
    const QJsonObject meta = loader.metaData();
    QCOMPARE(meta.value("IID").toString(), QStringLiteral(TesselPluginInterface_iid));
    QCOMPARE(meta.value("className").toString(), QStringLiteral("AgilentImporter"));
    auto *plugin = qobject_cast<TesselPlugin::PluginInterface *>(loader.instance());
    QVERIFY2(plugin, qPrintable(loader.errorString()));
    const TesselPlugin::PluginMetaData &about = plugin->pluginMetaData();
    QCOMPARE(about.className, QStringLiteral("AgilentImporter"));
    QCOMPARE(about.type, int(TesselPlugin::ImporterPlugin));
    QVERIFY(about.enabledByDefault && about.userVisible && !about.experimental);
    QCOMPARE(loader.instance()->property("task_title").toString(),
             QStringLiteral("Agilent Importer"));
    std::unique_ptr<QObject> made(plugin->createInstance());
    auto *importer = qobject_cast<AbstractImporter *>(made.get());
    QVERIFY(importer);
    QVERIFY(made.get() != loader.instance());
    QCOMPARE(importer->fileExtension(), QStringLiteral(".csv"));
    QCOMPARE(importer->importerName, QStringLiteral("Agilent"));
}

// The host casts by the interface's name or IID and calls importData(bool), the one slot, by
// name.
void TestPluginFrame::castsAndSlotAnswerTheHost()
{
    RecordingImporter importer;
    void *byName = importer.qt_metacast("PluginInterface");
    QCOMPARE(byName, static_cast<void *>(static_cast<TesselPlugin::PluginInterface *>(&importer)));
    QCOMPARE(importer.qt_metacast(TesselPluginInterface_iid), byName);
    const QMetaObject *meta = &AgilentImporter::staticMetaObject;
    QCOMPARE(meta->methodCount() - meta->methodOffset(), 1);
    const QMetaMethod slot = meta->method(meta->methodOffset());
    QCOMPARE(slot.methodSignature(), QByteArray("importData(bool)"));
    QCOMPARE(slot.access(), QMetaMethod::Public);
    QVERIFY(QMetaObject::invokeMethod(&importer, "importData", Q_ARG(bool, true)));
    QVERIFY(QMetaObject::invokeMethod(&importer, "importData", Q_ARG(bool, false)));
    QCOMPARE(importer.calls, (QVector<bool>{true, false}));
}

void TestPluginFrame::recognition_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("recognised");
    const QByteArray stamp = "Acquired      : 18/11/2020 14:24:29 using Batch demo.b\r\n";
    const QByteArray lines49 = QByteArray("filler line\r\n").repeated(49);
    QTest::newRow("English stamp on line 3")
        << "a.csv" << ("D:\\x.d\r\nIntensity Vs Time,CPS\r\n" + stamp) << true;
    QTest::newRow("English stamp on line 50") << "a.csv" << (lines49 + stamp) << true;
    QTest::newRow("English stamp on line 51")
        << "a.csv" << (lines49 + "one more\r\n" + stamp) << false;
    QTest::newRow("one blank before the colon")
        << "a.csv" << QByteArray("Acquired : 18/11/2020 14:24:29 using Batch\n") << false;
    QTest::newRow("stamp without the word using")
        << "a.csv" << QByteArray("Acquired      : 18/11/2020 14:24:29\n") << false;
    QTest::newRow("Japanese word in Shift_JIS")
        << "a.csv" << QByteArray("x\n\x91\xAA\x92\xE8\x93\xFA\x8E\x9E      : 2020/11/18\n") << true;
    QTest::newRow("Japanese word in UTF-8")
        << "a.csv" << QByteArray("x\n\xE6\xB8\xAC\xE5\xAE\x9A\xE6\x97\xA5\xE6\x99\x82 : 2020\n")
        << false;
    QTest::newRow("Chinese word in GB18030")
        << "a.csv" << QByteArray("x\n\xB2\xC9\xBC\xAF\xC8\xD5\xC6\xDA      : 18/11/2020\n") << true;
    QTest::newRow("Chinese word in UTF-8")
        << "a.csv"
        << QByteArray("x\n\xE9\x87\x87\xE9\x9B\x86\xE6\x97\xA5\xE6\x9C\x9F      : 18/11/2020\n")
        << false;
    QTest::newRow("three lines without a stamp") << "a.csv" << QByteArray("a\nb\nc\n") << false;
    QTest::newRow("empty file") << "a.csv" << QByteArray() << false;
    QTest::newRow("upper-case suffix") << "a.CSV" << stamp << true;
    QTest::newRow("suffix csv without a dot") << "acsv" << stamp << true;
    QTest::newRow("backup suffix") << "a.csv.bak" << stamp << false;
    QTest::newRow("text suffix") << "a.txt" << stamp << false;
}

void TestPluginFrame::recognition()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, recognised);
    QTemporaryDir caseDir(dir.filePath(QStringLiteral("case-XXXXXX")));
    QFile file(caseDir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();
    AgilentImporter importer;
    importer.fileName = file.fileName();
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
    QVERIFY2(QRegularExpression(
                 QStringLiteral(
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
