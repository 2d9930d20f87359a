// The host core: the data store's checks and copies, the log, and time-stamp conversion.
#include "abstractimporter.h"
#include "datamanager.h"
#include "log.h"

#include <QtTest>

class TestCore : public QObject
{
    Q_OBJECT

private slots:
    void dataStoreRefusesInconsistentInput_data();
    void dataStoreRefusesInconsistentInput();
    void dataStoreKeepsIndependentCopies();
    void logRecordsAndNotifies();
    void convertTimeStamp_data();
    void convertTimeStamp();
};

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
} // namespace

void TestCore::dataStoreRefusesInconsistentInput_data()
{
    QTest::addColumn<int>("fault");
    QTest::newRow("consistent input is taken") << 0;
    QTest::newRow("listed channel without a column") << 1;
    QTest::newRow("channel column shorter than the row count") << 2;
    QTest::newRow("time column longer than the row count") << 3;
    QTest::newRow("row count zero") << 4;
    QTest::newRow("no time column") << 5;
    QTest::newRow("null channel column") << 6;
}

void TestCore::dataStoreRefusesInconsistentInput()
{
    QFETCH(int, fault);
    StoreInput input;
    Column shortColumn(2, arma::fill::zeros);
    Column longColumn(4, arma::fill::zeros);
    switch (fault) {
    case 1: input.names.append(QStringLiteral("Mg24")); break;
    case 2: input.channels[QStringLiteral("Na23")] = &shortColumn; break;
    case 3: input.timePointer = &longColumn; break;
    case 4: input.rowCount = 0; break;
    case 5: input.timePointer = nullptr; break;
    case 6: input.channels[QStringLiteral("Li7")] = nullptr; break;
    }
    DataManager store;
    QCOMPARE(input.addTo(store), fault == 0);
    QCOMPARE(store.rawInputs().size(), fault == 0 ? 1 : 0);
}

void TestCore::dataStoreKeepsIndependentCopies()
{
    DataManager store;
    auto input = std::make_unique<StoreInput>();
    input->li[1] = 42.5;
    QVERIFY(input->addTo(store));
    input->li[1] = -1;
    input.reset(); // the importer frees its columns after the call
    const auto kept = store.rawInputFor(QStringLiteral("/data/run.csv"));
    QVERIFY(kept);
    QCOMPARE(kept->channels.value(QStringLiteral("Li7"))[1], 42.5);
    QCOMPARE(kept->rowCount, 3);
    store.forgetFile(QStringLiteral("/data/run.csv"));
    QVERIFY(!store.rawInputFor(QStringLiteral("/data/run.csv")));
}

void TestCore::logRecordsAndNotifies()
{
    Log log;
    QVector<LogEntry> heard;
    const int id = log.addListener([&](const LogEntry &entry) { heard.append(entry); });
    const QDateTime when = QDateTime::currentDateTime();
    log.warning(QStringLiteral("w"), when);
    log.debugWithOrigin(QStringLiteral("d"), QStringLiteral("here"), when);
    log.removeListener(id);
    log.warningWithOrigin(QStringLiteral("unheard"), QStringLiteral("there"), when);

    QCOMPARE(heard.size(), 2);
    QCOMPARE(heard.at(1).level, LogEntry::Debug);
    QCOMPARE(heard.at(1).origin, QStringLiteral("here"));
    const QVector<LogEntry> entries = log.entries();
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries.at(2).message, QStringLiteral("unheard"));
    QCOMPARE(entries.at(2).level, LogEntry::Warning);
    QCOMPARE(entries.at(0).time, when);
}

void TestCore::convertTimeStamp_data()
{
    QTest::addColumn<QString>("stamp");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QDateTime>("expected");
    const QString dayFirst = QStringLiteral("dd MM yyyy hh mm ss");
    const auto at = [](int y, int mo, int d, int h, int mi, int s, int ms = 0) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::LocalTime);
    };
    QTest::newRow("day first, 24 h") << "18 11 2020 14 24 29" << dayFirst << at(2020, 11, 18, 14, 24, 29);
    QTest::newRow("year first overrides the format") << "2020 11 18 14 24 29" << dayFirst << at(2020, 11, 18, 14, 24, 29);
    QTest::newRow("12 h PM, one-digit hour") << "16 11 2020 1 08 48 PM" << dayFirst << at(2020, 11, 16, 13, 8, 48);
    QTest::newRow("month name first, lower-case pm") << "Oct 29 2015 03 06 01 pm" << dayFirst << at(2015, 10, 29, 15, 6, 1);
    QTest::newRow("long month name in the middle") << "12 March 2020 2 05 33 PM" << dayFirst << at(2020, 3, 12, 14, 5, 33);
    QTest::newRow("12 AM is midnight") << "01 02 2020 12 00 00 AM" << dayFirst << at(2020, 2, 1, 0, 0, 0);
    QTest::newRow("12 PM is noon") << "01 02 2020 12 44 14 pm" << dayFirst << at(2020, 2, 1, 12, 44, 14);
    QTest::newRow("11 am stays") << "01 02 2020 11 58 02 am" << dayFirst << at(2020, 2, 1, 11, 58, 2);
    QTest::newRow("marker with full stops") << "01 02 2020 3 05 p." << dayFirst << at(2020, 2, 1, 15, 5, 0);
    QTest::newRow("no seconds") << "12 03 2020 14 05" << dayFirst << at(2020, 3, 12, 14, 5, 0);
    QTest::newRow("fractional seconds kept as ms") << "12 03 2020 14 05 33.25" << dayFirst << at(2020, 3, 12, 14, 5, 33, 250);
    QTest::newRow("two-digit year is 20xx") << "12 03 20 14 05 33" << QStringLiteral("dd MM yy hh mm ss") << at(2020, 3, 12, 14, 5, 33);
    QTest::newRow("month first under a month-first format") << "2 28 2020 11 59 00 AM" << QStringLiteral("MM dd yyyy hh mm ss") << at(2020, 2, 28, 11, 59, 0);
    QTest::newRow("format with separators") << "2 28 2020 11 59 00" << QStringLiteral("M/d/yyyy h:mm:ss") << at(2020, 2, 28, 11, 59, 0);
    QTest::newRow("invalid: month first under the default format") << "2 28 2020 11 59 00 AM" << dayFirst << QDateTime();
    QTest::newRow("invalid: hour above 12 with a marker") << "01 02 2020 13 00 00 PM" << dayFirst << QDateTime();
    QTest::newRow("invalid: hour 25") << "01 02 2020 25 00 00" << dayFirst << QDateTime();
    QTest::newRow("invalid: 31 April") << "31 04 2020 10 00 00" << dayFirst << QDateTime();
    QTest::newRow("invalid: too few tokens") << "12 03 2020 14" << dayFirst << QDateTime();
    QTest::newRow("invalid: too many tokens") << "12 03 2020 14 05 33 PM x" << dayFirst << QDateTime();
    QTest::newRow("invalid: three-digit day") << "123 03 2020 14 05 33" << dayFirst << QDateTime();
    QTest::newRow("invalid: three-digit year") << "12 03 202 14 05 33" << dayFirst << QDateTime();
    QTest::newRow("invalid: two month names") << "Oct Nov 2020 14 05 33" << dayFirst << QDateTime();
    QTest::newRow("invalid: word that is no month") << "Foo 12 2020 14 05 33" << dayFirst << QDateTime();
    QTest::newRow("invalid: format without a year") << "12 03 2020 14 05 33" << QStringLiteral("dd MM hh mm ss") << QDateTime();
}

void TestCore::convertTimeStamp()
{
    QFETCH(QString, stamp);
    QFETCH(QString, format);
    QFETCH(QDateTime, expected);
    const QDateTime converted = AbstractImporter::convertTimeStamp(stamp, format);
    QCOMPARE(converted.isValid(), expected.isValid());
    if (expected.isValid()) {
        QCOMPARE(converted, expected);
        QCOMPARE(converted.timeSpec(), Qt::LocalTime);
    }
}

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
