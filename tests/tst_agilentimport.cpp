// Importing a CSV export end to end: the ordered signals of every outcome, the columns handed to
// the data store, and the text stages (channel header, row count, time stamp) on their own.
#include "agilentimporter.h"
#include "channelheader.h"
#include "filelines.h"
#include "importtesting.h"
#include "timestamptext.h"

#include <QtTest>

#include <cmath>

class TestAgilentImport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void successfulImportInOrder();
    void failureExits_data();
    void failureExits();
    void unreadableFile();
    void tooLargeFile();
    void lineEndsAndEncodings_data();
    void lineEndsAndEncodings();
    void timeLineOptionOnExports_data();
    void timeLineOptionOnExports();

    void channelHeader_data();
    void channelHeader();
    void rowCount_data();
    void rowCount();
    void tableReading_data();
    void tableReading();
    void progressEveryTwentiethRow();

    void stampNormalisation_data();
    void stampNormalisation();
    void stampLineChoice_data();
    void stampLineChoice();

    void handOffCopiesAreIndependent();
    void withoutSessionNothingIsStored();
    void asyncImportDeliversQueuedSignals();
    void dataStoreRefusal();
    void machineNamePreference_data();
    void machineNamePreference();

private:
    QString write(const QByteArray &content, const QString &name = QStringLiteral("S1.csv"));
    QTemporaryDir dir;
};

namespace {
const QString importOrigin = QStringLiteral("void __cdecl AgilentImporter::importData(bool)");
const double start = localSeconds(2020, 11, 18, 14, 24, 29);

QStringList closing(const QString &message)
{
    return {QStringLiteral("message(%1)").arg(message), QStringLiteral("progress(100)"),
            QStringLiteral("finished()")};
}

void setPreference(const QString &key, const QString &value)
{
    QSettings().setValue(key, value);
}
} // namespace

void TestAgilentImport::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(dir.isValid());
}

void TestAgilentImport::init()
{
    QSettings().clear();
    TsLog().clear();
    Session()->data()->clear();
    Session()->data()->setMemoryLimit(-1);
}

QString TestAgilentImport::write(const QByteArray &content, const QString &name)
{
    const QString path = dir.filePath(name);
    if (!writeBytes(path, content))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestAgilentImport::successfulImportInOrder()
{
    AgilentImporter importer;
    const QByteArray content = exportText({"0.5254,10.00,20.50", "1.0254,11.00,21.50", "1.5254,12.00,22.50"});
    importer.fileName = write(content);
    SignalLog log(importer);
    importer.importData(true);

    QCOMPARE(log.entries, (QStringList{
        "task(Agilent Importer)", "progress(10)", "message(Reading file headers...)",
        "sampleNames(S1.d)", "channelNames(Li7|Na23)", QStringLiteral("sizeInBytes(%1)").arg(content.size()),
        "startTime(2020-11-18T14:24:29.000)", "endTime(2020-11-18T14:24:30.526)",
        "duration(1.526)", "data(2)", "time(4)", "masses(0)",
        "message(Finished loading agilent sample data)", "progress(100)", "finished()"}));

    const auto stored = Session()->data()->rawInputFor(importer.fileName);
    QVERIFY(stored);
    QCOMPARE(stored->rowCount, 4);
    QCOMPARE(stored->channelNames, (QStringList{"Li7", "Na23"}));
    QCOMPARE(stored->time[0], 0.5254 + start);
    QCOMPARE(stored->time[2], 1.5254 + start);
    QCOMPARE(stored->time[3], 1.5254 + start + 0.001);
    QCOMPARE(stored->channels.value("Na23")[1], 21.5);
    QVERIFY(std::isnan(stored->channels.value("Li7")[3]));
    QVERIFY(stored->dwellTimes.isEmpty());

    const auto files = Session()->data()->files();
    QCOMPARE(files.size(), 1);
    auto file = files.at(0).dynamicCast<ImportedMassSpecFile>();
    QVERIFY(file);
    QCOMPARE(file->rowCount, 4);
    QCOMPARE(file->listOfSamples, QStringList{"S1.d"});
    QCOMPARE(file->location.path(), importer.fileName);
    QCOMPARE(Session()->data()->samples().at(0)->name, QStringLiteral("S1.d"));
    QVERIFY(TsLog().entries().isEmpty());
}

void TestAgilentImport::failureExits_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("timeLineOption");
    QTest::addColumn<QStringList>("tail");       // the signals after the file was read
    QTest::addColumn<QString>("warning");        // %1: the file path
    QTest::addColumn<bool>("stampOrigin");       // the time-stamp reader's origin, not the import's

    const QList<QByteArray> rows{"0.5,1,2", "1.0,3,4"};
    const QString timeStampError = QStringLiteral("Time stamp error. See messages for details.");
    QTest::newRow("one line") << QByteArray("Acquired      : 18/11/2020 14:24:29 using Batch")
        << QString() << closing("File load error. See messages for details.")
        << "Could not load the file \"%1\" due to a problem reading the file (length < 2 lines)." << false;
    QTest::newRow("XML time without an acquisition folder") << exportText(rows) << "Use XML Time"
        << closing("Timestamp error.")
        << "Could not load the file \"%1\" because XML time was requested but no XML data could be loaded." << false;
    QTest::newRow("unknown time line option") << exportText(rows) << "Use Nothing"
        << closing("Timestamp error.")
        << "Could not load the file \"%1\" because the time line option \"Use Nothing\" is not known: use \"Use 'Acquired' Time\", \"Use 'Printed' Time\" or a value containing \"XML\"." << false;
    QTest::newRow("A: one blank before the colon") << exportText(rows, "Time [Sec],Li7,Na23", "Acquired : 18/11/2020 14:24:29 using Batch")
        << QString() << (QStringList{"importError(" + timeStampError + ")"} + closing(timeStampError))
        << "Could not load the file \"%1\" due to a missing time stamp (?)." << true;
    QTest::newRow("B: a date without a time") << exportText(rows, "Time [Sec],Li7,Na23", "Acquired      : 12/03/2020 using Batch")
        << QString() << (QStringList{"importError(Could not load the file \"%1\" due to an unrecognised time stamp \"12/03/2020\" using the time stamp option \"Use 'Acquired' Time\".)"} + closing(timeStampError))
        << "Could not load the file \"%1\" due to an unrecognised time stamp \"12/03/2020\" using the time stamp option \"Use 'Acquired' Time\"." << true;
    QTest::newRow("B: option naming Acquired loosely") << exportText(rows) << "Acquired"
        << (QStringList{"importError(Could not load the file \"%1\" due to an unrecognised time stamp \"\" using the time stamp option \"Acquired\".)"} + closing(timeStampError))
        << "Could not load the file \"%1\" due to an unrecognised time stamp \"\" using the time stamp option \"Acquired\"." << true;
    const QString impossible = QStringLiteral("Could not load the file \"%1\" due to an impossible or invalid time stamp \"%2\" using the date/time format dd MM yyyy hh mm ss. Please check the data import options in preferences.");
    QTest::newRow("C: month first under the default format") << exportText(rows, "Time [Sec],Li7,Na23", "Acquired      : 2/28/2020 11:59:00 AM using Batch")
        << QString() << (QStringList{"importError(" + impossible.arg("%1", "2 28 2020 11 59 00 AM") + ")"} + closing("A problem occurred. Check messages."))
        << impossible.arg("%1", "2 28 2020 11 59 00 AM") << true;
    QTest::newRow("C: before December 1970") << exportText(rows, "Time [Sec],Li7,Na23", "Acquired      : 01/01/1970 00:00:00 using Batch")
        << QString() << (QStringList{"importError(" + impossible.arg("%1", "01 01 1970 00 00 00") + ")"} + closing("A problem occurred. Check messages."))
        << impossible.arg("%1", "01 01 1970 00 00 00") << true;
    QTest::newRow("unrecognised channel header") << exportText(rows, "Time [Sec],Li 7,Na23")
        << QString() << closing("Channel header error. See messages for details.")
        << "Could not load the file \"%1\" due to missing (?) channel header" << false;
    QTest::newRow("three lines, no channel header") << QByteArray("D:\\x.d\r\nIntensity Vs Time\r\nAcquired      : 18/11/2020 14:24:29 using Batch")
        << QString() << closing("Channel header error. See messages for details.")
        << "Could not load the file \"%1\" due to missing (?) channel header" << false;
    QTest::newRow("no data rows") << exportText({})
        << QString() << closing("File load error. See messages for details.")
        << "Could not load the file \"%1\" because it holds no data rows." << false;
    QTest::newRow("first data line empty") << exportText({",1,2", "0.5,1,2"})
        << QString() << closing("File load error. See messages for details.")
        << "Could not load the file \"%1\" because it holds no data rows." << false;
}

void TestAgilentImport::failureExits()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, timeLineOption);
    QFETCH(QStringList, tail);
    QFETCH(QString, warning);
    QFETCH(bool, stampOrigin);
    if (!timeLineOption.isEmpty())
        setPreference(QStringLiteral("agilentTimeLineOption"), timeLineOption);

    AgilentImporter importer;
    importer.fileName = write(content);
    SignalLog log(importer);
    importer.importData(true);

    QStringList expected{"task(Agilent Importer)", "progress(10)", "message(Reading file headers...)"};
    for (const QString &entry : tail)
        expected.append(QString(entry).replace(QStringLiteral("%1"), importer.fileName));
    QCOMPARE(log.entries, expected);
    const QVector<LogEntry> entries = TsLog().entries();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.at(0).level, LogEntry::Warning);
    QCOMPARE(entries.at(0).message, QString(warning).replace(QStringLiteral("%1"), importer.fileName));
    // The compiler renders the signature: GCC writes "const FileLines&", clang "const FileLines &".
    QCOMPARE(QString(entries.at(0).origin).replace(" &", "&"), stampOrigin ? QStringLiteral("class QDateTime __cdecl AgilentImporter::getDateTimeFromCSV(const class QList<class QByteArray>&)") : importOrigin);
    QVERIFY(Session()->data()->rawInputs().isEmpty());
    QVERIFY(Session()->data()->files().isEmpty());
}

void TestAgilentImport::unreadableFile()
{
    AgilentImporter importer;
    importer.fileName = dir.filePath(QStringLiteral("absent.csv"));
    SignalLog log(importer);
    importer.importData(true);
    QCOMPARE(log.entries, (QStringList{"task(Agilent Importer)", "progress(100)",
                                       "message(Couldn't load data. Check messages.)", "finished()"}));
    const QVector<LogEntry> entries = TsLog().entries();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.at(0).message, QStringLiteral("Could not load the file %1 for the following reason: No such file or directory").arg(importer.fileName));
    QVERIFY(entries.at(0).origin.isEmpty());
}

void TestAgilentImport::tooLargeFile()
{
    QFile sparse(dir.filePath(QStringLiteral("huge.csv")));
    QVERIFY(sparse.open(QIODevice::WriteOnly));
    QVERIFY(sparse.resize(qint64(3) << 30)); // sparse: takes no disk space
    sparse.close();
    AgilentImporter importer;
    importer.fileName = sparse.fileName();
    SignalLog log(importer);
    importer.importData(true);
    QCOMPARE(log.entries.mid(3), closing("File load error. See messages for details."));
    QVERIFY(TsLog().entries().at(0).message.contains(QStringLiteral("too large (3221225472 bytes")));
    QVERIFY(sparse.remove());
}

void TestAgilentImport::lineEndsAndEncodings_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("channels");
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<QDateTime>("start");
    const QStringList three{"Li7", "Na23", "Mg24"};
    const QDateTime stamp(QDate(2020, 11, 18), QTime(14, 24, 29));
    QTest::newRow("CR LF") << "AgilentImporter_english_crlf.csv" << three << 26 << stamp;
    QTest::newRow("LF") << "AgilentImporter_english_lf.csv" << three << 26 << stamp;
    QTest::newRow("CR only") << "AgilentImporter_english_cr.csv" << three << 26 << stamp;
    QTest::newRow("Chinese software, GB18030") << "AgilentImporter_chinese.csv" << QStringList{"Li7", "Na23", "Mg24", "Al27"} << 7 << stamp;
    QTest::newRow("mass-shifted header") << "AgilentImporter_msms.csv" << QStringList{"Ti47", "Ti48", "Ti47_47", "P31"} << 9 << QDateTime(QDate(2020, 11, 17), QTime(9, 12, 45));
    QTest::newRow("month name and 12 h stamp, no footer") << "AgilentImporter_month_name.csv" << QStringList{"Mg24", "Al27", "Ca43", "Sr88", "Ba138"} << 11 << QDateTime(QDate(2015, 10, 29), QTime(15, 6, 1));
}

void TestAgilentImport::lineEndsAndEncodings()
{
    QFETCH(QString, file);
    QFETCH(QStringList, channels);
    QFETCH(int, rowCount);
    QFETCH(QDateTime, start);
    AgilentImporter importer;
    importer.fileName = QStringLiteral(TESSEL_TEST_DATA "/") + file;
    QVERIFY(importer.correctFormat());
    importer.importData(true);
    const auto stored = Session()->data()->rawInputFor(importer.fileName);
    QVERIFY(stored);
    QCOMPARE(stored->channelNames, channels);
    QCOMPARE(stored->rowCount, rowCount);
    QCOMPARE(stored->start, start);
    // Every file follows one rule: time 0.1234 + 0.5 r, value of channel c 10 r + c + 0.25.
    const double startSeconds = double(start.toMSecsSinceEpoch()) / 1000.0;
    for (int r : {0, rowCount / 2, rowCount - 2}) {
        QCOMPARE(stored->time[arma::uword(r)], (0.1234 + 0.5 * r) + startSeconds);
        for (int c = 1; c <= channels.size(); ++c) {
            if (channels.indexOf(channels.at(c - 1)) == c - 1)
                QCOMPARE(stored->channels.value(channels.at(c - 1))[arma::uword(r)], 10.0 * r + c + 0.25);
        }
    }
}

void TestAgilentImport::timeLineOptionOnExports_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QDateTime>("start"); // invalid: the time stamp is missing (failure A)
    const QDateTime none;
    QTest::newRow("Printed line chosen over Acquired") << "AgilentImporter_english_crlf.csv" << printedTimeOption << QDateTime(QDate(2020, 11, 18), QTime(14, 25, 2));
    QTest::newRow("Chinese Printed line") << "AgilentImporter_chinese.csv" << printedTimeOption << QDateTime(QDate(2020, 11, 18), QTime(14, 25, 2));
    QTest::newRow("no Acquired line") << "AgilentImporter_printed_only.csv" << acquiredTimeOption << none;
    QTest::newRow("only a Printed line") << "AgilentImporter_printed_only.csv" << printedTimeOption << QDateTime(QDate(2020, 11, 19), QTime(8, 30, 15));
    QTest::newRow("Japanese software, Acquired") << "AgilentImporter_japanese.csv" << acquiredTimeOption << none;
    QTest::newRow("Japanese software, Printed") << "AgilentImporter_japanese.csv" << printedTimeOption << none;
    QTest::newRow("no Printed footer") << "AgilentImporter_month_name.csv" << printedTimeOption << none;
}

void TestAgilentImport::timeLineOptionOnExports()
{
    QFETCH(QString, file);
    QFETCH(QString, option);
    QFETCH(QDateTime, start);
    setPreference(QStringLiteral("agilentTimeLineOption"), option);
    AgilentImporter importer;
    importer.fileName = QStringLiteral(TESSEL_TEST_DATA "/") + file;
    SignalLog log(importer);
    importer.importData(true);
    const auto stored = Session()->data()->rawInputFor(importer.fileName);
    QCOMPARE(bool(stored), start.isValid());
    if (stored)
        QCOMPARE(stored->start, start);
    else
        QVERIFY(log.entries.contains(QStringLiteral("importError(Time stamp error. See messages for details.)")));
}

void TestAgilentImport::channelHeader_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("recognised");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("pairs");
    QTest::newRow("English") << QByteArray("Time [Sec],Li7,Na23,Mg24") << true << QStringList{"Li7", "Na23", "Mg24"} << QStringList();
    QTest::newRow("English, CR and blanks simplified") << QByteArray("Time [Sec],Li7, Na  23 ,Mg24\r") << true << QStringList{"Li7", "Na 23", "Mg24"} << QStringList();
    QTest::newRow("English, empty heading kept") << QByteArray("Time [Sec],Li7,,Mg24") << true << QStringList{"Li7", "", "Mg24"} << QStringList();
    QTest::newRow("blank before the mass") << QByteArray("Time [Sec],Li 7,Na23") << false << QStringList() << QStringList();
    QTest::newRow("lower-case symbol") << QByteArray("Time [Sec],li7,Na23") << false << QStringList() << QStringList();
    QTest::newRow("Chinese in GB18030") << QByteArray("\xCA\xB1\xBC\xE4 [s],Li7,Na23\r") << true << QStringList{"Li7", "Na23"} << QStringList();
    QTest::newRow("Chinese in UTF-8") << QByteArray("\xE6\x97\xB6\xE9\x97\xB4 [s],Li7,Na23") << false << QStringList() << QStringList();
    QTest::newRow("shifted: repeated masses take the alternatives")
        << QByteArray("Time [Sec],Ti47 -> 63,Ti48 -> 64,Ti47 -> 47\r") << true
        << QStringList{"Ti47", "Ti48", "Ti47_47"} << QStringList{"47>63", "48>64", "47>47"};
    QTest::newRow("shifted: the last alternative repeats")
        << QByteArray("Time [Sec],Ti48 -> 64,Ti48 -> 48,Ti48 -> 48") << true
        << QStringList{"Ti48", "Ti48_48", "Ti48_48"} << QStringList{"48>64", "48>48", "48>48"};
    // Each heading is the channel of its value field, with or without an arrow.
    QTest::newRow("shifted: a heading without an arrow keeps its place")
        << QByteArray("Time [Sec],P31 -> 47,Eu153,W182 -> 182,,\r") << true
        << QStringList{"P31", "Eu153", "W182"} << QStringList{"31>47", "153>153", "182>182"};
}

void TestAgilentImport::channelHeader()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, recognised);
    QFETCH(QStringList, names);
    QFETCH(QStringList, pairs);
    const ChannelHeader header = parseChannelHeader(line);
    QCOMPARE(header.recognised, recognised);
    QCOMPARE(header.names, names);
    QStringList foundPairs;
    for (const MassPair &pair : header.massPairs)
        foundPairs.append(pair.first + QLatin1Char('>') + pair.second);
    QCOMPARE(foundPairs, pairs);
    QCOMPARE(header.massShifted, !pairs.isEmpty());
}

void TestAgilentImport::rowCount_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("lines");
    QTest::newRow("three data lines, CR LF") << QByteArray("h\r\n0.5,1.25\r\n1.0,2\r\n1.5,3\r\n\r\nPrinted:1") << 3;
    QTest::newRow("last line without a line break") << QByteArray("h\n0.5,1\n1.0,2") << 1;
    QTest::newRow("only the last two fields count") << QByteArray("x\n0.5,a,1,2\n0.5,1,b\n") << 1;
    QTest::newRow("letter before the first run") << QByteArray("x\nab1,2\n") << 0;
    QTest::newRow("letter, then a point inside the run") << QByteArray("x\nab1.5,2\n") << 1;
    QTest::newRow("letter, point at the end of the run") << QByteArray("x\nab15.,2\n") << 0;
    QTest::newRow("start of the text is not a non-word character") << QByteArray("1,2\n") << 0;
    QTest::newRow("after a byte order mark") << QByteArray("\xEF\xBB\xBF" "1,2\n3,4\n") << 1;
    QTest::newRow("non-ASCII byte before the run") << QByteArray("\xC3\xA9" "1,2\n") << 1;
    QTest::newRow("text after a NUL is not read") << QByteArray("x\n1,2\n\0003,4\n", 11) << 1;
    QTest::newRow("lone CR ends a match") << QByteArray("x\n1,2\r3,4\r") << 2;
    QTest::newRow("empty fields") << QByteArray("x\n,,\n1,\n,1\n") << 0;
}

void TestAgilentImport::rowCount()
{
    QFETCH(QByteArray, content);
    QFETCH(int, lines);
    QCOMPARE(countDataLines(content), lines);
}

void TestAgilentImport::tableReading_data()
{
    QTest::addColumn<QList<QByteArray>>("rows");
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<QList<double>>("li");      // the Li7 column, terminating row left out
    QTest::addColumn<QList<double>>("times");   // relative times, terminating row left out
    QTest::addColumn<QByteArray>("header");
    const QByteArray plain = "Time [Sec],Li7,Na23";
    QTest::newRow("short line leaves channels at zero") << QList<QByteArray>{"0.5,1,2", "1.0,3"} << 3 << QList<double>{1, 3} << QList<double>{0.5, 1.0} << plain;
    // A line is counted by its last two fields; a surplus field keeps these lines counted.
    QTest::newRow("non-numeric value reads as zero") << QList<QByteArray>{"0.5,x,2,0", "1.0, +3 ,4,0"} << 3 << QList<double>{0, 3} << QList<double>{0.5, 1.0} << plain;
    QTest::newRow("surplus fields are ignored") << QList<QByteArray>{"0.5,1,2,99,98", "1.0,3,4,97"} << 3 << QList<double>{1, 3} << QList<double>{0.5, 1.0} << plain;
    QTest::newRow("empty first field ends the table early") << QList<QByteArray>{"0.5,1,2", ",,", "1.0,3,4"} << 2 << QList<double>{1} << QList<double>{0.5} << plain;
    QTest::newRow("empty CR LF line ends the table early") << QList<QByteArray>{"0.5,1,2", "", "1.0,3,4"} << 2 << QList<double>{1} << QList<double>{0.5} << plain;
    QTest::newRow("nan and inf as Qt reads them") << QList<QByteArray>{"0.5,NaN,2,0", "1.0,-INF,4,0", "1.5,1e400,4,0"} << 4 << QList<double>{qQNaN(), -qInf(), qInf()} << QList<double>{0.5, 1.0, 1.5} << plain;
    // Equal headings share one column and the later field wins; a field the line lacks writes nothing.
    QTest::newRow("short line keeps a repeated channel") << QList<QByteArray>{"0.5,1.5,2.5", "1.0,3,4,5"} << 3 << QList<double>{1.5, 5} << QList<double>{0.5, 1.0} << QByteArray("Time [Sec],Li7,Na23,Li7");
    QTest::newRow("short line zeroes a repeated channel it lacks") << QList<QByteArray>{"0.5,1.5,2.5,3.5", "1.0,3"} << 3 << QList<double>{3.5, 0} << QList<double>{0.5, 1.0} << QByteArray("Time [Sec],Na23,Mg24,Li7,Li7");
}

void TestAgilentImport::tableReading()
{
    QFETCH(QList<QByteArray>, rows);
    QFETCH(int, rowCount);
    QFETCH(QList<double>, li);
    QFETCH(QList<double>, times);
    QFETCH(QByteArray, header);
    AgilentImporter importer;
    importer.fileName = write(exportText(rows, header));
    SignalLog log(importer);
    importer.importData(true);
    const auto stored = Session()->data()->rawInputFor(importer.fileName);
    QVERIFY(stored);
    QCOMPARE(stored->rowCount, rowCount);
    const Column &column = stored->channels.value(QStringLiteral("Li7"));
    for (int r = 0; r < li.size(); ++r) {
        QCOMPARE(stored->time[arma::uword(r)], times.at(r) + start);
        QVERIFY2(column[arma::uword(r)] == li.at(r) || (std::isnan(li.at(r)) && std::isnan(column[arma::uword(r)])), qPrintable(QString::number(r)));
    }
    const int last = rowCount - 1;
    QCOMPARE(stored->time[arma::uword(last)], times.last() + start + 0.001);
    QVERIFY(std::isnan(column[arma::uword(last)]));
    const qint64 endMs = qint64(std::trunc((times.last() + start + 0.001) * 1000.0));
    QCOMPARE(stored->end.toMSecsSinceEpoch(), endMs);
    QCOMPARE(log.sharedTime->n_elem, arma::uword(rowCount));
}

void TestAgilentImport::progressEveryTwentiethRow()
{
    QList<QByteArray> rows;
    for (int r = 0; r < 100; ++r)
        rows.append(QByteArray::number(0.5 * r) + ",1,2");
    AgilentImporter importer;
    importer.fileName = write(exportText(rows));
    SignalLog log(importer);
    importer.importData(false);
    QStringList expected{"progress(10)", "message(Reading file headers...)"};
    for (int r = 0; r < 100; r += 5)
        expected += {QStringLiteral("progress(%1)").arg(10.0 + 80.0 * r / 101), "message(Reading data...)"};
    expected += {"message(Finished loading agilent sample data)", "progress(100)"};
    QCOMPARE(log.only({"progress", "message"}), expected);

    importer.fileName = write(exportText(rows.mid(0, 19)));
    SignalLog small(importer);
    importer.importData(false);
    QVERIFY(!small.entries.contains(QStringLiteral("message(Reading data...)")));
}

void TestAgilentImport::stampNormalisation_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stamp");
    QTest::newRow("day first") << "12/03/2020 14:05:33" << "12 03 2020 14 05 33";
    QTest::newRow("ISO date, no seconds") << "2020-03-12 14:05" << "2020 03 12 14 05";
    QTest::newRow("month name, comma, PM") << "March 12, 2020 2:05:33 PM" << "March 12 2020 2 05 33 PM";
    QTest::newRow("dotted date, no seconds, pm") << "12.03.2020 2:05 pm" << "12 03 2020 2 05 pm";
    QTest::newRow("fractional seconds") << "12/03/2020 14:05:33.25" << "12 03 2020 14 05 33.25";
    QTest::newRow("two blanks before the time") << "Oct 29 2015  03:06:01 pm" << "Oct 29 2015 03 06 01 pm";
    QTest::newRow("text after the time") << "2020/11/18 14:24:29\r" << "2020 11 18 14 24 29";
    QTest::newRow("no time: no stamp") << "12/03/2020" << QString();
    QTest::newRow("letter T between date and time: no stamp") << "2020-03-12T14:05:33" << QString();
}

void TestAgilentImport::stampNormalisation()
{
    QFETCH(QString, text);
    QFETCH(QString, stamp);
    const auto normalised = normaliseTimeStamp(text);
    QCOMPARE(normalised.has_value(), !stamp.isNull());
    if (normalised)
        QCOMPARE(*normalised, stamp);
}

void TestAgilentImport::stampLineChoice_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("text");   // null: no line found
    const QByteArray acquired = "Acquired      : 18/11/2020 14:24:29 using Batch a using b\r\n";
    QTest::newRow("Acquired: to the last using on its line") << (QByteArray("x\n") + acquired) << acquiredTimeOption << "18/11/2020 14:24:29 using Batch a";
    QTest::newRow("Acquired: first of several lines") << (acquired + "Acquired      : 01/01/2021 00:00:00 using X\n") << acquiredTimeOption << "18/11/2020 14:24:29 using Batch a";
    QTest::newRow("Acquired: a line without using is passed over") << QByteArray("Acquired      : 1/1/2000 1:00\nAcquired      : 2/2/2002 2:00 using\n") << acquiredTimeOption << "2/2/2002 2:00";
    QTest::newRow("Printed: to the end of the line") << (acquired + "          Printed:18/11/2020 14:24:47\r\n") << printedTimeOption << "18/11/2020 14:24:47\r";
    QTest::newRow("Printed: at the end of the file") << QByteArray("Printed: 15/12/2014 7:24:43 PM,,,") << printedTimeOption << " 15/12/2014 7:24:43 PM,,,";
    QTest::newRow("Printed: none, Acquired ignored") << acquired << printedTimeOption << QString();
    QTest::newRow("CR-only lines end at the CR") << QByteArray("Printed:1/1/2020 1:00\rnext") << printedTimeOption << "1/1/2020 1:00";
    QTest::newRow("not after a NUL byte") << QByteArray("x\0\nPrinted:1/1/2020 1:00\n", 24) << printedTimeOption << QString();
    QTest::newRow("Chinese words in GB18030") << QByteArray("\xB2\xC9\xBC\xAF\xC8\xD5\xC6\xDA      : 18/11/2020 14:24:29 \xCA\xB9\xD3\xC3\xC5\xFA\xB4\xA6\xC0\xED test.b\r\n") << acquiredTimeOption << "18/11/2020 14:24:29";
    QTest::newRow("Chinese words in UTF-8 are not read") << QByteArray("\xE9\x87\x87\xE9\x9B\x86\xE6\x97\xA5\xE6\x9C\x9F      : 18/11/2020 14:24:29 \xE4\xBD\xBF\xE7\x94\xA8\xE6\x89\xB9\xE5\xA4\x84\xE7\x90\x86\n") << acquiredTimeOption << QString();
    QTest::newRow("Japanese header has no stamp") << QByteArray("\x91\xAA\x92\xE8\x93\xFA\x8E\x9E      : 2020/11/18 14:24:29 using\n") << acquiredTimeOption << QString();
    QTest::newRow("other option: empty text") << acquired << "Use Acquired" << "";
}

void TestAgilentImport::stampLineChoice()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, option);
    QFETCH(QString, text);
    const FileLines lines(content);
    const auto found = findStampText(lines.content(), lines.separator(), option);
    QCOMPARE(found.has_value(), !text.isNull());
    if (found)
        QCOMPARE(*found, text);
}

void TestAgilentImport::handOffCopiesAreIndependent()
{
    AgilentImporter importer;
    importer.fileName = write(exportText({"0.5,1,2", "1.0,3,4"}));
    SignalLog log(importer);
    importer.importData(true);
    const auto stored = Session()->data()->rawInputFor(importer.fileName);
    (*log.sharedData.value(QStringLiteral("Li7")))[0] = -7;
    (*log.sharedTime)[0] = -7;
    QCOMPARE(stored->channels.value(QStringLiteral("Li7"))[0], 1.0);
    QCOMPARE(stored->time[0], 0.5 + start);
    QCOMPARE((*log.sharedData.value(QStringLiteral("Na23")))[1], 4.0);
}

void TestAgilentImport::withoutSessionNothingIsStored()
{
    AgilentImporter importer;
    importer.fileName = write(exportText({"0.5,1,2", "1.0,3,4"}));
    SignalLog withSession(importer);
    importer.importData(true);
    Session()->data()->clear();
    SignalLog without(importer);
    importer.importData(false);
    QCOMPARE(without.entries.size(), withSession.entries.size() / 2);
    QVERIFY(Session()->data()->rawInputs().isEmpty());
    QVERIFY(Session()->data()->files().isEmpty());
    QVERIFY(Session()->data()->samples().isEmpty());
}

// The host's own asynchronous import: a worker thread, and every signal, with its argument types,
// delivered queued to receivers on the calling thread.
void TestAgilentImport::asyncImportDeliversQueuedSignals()
{
    AgilentImporter importer;
    importer.fileName = write(exportText({"0.5,1,2", "1.0,3,4"}));
    QObject receiver;
    QThread *receivedOn = nullptr;
    ChannelData data;
    MassMap masses;
    ColumnPtr time;
    connect(&importer, &AbstractImporter::data, &receiver, [&](const ChannelData &d) { data = d; receivedOn = QThread::currentThread(); });
    connect(&importer, &AbstractImporter::time, &receiver, [&](const ColumnPtr &t) { time = t; });
    connect(&importer, &AbstractImporter::masses, &receiver, [&](const MassMap &m) { masses = m; });
    QSignalSpy finished(&importer, &AbstractImporter::finished);
    QSignalSpy progress(&importer, &AbstractImporter::progress);
    importer.importDataAsync(true);
    QVERIFY(finished.wait(5000));
    QCOMPARE(receivedOn, QThread::currentThread());
    QCOMPARE((*data.value(QStringLiteral("Na23")))[1], 4.0);
    QCOMPARE(time->n_elem, arma::uword(3));
    QVERIFY(masses.isEmpty());
    QCOMPARE(progress.last().at(0).toDouble(), 100.0);
    QVERIFY(Session()->data()->rawInputFor(importer.fileName));
}

void TestAgilentImport::dataStoreRefusal()
{
    Session()->data()->setMemoryLimit(8);
    AgilentImporter importer;
    importer.fileName = write(exportText({"0.5,1,2"}));
    SignalLog log(importer);
    QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("Agilent load failed for %1").arg(importer.fileName)));
    importer.importData(true);
    QCOMPARE(log.entries.mid(log.entries.size() - 3), closing("Finished loading agilent sample data"));
    QVERIFY(log.entries.contains(QStringLiteral("data(2)")));
    QVERIFY(Session()->data()->files().isEmpty());
    QVERIFY(Session()->data()->samples().isEmpty());
    QCOMPARE(loggedWarnings(), QStringList{QStringLiteral("The data store refused the data of \"%1\": they were not stored.").arg(importer.fileName)});
}

void TestAgilentImport::machineNamePreference_data()
{
    QTest::addColumn<QString>("preference");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("default leaves it") << "default" << "" << "";
    QTest::newRow("named, empty before") << "Lab 8900" << "" << "Lab 8900";
    QTest::newRow("named, generic Agilent before") << "Lab 8900" << "Agilent" << "Lab 8900";
    QTest::newRow("named, instrument name before") << "Lab 8900" << "Agilent G8900A" << "Agilent G8900A";
}

void TestAgilentImport::machineNamePreference()
{
    QFETCH(QString, preference);
    QFETCH(QString, before);
    QFETCH(QString, after);
    setPreference(QStringLiteral("importMachineName"), preference);
    AgilentImporter importer;
    importer.machineName = before;
    importer.fileName = write(exportText({"0.5,1,2"}));
    importer.importData(true);
    QCOMPARE(importer.machineName, after);
    QCOMPARE(Session()->data()->rawInputFor(importer.fileName)->machineName, after);
    QCOMPARE(Session()->data()->files().at(0).dynamicCast<ImportedMassSpecFile>()->machineName, after);
}

QTEST_GUILESS_MAIN(TestAgilentImport)
#include "tst_agilentimport.moc"
