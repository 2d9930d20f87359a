// The plug-in as the host sees it: loaded by QPluginLoader, cast to the host's interface, its
// slot called by name, and the format test that decides which files it is offered.
#include "agilentimporter.h"
#include "importtesting.h"

#include <QtTest>

class TestPluginFrame : public ImportTestCase
{
    Q_OBJECT

private slots:
    void loaderFindsTheImporter()
    {
        QPluginLoader loader(QStringLiteral(TESSEL_PLUGIN_FILE));
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
        // The host casts by the interface's name and calls the one slot by name.
        QCOMPARE(made->qt_metacast("PluginInterface"),
                 made->qt_metacast(TesselPluginInterface_iid));
        QVERIFY(made->qt_metacast("PluginInterface"));
        QVERIFY(QMetaObject::invokeMethod(made.get(), "importData", Q_ARG(bool, false)));
        QCOMPARE(importer->fileExtension(), QStringLiteral(".csv"));
        QCOMPARE(importer->importerName, QStringLiteral("Agilent"));
    }

    void recognition_data()
    {
        addColumns<QString, QByteArray, bool>("name", "content", "recognised");
        const auto row = [](const char *name, const QByteArray &content, bool recognised,
                            const char *file = "a.csv") {
            QTest::newRow(name) << file << content << recognised;
        };
        const QByteArray stamp = "Acquired      : 18/11/2020 14:24:29 using Batch demo.b\r\n";
        const QByteArray lines49 = QByteArray("filler line\r\n").repeated(49);
        row("English stamp on line 3", "D:\\x.d\r\nIntensity Vs Time,CPS\r\n" + stamp, true);
        row("English stamp on line 50", lines49 + stamp, true);
        row("English stamp on line 51", lines49 + "one more\r\n" + stamp, false);
        row("English stamp beyond a line's first 64 KiB", QByteArray(65600, 'x') + stamp, false);
        row("one blank before the colon", "Acquired : 18/11/2020 14:24:29 using Batch\n", false);
        row("stamp without the word using", "Acquired      : 18/11/2020 14:24:29\n", false);
        row("Japanese word in Shift_JIS", "x\n\x91\xAA\x92\xE8\x93\xFA\x8E\x9E      : 2020/11/18\n",
            true);
        row("Japanese word in UTF-8",
            "x\n\xE6\xB8\xAC\xE5\xAE\x9A\xE6\x97\xA5\xE6\x99\x82 : 2020\n", false);
        row("Chinese word in GB18030", "x\n\xB2\xC9\xBC\xAF\xC8\xD5\xC6\xDA      : 18/11/2020\n",
            true);
        row("Chinese word in UTF-8",
            "x\n\xE9\x87\x87\xE9\x9B\x86\xE6\x97\xA5\xE6\x9C\x9F      : 18/11/2020\n", false);
        row("three lines without a stamp", "a\nb\nc\n", false);
        row("empty file", QByteArray(), false);
        row("upper-case suffix", stamp, true, "a.CSV");
        row("suffix csv without a dot", stamp, true, "acsv");
        row("backup suffix", stamp, false, "a.csv.bak");
        row("text suffix", stamp, false, "a.txt");
    }

    void recognition()
    {
        const auto [name, content, recognised] =
            fetchColumns<QString, QByteArray, bool>("name", "content", "recognised");
        QTemporaryDir caseDir(dir.filePath(QStringLiteral("case-XXXXXX")));
        QFile file(caseDir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.close();
        AgilentImporter importer;
        importer.fileName = file.fileName();
        QCOMPARE(importer.correctFormat(), recognised);
        QVERIFY(TsLog().entries().isEmpty());
    }

    void unreadableFileIsLogged()
    {
        AgilentImporter importer;
        importer.fileName = dir.filePath(QStringLiteral("missing.csv"));
        QVERIFY(!importer.correctFormat());
        const QVector<LogEntry> entries = TsLog().entries();
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.at(0).level, LogEntry::Debug);
        QCOMPARE(entries.at(0).message,
                 QStringLiteral("Couldn't open file %1").arg(importer.fileName));
        const QString origin = entries.at(0).origin; // the file and line, then the function
        QVERIFY2(origin.contains(QRegularExpression("^src/importers/agilent/agilentimporter:\\d+ "
                                                    "AgilentImporter::correctFormat$")),
                 qPrintable(origin));

        importer.fileName.clear();
        QVERIFY(!importer.correctFormat());
        QCOMPARE(TsLog().entries().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestPluginFrame)
#include "tst_pluginframe.moc"
