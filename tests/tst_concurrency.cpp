// The data store and the log used from several threads at once, as a batch host does: every
// import on its own thread with its own importer, nothing lost, nothing mixed up.
#include "agilentimporter.h"
#include "importtesting.h"

#include <QtTest>

#include <atomic>
#include <thread>

class TestConcurrency : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void storeAndLogUnderContention();
    void concurrentImports();

private:
    QTemporaryDir dir;
};

void TestConcurrency::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings().clear();
    QVERIFY(dir.isValid());
}

void TestConcurrency::storeAndLogUnderContention()
{
    DataManager store;
    Log log;
    std::atomic<int> heard{0};
    log.addListener([&](const LogEntry &) { ++heard; });
    const int threads = 8;
    const int rounds = 300;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            Column time(4, arma::fill::value(double(t)));
            Column values(4, arma::fill::value(double(t)));
            const QHash<QString, Column *> channels{{QStringLiteral("Li7"), &values}};
            for (int r = 0; r < rounds; ++r) {
                const QString path = QStringLiteral("/data/%1-%2.csv").arg(t).arg(r);
                store.addRawDataToInputData(path, {QStringLiteral("Li7")}, channels, &time, {}, {},
                                            4, {}, {}, {}, {});
                log.warningWithOrigin(path, QStringLiteral("worker"), QDateTime::currentDateTime());
                const auto kept = store.rawInputFor(path);
                if (!kept || kept->channels.value(QStringLiteral("Li7"))[3] != double(t))
                    qFatal("lost or mixed-up data for %s", qPrintable(path));
                if (r % 2)
                    store.forgetFile(path);
            }
        });
    }
    for (auto &worker : workers)
        worker.join();
    QCOMPARE(store.rawInputs().size(), threads * rounds / 2);
    QCOMPARE(log.entries().size(), threads * rounds);
    QCOMPARE(heard.load(), threads * rounds);
}

void TestConcurrency::concurrentImports()
{
    const int files = 12;
    QStringList paths;
    for (int f = 0; f < files; ++f) {
        Acquisition acquisition;
        acquisition.name = QStringLiteral("run%1").arg(f);
        acquisition.rows.clear();
        for (int r = 0; r < 400; ++r)
            acquisition.rows.append(QByteArray::number(0.5 * r) + "," + QByteArray::number(f) +
                                    "," + QByteArray::number(r));
        paths.append(acquisition.writeTo(dir.path()));
    }
    Session()->data()->clear();
    TsLog().clear();
    std::vector<std::thread> workers;
    for (const QString &path : qAsConst(paths)) {
        workers.emplace_back([path] {
            AgilentImporter importer;
            importer.fileName = path;
            importer.importData(true);
        });
    }
    for (auto &worker : workers)
        worker.join();
    for (int f = 0; f < files; ++f) {
        const auto stored = Session()->data()->rawInputFor(paths.at(f));
        QVERIFY(stored);
        QCOMPARE(stored->rowCount, 401);
        QCOMPARE(stored->channels.value(QStringLiteral("Li7"))[17], double(f));
        QCOMPARE(stored->channels.value(QStringLiteral("Na23"))[399], 399.0);
    }
    QCOMPARE(Session()->data()->files().size(), files);
    QVERIFY(TsLog().entries().isEmpty());
}

QTEST_GUILESS_MAIN(TestConcurrency)
#include "tst_concurrency.moc"
