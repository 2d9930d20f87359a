// Real instrument exports from other tools' public test suites, read in place when the corpus is
// beside the project: every one imports with the default preferences except where the rules make
// it fail.
#include "agilentimporter.h"
#include "importtesting.h"

#include <QtTest>

namespace {
const QString corpus = QStringLiteral(TESSEL_REALDATA);

enum Outcome { Imported, NotRecognised, ImpossibleStamp };

// Exports that do not import with the defaults, and why.
Outcome expectedOutcome(const QString &relativePath)
{
    if (relativePath.endsWith(QLatin1String("sample_data_imaging.csv")))
        return NotRecognised; // its three header lines were cut away
    if (relativePath.endsWith(QLatin1String("sample_data_Agilent.csv")))
        return ImpossibleStamp; // month-first stamp 2/28/2020 under the day-first default
    return Imported;
}
} // namespace
Q_DECLARE_METATYPE(Outcome)

class TestRealData : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
        if (!QFileInfo::exists(corpus))
            QSKIP(qPrintable(QStringLiteral("no real-export corpus at %1").arg(corpus)));
    }

    void exports_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Outcome>("outcome");
        QDirIterator it(corpus, {QStringLiteral("*.csv")}, QDir::Files,
                        QDirIterator::Subdirectories);
        QStringList paths;
        while (it.hasNext())
            paths.append(it.next());
        paths.sort();
        for (const QString &path : paths) {
            if (path.endsWith(QLatin1String("BatchLog.csv")))
                continue; // a batch's log, not an export
            const QString relative = QDir(corpus).relativeFilePath(path);
            QTest::newRow(qPrintable(relative)) << path << expectedOutcome(relative);
        }
        QVERIFY2(paths.size() >= 20, "the corpus lists fewer exports than expected");
    }

    void exports()
    {
        QFETCH(QString, path);
        QFETCH(Outcome, outcome);
        TsLog().clear();
        Session()->data()->clear();
        AgilentImporter importer;
        importer.fileName = path;
        QCOMPARE(importer.correctFormat(), outcome != NotRecognised);
        if (outcome == NotRecognised)
            return;
        SignalLog log(importer);
        importer.importData(true);
        QCOMPARE(log.entries.count(QStringLiteral("finished()")), 1);
        const auto stored = Session()->data()->rawInputFor(path);
        if (outcome == ImpossibleStamp) {
            QVERIFY(!stored);
            QVERIFY(log.entries.contains(
                QStringLiteral("message(A problem occurred. Check messages.)")));
            return;
        }
        QVERIFY2(stored, qPrintable(log.entries.join(QLatin1Char('\n'))));
        QVERIFY(stored->rowCount > 1);
        QVERIFY(!stored->channelNames.isEmpty());
        QVERIFY(stored->start.isValid());
        QVERIFY(stored->end > stored->start);
        // Counts per dwell time are worth a warning; nothing else in a real export is.
        QFile file(path);
        const bool counts = file.open(QIODevice::ReadOnly) && !file.readLine().isEmpty() &&
                            file.readLine().contains(",Counts");
        const QStringList warnings = loggedWarnings();
        QCOMPARE(warnings.size(), counts ? 1 : 0);
        if (counts)
            QVERIFY2(warnings.first().contains(QLatin1String("counts per dwell time")),
                     qPrintable(warnings.first()));
    }

    void knownFacts_data()
    {
        // rowCount: -1: not checked
        // sample: null: not checked
        // machine: null: the export alone, nothing from a folder
        // instant: the batch log's time of the acquisition
        addColumns<QString, QStringList, QStringList, int, QDateTime, QString, QString, QStringList,
                   QString>("file", "channels", "pairs", "rowCount", "start", "sample", "machine",
                            "dwellTimes", "instant");
        const auto row = [](const char *name, const char *file, const char *channels,
                            const char *pairs, int rowCount, const char *start, const char *sample,
                            const char *machine, const char *dwellTimes, const char *instant) {
            QTest::newRow(name) << file << listOf(channels) << listOf(pairs) << rowCount
                                << QDateTime::fromString(start, Qt::ISODate) << sample << machine
                                << listOf(dwellTimes) << instant;
        };
        const char *const none = nullptr;
        row("7700: instrument from another acquisition of the batch",
            "pewlib/tests/data/agilent/7700/test.b/3.d/3.csv", "P31,Eu153,W182", "", 6,
            "2020-11-18T14:25:08", "3", "Agilent G3282A JP11161014", "0.16,0.16,0.17",
            "2020-11-18T14:25:08.000+11:00");
        row("8900 MS/MS: arrows, on-mass pairs",
            "pewlib/tests/data/agilent/8900/test_ms_ms.b/001.d/001.csv", "P31,Eu153,W182",
            "31>47,153>153,182>182", 6, "2020-11-16T13:05:17", "001", "Agilent G3665A SG19441319",
            "0.16,0.16,0.168", "2020-11-16T13:05:17.000+11:00");
        row("ChemStation era: month name, pm, upper-case .D",
            "latools/latools/resources/test_data/STD-1.csv",
            "Mg24,Mg25,Al27,Ca43,Ca44,Mn55,Sr88,Ba137,Ba138", "", -1, "2015-10-29T15:06:01",
            "STD-3.D", none, "", none);
        row("single-particle: 9,996 rows of one channel",
            "spcal/tests/data/text/agilent_au50nm.csv", "Au197", "", 9997, "2023-03-17T16:35:53",
            none, none, "", none);
    }

    void knownFacts()
    {
        const auto [file, channels, pairs, rowCount, start, sample, machine, dwellTimes, instant] =
            fetchColumns<QString, QStringList, QStringList, int, QDateTime, QString, QString,
                         QStringList, QString>("file", "channels", "pairs", "rowCount", "start",
                                               "sample", "machine", "dwellTimes", "instant");
        Session()->data()->clear();
        AgilentImporter importer;
        importer.fileName = corpus + QLatin1Char('/') + file;
        SignalLog log(importer);
        importer.importData(true);
        const auto stored = Session()->data()->rawInputFor(importer.fileName);
        QVERIFY(stored);
        QCOMPARE(stored->channelNames, channels);
        QCOMPARE(pairTexts(stored->massPairs), pairs);
        if (rowCount > 0)
            QCOMPARE(stored->rowCount, rowCount);
        QCOMPARE(stored->start, start);
        if (!sample.isNull())
            QVERIFY2(log.entries.contains("sampleNames(" + sample + ")"),
                     qPrintable(log.entries.join('\n')));
        QStringList dwell;
        for (float seconds : stored->dwellTimes)
            dwell.append(QString::number(seconds));
        QCOMPARE(dwell, dwellTimes);
        const QVariantMap folder =
            importer.property("importReport").toMap().value("acquisitionFolder").toMap();
        QCOMPARE(folder.isEmpty(), machine.isNull());
        if (machine.isNull())
            return;
        QCOMPARE(stored->machineName, machine);
        QCOMPARE(folder.value("acquisitionInstant").toDateTime().toString(Qt::ISODateWithMs),
                 instant);
        QCOMPARE(folder.value("acquisitionResult").toString(), QString("Pass"));
    }
};

QTEST_GUILESS_MAIN(TestRealData)
#include "tst_realdata.moc"
