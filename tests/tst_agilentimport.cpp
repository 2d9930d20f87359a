// Importing a CSV export end to end: the ordered signals of a successful import, the columns
// handed to the data store, and the text stages (channel header, time stamp) on their own. The
// failures are catalogued in tst_badinput.
#include "agilentimporter.h"
#include "channelheader.h"
#include "exportfile.h"
#include "filelines.h"
#include "importtesting.h"
#include "timestamptext.h"

#include <QtTest>

#include <cmath>

class TestAgilentImport : public ImportTestCase
{
    Q_OBJECT

private slots:
    void successfulImportInOrder()
    {
        Acquisition acquisition;
        acquisition.rows = {"0.5254,10.00,20.50", "1.0254,11.00,21.50", "1.5254,12.00,22.50"};
        AgilentImporter importer;
        SignalLog log(importer);
        const auto stored = importStored(importer, write(acquisition));
        // The signals in order, separated by ';'; times in the computer's zone.
        const QDateTime stamp(QDate(2020, 11, 18), QTime(14, 24, 29), QTimeZone::systemTimeZone());
        QStringList expected =
            QString("task(Agilent Importer);progress(10);message(Reading file headers...);"
                    "sampleNames(Run1.d);channelNames(Li7|Na23);sizeInBytes(%1);startTime(%2);"
                    "endTime(%3);duration(1.526);data(2);time(4);masses(0)")
                .arg(acquisition.exportBytes().size())
                .arg(stamp.toString(Qt::ISODateWithMs),
                     stamp.addMSecs(1526).toString(Qt::ISODateWithMs))
                .split(';');
        expected += closing("Finished loading agilent sample data");
        QCOMPARE(log.entries, expected);

        const double start = usualStart();
        QVERIFY(stored);
        QCOMPARE(stored->rowCount, 4);
        QCOMPARE(stored->channelNames, (QStringList{"Li7", "Na23"}));
        QCOMPARE(stored->time[0], 0.5254 + start);
        QCOMPARE(stored->time[2], 1.5254 + start);
        QCOMPARE(stored->time[3], 1.5254 + start + 0.001);
        QCOMPARE(stored->channels.value("Na23")[1], 21.5);
        QVERIFY(std::isnan(stored->channels.value("Li7")[3]));
        QVERIFY(stored->dwellTimes.isEmpty());
        const auto file = Session()->data()->files().value(0).dynamicCast<ImportedMassSpecFile>();
        QVERIFY(file);
        QCOMPARE(Session()->data()->files().size(), 1);
        QCOMPARE(file->rowCount, 4);
        QCOMPARE(file->listOfSamples, QStringList{"Run1.d"});
        QCOMPARE(file->location.path(), importer.fileName);
        QCOMPARE(Session()->data()->samples().at(0)->name, QStringLiteral("Run1.d"));
        QVERIFY(TsLog().entries().isEmpty());

        // The signals carry copies of their own.
        QCOMPARE((*log.sharedData.value("Na23"))[1], 21.5);
        (*log.sharedData.value("Li7"))[0] = -7;
        (*log.sharedTime)[0] = -7;
        QCOMPARE(stored->channels.value("Li7")[0], 10.0);
        QCOMPARE(stored->time[0], 0.5254 + start);

        // Without the session: the same signals, nothing stored.
        Session()->data()->clear();
        log.entries.clear();
        importer.importData(false);
        QCOMPARE(log.entries, expected);
        QVERIFY(Session()->data()->rawInputs().isEmpty());
        QVERIFY(Session()->data()->files().isEmpty());
        QVERIFY(Session()->data()->samples().isEmpty());
    }

    void exportsInTestData_data()
    {
        // The option: the time-line preference; an invalid start: no readable stamp, nothing
        // stored.
        addColumns<QString, QString, bool, QStringList, int, QDateTime>(
            "file", "option", "recognised", "channels", "rowCount", "start");
        const auto row = [](const char *name, const char *file, const QString &option,
                            const QStringList &channels, int rows, const QDateTime &start,
                            bool recognised = true) {
            QTest::newRow(name) << QStringLiteral("AgilentImporter_%1.csv").arg(file) << option
                                << recognised << channels << rows << start;
        };
        const QStringList three{"Li7", "Na23", "Mg24"}, four = three + QStringList{"Al27"};
        const QString acquired = timeLineText(StampLine::Acquired),
                      printed = timeLineText(StampLine::Printed);
        const QTimeZone zone = QTimeZone::systemTimeZone();
        const QDateTime stamp(QDate(2020, 11, 18), QTime(14, 24, 29), zone), none;
        const QDateTime printedStamp(QDate(2020, 11, 18), QTime(14, 25, 2), zone);
        row("CR LF", "english_crlf", acquired, three, 26, stamp);
        row("LF", "english_lf", acquired, three, 26, stamp);
        row("CR only", "english_cr", acquired, three, 26, stamp);
        row("Chinese software, GB18030", "chinese", acquired, four, 7, stamp);
        row("mass-shifted header", "msms", acquired, {"Ti47", "Ti48", "Ti47_47", "P31"}, 9,
            QDateTime(QDate(2020, 11, 17), QTime(9, 12, 45), zone));
        row("month name and 12 h stamp, no footer", "month_name", acquired,
            {"Mg24", "Al27", "Ca43", "Sr88", "Ba138"}, 11,
            QDateTime(QDate(2015, 10, 29), QTime(15, 6, 1), zone));
        row("Printed line chosen over Acquired", "english_crlf", printed, three, 26, printedStamp);
        row("Chinese Printed line", "chinese", printed, four, 7, printedStamp);
        row("no Acquired line", "printed_only", acquired, three, 6, none, false);
        row("only a Printed line", "printed_only", printed, three, 6,
            QDateTime(QDate(2020, 11, 19), QTime(8, 30, 15), zone), false);
        row("Japanese software, Acquired", "japanese", acquired, three, 6, none);
        row("Japanese software, Printed", "japanese", printed, three, 6, none);
        row("no Printed footer", "month_name", printed, {}, 11, none);
    }

    void exportsInTestData()
    {
        const auto [file, option, recognised, channels, rowCount, start] =
            fetchColumns<QString, QString, bool, QStringList, int, QDateTime>(
                "file", "option", "recognised", "channels", "rowCount", "start");
        QSettings().setValue(QStringLiteral("agilentTimeLineOption"), option);
        AgilentImporter importer;
        importer.fileName = QStringLiteral(TESSEL_TEST_DATA "/") + file;
        QCOMPARE(importer.correctFormat(), recognised);
        SignalLog log(importer);
        const auto stored = importStored(importer, importer.fileName);
        QCOMPARE(bool(stored), start.isValid());
        if (!stored) {
            QVERIFY(
                log.entries.contains("importError(Time stamp error. See messages for details.)"));
            return;
        }
        QCOMPARE(stored->channelNames, channels);
        QCOMPARE(stored->rowCount, rowCount);
        QCOMPARE(stored->start, start);
        // Every file follows one rule: time 0.1234 + 0.5 r, value of channel c 10 r + c + 0.25.
        const double startSeconds = double(start.toMSecsSinceEpoch()) / 1000.0;
        for (int r : {0, rowCount / 2, rowCount - 2}) {
            QCOMPARE(stored->time[arma::uword(r)], (0.1234 + 0.5 * r) + startSeconds);
            for (int c = 1; c <= channels.size(); ++c) {
                if (channels.indexOf(channels.at(c - 1)) == c - 1)
                    QCOMPARE(stored->channels.value(channels.at(c - 1))[arma::uword(r)],
                             10.0 * r + c + 0.25);
            }
        }
    }

    void timeZoneProperty_data()
    {
        // start: as the stamp 18/11/2020 14:24:29 reads in the zone; invalid: the zone refused.
        addColumns<QVariant, QDateTime>("property", "start");
        const auto at = [](const QTimeZone &zone) {
            return QDateTime(QDate(2020, 11, 18), QTime(14, 24, 29), zone);
        };
        QTest::newRow("unset: the computer's zone")
            << QVariant() << at(QTimeZone::systemTimeZone());
        QTest::newRow("empty: the computer's zone")
            << QVariant(QString()) << at(QTimeZone::systemTimeZone());
        QTest::newRow("Sydney, as text")
            << QVariant("Australia/Sydney") << at(QTimeZone("Australia/Sydney"));
        QTest::newRow("Kathmandu, as bytes")
            << QVariant(QByteArray("Asia/Kathmandu")) << at(timeZoneNamed("Asia/Kathmandu"));
        QTest::newRow("unknown id: refused") << QVariant("Mars/Olympus") << QDateTime();
        QTest::newRow("not text: refused") << QVariant(11) << QDateTime();
    }

    // The stamp is the wall clock of the zone the host names, whatever the process's zone, and the
    // times are given in it; a zone not known here ends the import before the file is read.
    void timeZoneProperty()
    {
        const auto [property, start] = fetchColumns<QVariant, QDateTime>("property", "start");
        AgilentImporter importer;
        importer.setProperty("timeZone", property);
        SignalLog log(importer);
        const auto stored = importStored(importer, write(Acquisition()));
        if (!start.isValid()) {
            const QString warning =
                QStringLiteral("Could not load the file \"%1\" because the time zone \"%2\" is not "
                               "known: name a zone by its IANA id, such as \"Australia/Sydney\".")
                    .arg(importer.fileName, property.toString());
            QCOMPARE(log.entries,
                     QStringList({"task(Agilent Importer)", "importError(" + warning + ')'}) +
                         closing("Time zone error. See messages for details."));
            QCOMPARE(loggedWarnings(), QStringList{warning});
            QVERIFY(!stored);
            return;
        }
        QVERIFY(stored);
        QCOMPARE(stored->time[0], double(start.toMSecsSinceEpoch()) / 1000.0 + 0.5);
        QVERIFY(log.entries.contains("startTime(" + start.toString(Qt::ISODateWithMs) + ')'));
        QVERIFY(log.entries.contains("endTime(" + start.addMSecs(1001).toString(Qt::ISODateWithMs) +
                                     ')'));
    }

    // The sample name is the last component of the path in the first line, whole, decoded in the
    // export's own encoding (its language version's header words tell it).
    void sampleName_data()
    {
        addColumns<QByteArray, QByteArray, QString>("firstLine", "stampLine", "name");
        const QByteArray english = Acquisition().stampLine;
        const QByteArray chinese = "\xB2\xC9\xBC\xAF\xC8\xD5\xC6\xDA      : 18/11/2020 14:24:29 "
                                   "\xCA\xB9\xD3\xC3\xC5\xFA\xB4\xA6\xC0\xED demo.b";
        const QByteArray japanese = "\x91\xAA\x92\xE8\x93\xFA\x8E\x9E      : 2020/11/18 14:24:29";
        const auto row = [](const char *name, const QByteArray &line, const QByteArray &stamp,
                            const char *sample) {
            QTest::newRow(name) << line << stamp << QString::fromUtf8(sample);
        };
        row("usual", "D:\\DATA\\run.b\\NIST610_2.d", english, "NIST610_2.d");
        row("parenthesis and blank", "D:\\DATA\\run.b\\Zircon (91500).d", english,
            "Zircon (91500).d");
        row("plus sign", "D:\\DATA\\run.b\\Au-Cd ionic+2.d", english, "Au-Cd ionic+2.d");
        row("number sign", "D:\\DATA\\run.b\\Spot #3.d", english, "Spot #3.d");
        row("trailing commas of a spreadsheet", "D:\\DATA\\run.b\\S1.d,,,,", english, "S1.d");
        row("quoted by a spreadsheet", "\"D:\\DATA\\run.b\\S1.d\",,\r", english, "S1.d");
        row("UTF-8 letters in an English export", "D:\\DATA\\run.b\\mesur\xC3\xA9.d", english,
            "mesur\xC3\xA9.d");
        row("Chinese export in GB18030", "D:\\DATA\\run.b\\\xD1\xF9\xC6\xB7\x31.d", chinese,
            "\xE6\xA0\xB7\xE5\x93\x81\x31.d");
        row("Japanese export in Shift_JIS", "D:\\DATA\\run.b\\\x8E\x8E\x97\xBF\x31.d", japanese,
            "\xE8\xA9\xA6\xE6\x96\x99\x31.d");
        row("network share", "\\\\lab-pc\\data\\run.b\\S2.d", english, "S2.d");
        row("no drive: no name", "DATA\\run.b\\S1.d", english, "");
    }

    void sampleName()
    {
        const auto [firstLine, stampLine, name] =
            fetchColumns<QByteArray, QByteArray, QString>("firstLine", "stampLine", "name");
        Acquisition acquisition;
        acquisition.firstLine = firstLine;
        acquisition.stampLine = stampLine;
        StageClock clock;
        const Outcome<ExportContent> content = readExport(
            write(acquisition), [] {}, clock);
        QVERIFY(content);
        QCOMPARE(content->sampleName, name);
    }

    void channelHeader_data()
    {
        addColumns<QByteArray, QStringList, QStringList>("line", "names", "pairs");
        const auto row = [](const char *name, const QByteArray &line, const char *names,
                            const char *pairs = "") {
            QTest::newRow(name) << line << listOf(names) << listOf(pairs);
        };
        row("English", "Time [Sec],Li7,Na23,Mg24", "Li7,Na23,Mg24");
        row("English, CR and blanks simplified", "Time [Sec],Li7, Na  23 ,Mg24\r",
            "Li7,Na 23,Mg24");
        QTest::newRow("English, empty heading kept")
            << QByteArray("Time [Sec],Li7,,Mg24") << QStringList{"Li7", "", "Mg24"}
            << QStringList();
        row("blank before the mass: not recognised", "Time [Sec],Li 7,Na23", "");
        row("lower-case symbol: not recognised", "Time [Sec],li7,Na23", "");
        row("Chinese in GB18030", "\xCA\xB1\xBC\xE4 [s],Li7,Na23\r", "Li7,Na23");
        row("Chinese in UTF-8: not recognised", "\xE6\x97\xB6\xE9\x97\xB4 [s],Li7,Na23", "");
        row("shifted: repeated masses take the alternatives",
            "Time [Sec],Ti47 -> 63,Ti48 -> 64,Ti47 -> 47\r", "Ti47,Ti48,Ti47_47",
            "47>63,48>64,47>47");
        row("shifted: the last alternative repeats", "Time [Sec],Ti48 -> 64,Ti48 -> 48,Ti48 -> 48",
            "Ti48,Ti48_48,Ti48_48", "48>64,48>48,48>48");
        // Each heading is the channel of its value field, with or without an arrow, empty or not;
        // the padding after the last one gives none. No heading takes a name already given.
        QTest::newRow("shifted: headings without an arrow keep their place")
            << QByteArray("Time [Sec],P31 -> 47,Eu153,,W182 -> 182,,\r")
            << QStringList{"P31", "Eu153", "", "W182"} << listOf("31>47,153>153,>,182>182");
        QTest::newRow("shifted: repeated plain headings take the tandem alternative, then numbers")
            << QByteArray("Time [Sec],P31 -> 47,P31,,P31,,W182 -> 182")
            << QStringList{"P31", "P31_31", "", "P31_31_2", "_2", "W182"}
            << listOf("31>47,31>31,>,31>31,>,182>182");
        row("shifted: a renamed heading's name is not taken by a tandem one",
            "Time [Sec],P31 -> 47,P31,P31 -> 31,P31 -> 31", "P31,P31_31,P31_31_2,P31_31_3",
            "31>47,31>31,31>31,31>31");
        row("shifted: nor a plain heading's own name", "Time [Sec],P31 -> 31,P31_31,P31 -> 31",
            "P31,P31_31,P31_31_2", "31>31,>,31>31");
    }

    void channelHeader()
    {
        const auto [line, names, pairs] =
            fetchColumns<QByteArray, QStringList, QStringList>("line", "names", "pairs");
        const ChannelHeader header = parseChannelHeader(line);
        QCOMPARE(header.recognised, !names.isEmpty());
        QCOMPARE(header.names, names);
        QCOMPARE(pairTexts(header.massPairs), pairs);
        QCOMPARE(header.massShifted, !pairs.isEmpty());
    }

    void tableReading_data()
    {
        // The relative times and the Li7 column, terminating row left out.
        addColumns<QByteArray, QList<QByteArray>, QList<double>, QList<double>>("header", "rows",
                                                                                "times", "li");
        // The rows split at '|'; the times and values at ',' (Qt's texts for NaN and infinities).
        const auto row = [](const char *name, const char *rows, const char *times, const char *li,
                            const QByteArray &header = "Time [Sec],Li7,Na23") {
            const auto numbers = [](const char *list) {
                QList<double> values;
                for (const QString &value : listOf(list))
                    values.append(value.toDouble());
                return values;
            };
            QTest::newRow(name) << header << QByteArray(rows).split('|') << numbers(times)
                                << numbers(li);
        };
        row("short line leaves channels at zero", "0.5,1,2|1.0,3", "0.5,1.0", "1,3");
        row("short line of non-ASCII text leaves channels at zero", "0.5,\xC3\xA9 7,8|1.0,3,4,5",
            "0.5,1.0", "0,3", "Time [Sec],Li7,Na23,Mg24");
        // A line is counted by its last two fields; a surplus field keeps these lines counted.
        row("non-numeric value reads as zero", "0.5,x,2,0|1.0, +3 ,4,0", "0.5,1.0", "0,3");
        row("surplus fields are ignored", "0.5,1,2,99,98|1.0,3,4,97", "0.5,1.0", "1,3");
        row("empty first field ends the table early", "0.5,1,2|,,|1.0,3,4", "0.5", "1");
        row("empty CR LF line ends the table early", "0.5,1,2||1.0,3,4", "0.5", "1");
        row("nan and inf as Qt reads them", "0.5,NaN,2,0|1.0,-INF,4,0|1.5,1e400,4,0", "0.5,1.0,1.5",
            "nan,-inf,inf");
        // Equal headings share one column and the later field wins; a field the line lacks writes
        // nothing.
        row("short line keeps a repeated channel", "0.5,1.5,2.5|1.0,3,4,5", "0.5,1.0", "1.5,5",
            "Time [Sec],Li7,Na23,Li7");
        row("short line zeroes a repeated channel it lacks", "0.5,1.5,2.5,3.5|1.0,3", "0.5,1.0",
            "3.5,0", "Time [Sec],Na23,Mg24,Li7,Li7");
    }

    void tableReading()
    {
        const auto [header, rows, times, li] =
            fetchColumns<QByteArray, QList<QByteArray>, QList<double>, QList<double>>(
                "header", "rows", "times", "li");
        Acquisition acquisition;
        acquisition.header = header;
        acquisition.rows = rows;
        AgilentImporter importer;
        SignalLog log(importer);
        const auto stored = importStored(importer, write(acquisition));
        QVERIFY(stored);
        const int rowCount = times.size() + 1;
        QCOMPARE(stored->rowCount, rowCount);
        const Column &column = stored->channels.value(QStringLiteral("Li7"));
        const double start = usualStart();
        for (int r = 0; r < li.size(); ++r) {
            QCOMPARE(stored->time[arma::uword(r)], times.at(r) + start);
            QVERIFY2(sameDouble(column[arma::uword(r)], li.at(r)), qPrintable(QString::number(r)));
        }
        QCOMPARE(stored->time[arma::uword(rowCount - 1)], times.last() + start + 0.001);
        QVERIFY(std::isnan(column[arma::uword(rowCount - 1)]));
        const qint64 endMs = qint64(std::trunc((times.last() + start + 0.001) * 1000.0));
        QCOMPARE(stored->end.toMSecsSinceEpoch(), endMs);
        QCOMPARE(log.sharedTime->n_elem, arma::uword(rowCount));
    }

    void progressEveryTwentiethRow()
    {
        Acquisition acquisition;
        acquisition.rows.clear();
        for (int r = 0; r < 100; ++r)
            acquisition.rows.append(QByteArray::number(0.5 * r) + ",1,2");
        AgilentImporter importer;
        importer.fileName = write(acquisition);
        SignalLog log(importer);
        importer.importData(false);
        QStringList expected{"progress(10)", "message(Reading file headers...)"};
        for (int r = 0; r < 100; r += 5)
            expected += {QStringLiteral("progress(%1)").arg(10.0 + 80.0 * r / 101),
                         "message(Reading data...)"};
        expected += {"message(Finished loading agilent sample data)", "progress(100)"};
        QCOMPARE(log.entries.filter(QRegularExpression("^(progress|message)\\(")), expected);

        acquisition.rows = acquisition.rows.mid(0, 19);
        importer.fileName = write(acquisition);
        SignalLog small(importer);
        importer.importData(false);
        QVERIFY(!small.entries.contains(QStringLiteral("message(Reading data...)")));
    }

    void stampNormalisation_data()
    {
        addColumns<QString, QString>("text", "stamp"); // a null stamp: none
        const auto row = [](const char *name, const char *text, const QString &stamp) {
            QTest::newRow(name) << QString::fromUtf8(text) << stamp;
        };
        row("day first", "12/03/2020 14:05:33", "12 03 2020 14 05 33");
        row("ISO date, no seconds", "2020-03-12 14:05", "2020 03 12 14 05");
        row("month name, comma, PM", "March 12, 2020 2:05:33 PM", "March 12 2020 2 05 33 PM");
        row("dotted date, no seconds, pm", "12.03.2020 2:05 pm", "12 03 2020 2 05 pm");
        row("fractional seconds", "12/03/2020 14:05:33.25", "12 03 2020 14 05 33.25");
        row("two blanks before the time", "Oct 29 2015  03:06:01 pm", "Oct 29 2015 03 06 01 pm");
        row("text after the time", "2020/11/18 14:24:29\r", "2020 11 18 14 24 29");
        row("no time", "12/03/2020", QString());
        row("letter T between date and time", "2020-03-12T14:05:33", QString());
    }

    void stampNormalisation()
    {
        QFETCH(QString, text);
        QFETCH(QString, stamp);
        const auto normalised = normaliseTimeStamp(text);
        QCOMPARE(normalised.has_value(), !stamp.isNull());
        QCOMPARE(normalised.value_or(QString()), stamp);
    }

    void stampLineChoice_data()
    {
        addColumns<QByteArray, QString, QString>("content", "option", "text"); // null text: no line
        const QString acquiredOption = timeLineText(StampLine::Acquired),
                      printed = timeLineText(StampLine::Printed);
        const auto row = [](const char *name, const QByteArray &content, const QString &option,
                            const QString &text) {
            QTest::newRow(name) << content << option << text;
        };
        const QByteArray acquired = "Acquired      : 18/11/2020 14:24:29 using Batch a using b\r\n";
        const QString toLastUsing = "18/11/2020 14:24:29 using Batch a";
        row("Acquired: to the last using on its line", "x\n" + acquired, acquiredOption,
            toLastUsing);
        row("Acquired: first of several lines",
            acquired + "Acquired      : 01/01/2021 00:00:00 using X\n", acquiredOption,
            toLastUsing);
        row("Acquired: a line without using is passed over",
            "Acquired      : 1/1/2000 1:00\nAcquired      : 2/2/2002 2:00 using\n", acquiredOption,
            "2/2/2002 2:00");
        row("Printed: to the end of the line",
            acquired + "          Printed:18/11/2020 14:24:47\r\n", printed,
            "18/11/2020 14:24:47\r");
        row("Printed: at the end of the file", "Printed: 15/12/2014 7:24:43 PM,,,", printed,
            " 15/12/2014 7:24:43 PM,,,");
        row("Printed: none, Acquired ignored", acquired, printed, QString());
        row("CR-only lines end at the CR", "Printed:1/1/2020 1:00\rnext", printed, "1/1/2020 1:00");
        row("not after a NUL byte", QByteArray("x\0\nPrinted:1/1/2020 1:00\n", 24), printed,
            QString());
        row("a NUL byte ends the line", QByteArray("Printed:1/1/2020 1:00\0 2:00\n", 27), printed,
            "1/1/2020 1:00");
        row("Chinese words in GB18030",
            "\xB2\xC9\xBC\xAF\xC8\xD5\xC6\xDA      : 18/11/2020 14:24:29 "
            "\xCA\xB9\xD3\xC3\xC5\xFA\xB4\xA6\xC0\xED test.b\r\n",
            acquiredOption, "18/11/2020 14:24:29");
        row("Chinese words in UTF-8 are not read",
            "\xE9\x87\x87\xE9\x9B\x86\xE6\x97\xA5\xE6\x9C\x9F      : 18/11/2020 14:24:29 "
            "\xE4\xBD\xBF\xE7\x94\xA8\xE6\x89\xB9\xE5\xA4\x84\xE7\x90\x86\n",
            acquiredOption, QString());
        row("Japanese header has no stamp",
            "\x91\xAA\x92\xE8\x93\xFA\x8E\x9E      : 2020/11/18 14:24:29 using\n", acquiredOption,
            QString());
        row("other option: empty text", acquired, "Use Acquired", "");
        row("Printed: the word ends the text", "x\nPrinted:", printed, "");
    }

    void stampLineChoice()
    {
        const auto [content, option, text] =
            fetchColumns<QByteArray, QString, QString>("content", "option", "text");
        const FileLines lines(content);
        const auto found = findStampText(lines, parseTimeLine(option).stampLine);
        QCOMPARE(found.has_value(), !text.isNull());
        QCOMPARE(found.value_or(QString()), text);
    }

    // The host's own asynchronous import, here of a batch folder: a worker thread, and every
    // signal, with its argument types, delivered queued to receivers on the calling thread. The
    // folder's readers end with the lookup: none becomes a child of an importer in another thread.
    void asyncImportDeliversQueuedSignals()
    {
        static QStringList qtWarnings;
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext &, const QString &text) {
                if (type != QtDebugMsg)
                    qtWarnings.append(text);
            });
        const auto restore = qScopeGuard([=] { qInstallMessageHandler(previous); });
        Acquisition acquisition;
        acquisition.layout = Layout::BatchXml;
        AgilentImporter importer;
        importer.fileName = write(acquisition);
        QObject receiver;
        QThread *receivedOn = nullptr;
        ChannelData data;
        MassMap masses;
        ColumnPtr time;
        double lastProgress = 0;
        bool finished = false; // queued after every other signal
        connect(&importer, &AbstractImporter::data, &receiver, [&](const ChannelData &d) {
            data = d;
            receivedOn = QThread::currentThread();
        });
        connect(&importer, &AbstractImporter::time, &receiver,
                [&](const ColumnPtr &t) { time = t; });
        connect(&importer, &AbstractImporter::masses, &receiver,
                [&](const MassMap &m) { masses = m; });
        connect(&importer, &AbstractImporter::progress, &receiver,
                [&](double p) { lastProgress = p; });
        connect(&importer, &AbstractImporter::finished, &receiver, [&] { finished = true; });
        importer.importDataAsync(true);
        QTRY_VERIFY_WITH_TIMEOUT(finished, 10000);
        QVERIFY2(qtWarnings.isEmpty(), qPrintable(qtWarnings.join('\n')));
        QVERIFY(importer.findChildren<QObject *>().isEmpty());
        QCOMPARE(receivedOn, QThread::currentThread());
        QCOMPARE((*data.value(QStringLiteral("Na23")))[1], 4.0);
        QCOMPARE(time->n_elem, arma::uword(3));
        QVERIFY(masses.isEmpty());
        QCOMPARE(lastProgress, 100.0);
        const auto stored = Session()->data()->rawInputFor(importer.fileName);
        QVERIFY(stored);
        QCOMPARE(stored->dwellTimes.size(), 2);
    }

    // A refusal by the data store ends the import normally, with a warning.
    void dataStoreRefusal()
    {
        Session()->data()->setMemoryLimit(8);
        AgilentImporter importer;
        importer.fileName = write(Acquisition());
        SignalLog log(importer);
        QTest::ignoreMessage(QtDebugMsg,
                             qPrintable("Agilent load failed for " + importer.fileName));
        importer.importData(true);
        QCOMPARE(log.entries.mid(log.entries.size() - 3),
                 closing("Finished loading agilent sample data"));
        QVERIFY(log.entries.contains(QStringLiteral("data(2)")));
        QVERIFY(Session()->data()->files().isEmpty());
        QVERIFY(Session()->data()->samples().isEmpty());
        QCOMPARE(loggedWarnings(), QStringList{QStringLiteral("The data store refused the data of "
                                                              "\"%1\": they were not stored.")
                                                   .arg(importer.fileName)});
    }

    // The intensity unit, reported and warned of when it is not CPS (the values as written,
    // whatever it is); the machine name, from its preference unless the instrument named it.
    void unitAndMachine_data()
    {
        addColumns<QByteArray, QString, QString, QString, QString>("unitLine", "preference",
                                                                   "before", "unit", "machine");
        const auto row = [](const char *name, const char *unitLine, const char *unit,
                            const char *preference = "default", const char *before = "",
                            const char *machine = "") {
            QTest::newRow(name) << QByteArray(unitLine) << preference << before << unit << machine;
        };
        const char *cps = "Intensity Vs Time,CPS";
        row("CPS", cps, "CPS");
        row("Counts, padded: a warning", "Intensity Vs Time,Counts,,,", "Counts");
        row("no unit", "Intensity Vs Time,,,,", "");
        row("machine preference named, empty before", cps, "CPS", "Lab 8900", "", "Lab 8900");
        row("machine preference named, generic Agilent before", cps, "CPS", "Lab 8900", "Agilent",
            "Lab 8900");
        row("machine preference named, instrument name before", cps, "CPS", "Lab 8900",
            "Agilent G8900A", "Agilent G8900A");
    }

    void unitAndMachine()
    {
        const auto [unitLine, preference, before, unit, machine] =
            fetchColumns<QByteArray, QString, QString, QString, QString>(
                "unitLine", "preference", "before", "unit", "machine");
        QSettings().setValue(QStringLiteral("importMachineName"), preference);
        Acquisition acquisition;
        acquisition.unitLine = unitLine;
        AgilentImporter importer;
        importer.machineName = before;
        const auto stored = importStored(importer, write(acquisition));
        QVERIFY(stored);
        QCOMPARE(stored->channels.value("Li7")[0], 1.0);
        QCOMPARE(importer.property("importReport").value<ImportReport>().intensityUnit, unit);
        QCOMPARE(loggedWarnings(),
                 unit == "Counts"
                     ? QStringList{QStringLiteral("The file \"%1\" holds counts per dwell time "
                                                  "(\"Counts\"), not counts per second (CPS); the "
                                                  "values are imported as written.")
                                       .arg(importer.fileName)}
                     : QStringList());
        QCOMPARE(importer.machineName, machine);
        QCOMPARE(stored->machineName, machine);
        QCOMPARE(Session()->data()->files().at(0).dynamicCast<ImportedMassSpecFile>()->machineName,
                 machine);
    }

private:
    QString write(const Acquisition &acquisition) { return acquisition.writeTo(dir.path()); }
};

QTEST_GUILESS_MAIN(TestAgilentImport)
#include "tst_agilentimport.moc"
