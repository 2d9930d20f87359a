// Real instrument exports from other tools' public test suites, read in place when the corpus is
// beside the project: every one imports with the default preferences except where the rules make
// it fail, and the exports whose facts are known import as those facts.
#include "agilentimporter.h"
#include "importreport.h"
#include "importtesting.h"

#include <QtTest>

namespace {
const QString corpus = QStringLiteral(TESSEL_REALDATA);

// What an import gives, by the export's path in the corpus: "not recognised", the closing message
// of a failure, or "channels; mass pairs; rows; start; sample; machine; dwell times; the
// acquisition time and result from the folder".
const QHash<QString, QString> knownFacts{
    // Its three header lines were cut away.
    {"ilaps-v2/test_data/sample_data_imaging.csv", "not recognised"},
    // A month-first stamp, 2/28/2020, under the day-first default.
    {"ilaps-v2/test_data/sample_data_Agilent.csv", "A problem occurred. Check messages."},
    // The instrument from another acquisition of the batch. The stamps of both batches show the
    // instrument's clock at +11:00, as their logs tell: each start is its log's instant.
    {"pewlib/tests/data/agilent/7700/test.b/3.d/3.csv",
     "P31,Eu153,W182; ; 6; 2020-11-18T04:25:08+01:00; 3; Agilent G3282A JP11161014; "
     "0.16,0.16,0.17; "
     "2020-11-18T14:25:08.000+11:00 Pass"},
    // MS/MS: arrows, on-mass pairs.
    {"pewlib/tests/data/agilent/8900/test_ms_ms.b/001.d/001.csv",
     "P31,Eu153,W182; 31>47,153>153,182>182; 6; 2020-11-16T03:05:17+01:00; 001; "
     "Agilent G3665A SG19441319; 0.16,0.16,0.168; 2020-11-16T13:05:17.000+11:00 Pass"},
    // ChemStation era: month name, pm, upper-case .D.
    {"latools/latools/resources/test_data/STD-1.csv",
     "Mg24,Mg25,Al27,Ca43,Ca44,Mn55,Sr88,Ba137,Ba138; ; 700; 2015-10-29T15:06:01+01:00; STD-3.D; "
     "; ; "},
    // Single-particle: 9,996 rows of one channel.
    {"spcal/tests/data/text/agilent_au50nm.csv",
     "Au197; ; 9997; 2023-03-17T16:35:53+01:00; au_50nm.d; ; ; "}};

QString facts(const RawInput &stored, const QStringList &signalLog, const AgilentImporter &importer)
{
    QStringList dwell;
    for (float seconds : stored.dwellTimes)
        dwell.append(QString::number(seconds));
    const AcquisitionFolderReport folder =
        importer.property("importReport")
            .value<ImportReport>()
            .acquisitionFolder.value_or(AcquisitionFolderReport());
    const QString acquired =
        folder.acquisitionInstant.toString(Qt::ISODateWithMs) + ' ' + folder.acquisitionResult;
    return QStringList{stored.channelNames.join(','),
                       pairTexts(stored.massPairs).join(','),
                       QString::number(stored.rowCount),
                       stored.start.toString(Qt::ISODate),
                       signalLog.filter("sampleNames(").value(0).section('(', 1).chopped(1),
                       stored.machineName,
                       dwell.join(','),
                       acquired.trimmed()}
        .join("; ");
}
} // namespace

class TestRealData : public ImportTestCase
{
    Q_OBJECT

private slots:
    // In place of the frame's: the corpus may be missing, except where it must be there (in CI,
    // or when TESSEL_REALDATA_REQUIRED is set), where a missing corpus would pass as checked.
    void initTestCase()
    {
        if (QFileInfo::exists(corpus))
            return;
        const QString missing = QStringLiteral("no real-export corpus at %1").arg(corpus);
        if (qEnvironmentVariableIsSet("TESSEL_REALDATA_REQUIRED") ||
            qEnvironmentVariable("CI") == QLatin1String("true"))
            QFAIL(qPrintable(missing));
        QSKIP(qPrintable(missing));
    }

    void exports_data()
    {
        QTest::addColumn<QString>("path");
        QDirIterator it(corpus, {QStringLiteral("*.csv")}, QDir::Files,
                        QDirIterator::Subdirectories);
        QStringList paths;
        while (it.hasNext())
            paths.append(it.next());
        paths.sort();
        for (const QString &path : paths) {
            if (!path.endsWith(QLatin1String("BatchLog.csv"))) // a batch's log, not an export
                QTest::newRow(qPrintable(QDir(corpus).relativeFilePath(path))) << path;
        }
        QVERIFY2(paths.size() >= 20, "the corpus lists fewer exports than expected");
        for (auto it = knownFacts.cbegin(); it != knownFacts.cend(); ++it)
            QVERIFY2(paths.contains(corpus + '/' + it.key()), qPrintable(it.key()));
    }

    void exports()
    {
        QFETCH(QString, path);
        const QString known = knownFacts.value(QDir(corpus).relativeFilePath(path));
        AgilentImporter importer;
        importer.fileName = path;
        if (!importer.correctFormat()) {
            QCOMPARE(QString("not recognised"), known);
            return;
        }
        SignalLog log(importer);
        const auto stored = importStored(importer, path);
        QCOMPARE(log.entries.count(QStringLiteral("finished()")), 1);
        if (!stored) {
            QCOMPARE(log.entries.filter("message(").last(), "message(" + known + ')');
            return;
        }
        QVERIFY(stored->rowCount > 1);
        QVERIFY(!stored->channelNames.isEmpty());
        QVERIFY(stored->end > stored->start);
        if (!known.isEmpty())
            QCOMPARE(facts(*stored, log.entries, importer), known);
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
};

QTEST_GUILESS_MAIN(TestRealData)
#include "tst_realdata.moc"
