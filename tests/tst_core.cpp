// The host core: the data store's checks and copies, and time-stamp conversion.
#include "abstractimporter.h"
#include "datamanager.h"
#include "testtables.h"

#include <QtTest>

namespace {
struct StoreInput
{
    QStringList names{QStringLiteral("Li7"), QStringLiteral("Na23")};
    Column li{3, arma::fill::ones};
    Column na{3, arma::fill::ones};
    Column time{3, arma::fill::zeros};
    QHash<QString, Column *> channels{{QStringLiteral("Li7"), &li}, {QStringLiteral("Na23"), &na}};
    int rowCount = 3;
    const Column *timePointer = &time;

    bool addTo(DataManager &store) const
    {
        return store.addRawDataToInputData(QStringLiteral("/data/run.csv"), names, channels,
                                           timePointer, QDateTime(), QDateTime(), rowCount,
                                           QString(), {}, {}, {});
    }
};
using Fault = std::function<void(StoreInput &)>;
} // namespace
Q_DECLARE_METATYPE(Fault)

class TestCore : public QObject
{
    Q_OBJECT

private slots:
    void dataStoreRefusesInconsistentInput_data()
    {
        QTest::addColumn<Fault>("fault");
        const auto row = [](const char *name, const Fault &fault) { QTest::newRow(name) << fault; };
        row("consistent input is taken", {});
        row("listed channel without a column", [](StoreInput &in) { in.names.append("Mg24"); });
        row("channel column shorter than the row count", [](StoreInput &in) { in.na.resize(2); });
        row("time column longer than the row count", [](StoreInput &in) { in.time.resize(4); });
        row("row count zero, columns empty", [](StoreInput &in) {
            in.rowCount = 0;
            in.li.reset();
            in.na.reset();
            in.time.reset();
        });
        row("no time column", [](StoreInput &in) { in.timePointer = nullptr; });
        row("null channel column", [](StoreInput &in) { in.channels["Li7"] = nullptr; });
    }

    void dataStoreRefusesInconsistentInput()
    {
        QFETCH(Fault, fault);
        StoreInput input;
        if (fault)
            fault(input);
        DataManager store;
        QCOMPARE(input.addTo(store), !fault);
        QCOMPARE(store.rawInputs().size(), fault ? 0 : 1);
    }

    // Three columns (time and two channels) of three doubles: 72 bytes; a limit of 0 holds
    // nothing. A table of one row is as good as any.
    void dataStoreMemoryLimit()
    {
        for (const qint64 limit : {qint64(0), qint64(71), qint64(72)}) {
            DataManager store;
            store.setMemoryLimit(limit);
            QCOMPARE(StoreInput().addTo(store), limit == 72);
        }
        StoreInput oneRow;
        oneRow.rowCount = 1;
        for (Column *column : {&oneRow.li, &oneRow.na, &oneRow.time})
            column->resize(1);
        DataManager store;
        QVERIFY(oneRow.addTo(store));
    }

    void dataStoreKeepsIndependentCopies_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("three rows") << 3;
        QTest::newRow("a copy large enough for two threads") << 400000;
    }

    // Every value of every column arrives in the store's own copy, whichever thread copied it.
    void dataStoreKeepsIndependentCopies()
    {
        QFETCH(int, rows);
        const Column counting = arma::regspace<Column>(0, rows - 1);
        DataManager store;
        auto input = std::make_unique<StoreInput>();
        input->rowCount = rows;
        input->li = counting;
        input->na = -counting;
        input->time = 0.5 * counting;
        QVERIFY(input->addTo(store));
        input->li[1] = -1;
        input.reset(); // the importer frees its columns after the call
        const auto kept = store.rawInputFor(QStringLiteral("/data/run.csv"));
        QVERIFY(kept);
        QCOMPARE(kept->rowCount, rows);
        QVERIFY(arma::all(kept->channels.value(QStringLiteral("Li7")) == counting));
        QVERIFY(arma::all(kept->channels.value(QStringLiteral("Na23")) == -counting));
        QVERIFY(arma::all(kept->time == 0.5 * counting));
    }

    void convertTimeStamp_data()
    {
        addColumns<QString, QString, QDateTime>("stamp", "format", "expected");
        // The expected local time as yyyy-MM-ddThh:mm:ss.zzz; empty: invalid.
        const auto row = [](const char *name, const QString &stamp, const QString &expected,
                            const QString &format = QStringLiteral("dd MM yyyy hh mm ss")) {
            QTest::newRow(name) << stamp << format
                                << QDateTime::fromString(expected, Qt::ISODateWithMs);
        };
        row("day first, 24 h", "18 11 2020 14 24 29", "2020-11-18T14:24:29");
        row("year first overrides the format", "2020 11 18 14 24 29", "2020-11-18T14:24:29");
        row("12 h PM, one-digit hour", "16 11 2020 1 08 48 PM", "2020-11-16T13:08:48");
        row("month name first, lower-case pm", "Oct 29 2015 03 06 01 pm", "2015-10-29T15:06:01");
        row("long month name in the middle", "12 March 2020 2 05 33 PM", "2020-03-12T14:05:33");
        row("12 AM is midnight", "01 02 2020 12 00 00 AM", "2020-02-01T00:00:00");
        row("12 PM is noon", "01 02 2020 12 44 14 pm", "2020-02-01T12:44:14");
        row("11 am stays", "01 02 2020 11 58 02 am", "2020-02-01T11:58:02");
        row("marker with full stops", "01 02 2020 3 05 p.", "2020-02-01T15:05:00");
        row("no seconds", "12 03 2020 14 05", "2020-03-12T14:05:00");
        row("fractional seconds kept as ms", "12 03 2020 14 05 33.25", "2020-03-12T14:05:33.250");
        row("two-digit year is 20xx", "12 03 20 14 05 33", "2020-03-12T14:05:33",
            "dd MM yy hh mm ss");
        row("month first under a month-first format", "2 28 2020 11 59 00 AM",
            "2020-02-28T11:59:00", "MM dd yyyy hh mm ss");
        row("format with separators", "2 28 2020 11 59 00", "2020-02-28T11:59:00",
            "M/d/yyyy h:mm:ss");
        row("invalid: month first under the default format", "2 28 2020 11 59 00 AM", "");
        row("invalid: hour above 12 with a marker", "01 02 2020 13 00 00 PM", "");
        row("invalid: hour 25", "01 02 2020 25 00 00", "");
        row("invalid: 31 April", "31 04 2020 10 00 00", "");
        row("invalid: too few tokens", "12 03 2020 14", "");
        row("invalid: too many tokens", "12 03 2020 14 05 33 PM x", "");
        row("invalid: a date of two tokens", "12 03", "");
        row("invalid: a word where the marker stands", "12 03 2020 2 05 33 xx", "");
        row("invalid: minutes not digits", "12 03 2020 14 xx 33", "");
        row("invalid: three-digit day", "123 03 2020 14 05 33", "");
        row("invalid: three-digit year", "12 03 202 14 05 33", "");
        row("invalid: two month names", "Oct Nov 2020 14 05 33", "");
        row("invalid: word that is no month", "Foo 12 2020 14 05 33", "");
        row("invalid: signed day", "+5 12 2020 14 05 33", "");
        row("invalid: format without a year", "12 03 2020 14 05 33", "", "dd MM hh mm ss");
    }

    void convertTimeStamp()
    {
        const auto [stamp, format, expected] =
            fetchColumns<QString, QString, QDateTime>("stamp", "format", "expected");
        const QDateTime converted = AbstractImporter::convertTimeStamp(stamp, format);
        QCOMPARE(converted.isValid(), expected.isValid());
        if (expected.isValid()) {
            QCOMPARE(converted, expected);
            QCOMPARE(converted.timeSpec(), Qt::LocalTime);
        }
    }
};

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
