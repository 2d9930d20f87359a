// The data store and the log used from several threads at once, as a batch host does: every
// import on its own thread with its own importer, files forgotten meanwhile, nothing lost, nothing
// mixed up.
#include "agilentimporter.h"
#include "importtesting.h"

#include <QtTest>

#include <atomic>
#include <thread>

class TestConcurrency : public ImportTestCase
{
    Q_OBJECT

private slots:
    void concurrentImports()
    {
        const int files = 12;
        QStringList paths;
        for (int f = 0; f < files; ++f) {
            Acquisition acquisition;
            acquisition.name = QStringLiteral("run%1").arg(f);
            acquisition.unitLine = "Intensity Vs Time,Counts"; // a warning from each import
            acquisition.rows.clear();
            for (int r = 0; r < 400; ++r)
                acquisition.rows.append(QByteArray::number(0.5 * r) + "," + QByteArray::number(f) +
                                        "," + QByteArray::number(r));
            paths.append(acquisition.writeTo(dir.path()));
        }
        std::atomic<int> heard{0};
        const int listener = TsLog().addListener([&](const LogEntry &) { ++heard; });
        std::vector<std::thread> workers;
        for (int f = 0; f < files; ++f) {
            workers.emplace_back([&paths, f] {
                AgilentImporter importer;
                importer.fileName = paths.at(f);
                importer.importData(true);
                if (f % 2) // a batch host forgets each file it has reported on
                    Session()->data()->forgetFile(importer.fileName);
            });
        }
        for (auto &worker : workers)
            worker.join();
        TsLog().removeListener(listener);
        const QDateTime when = QDateTime::currentDateTime();
        TsLog().debugWithOrigin("unheard", "here", when); // the listener is gone
        const LogEntry last = TsLog().entries().last();
        QVERIFY(last.level == LogEntry::Debug && last.origin == "here" && last.time == when);
        for (int f = 0; f < files; ++f) {
            const auto stored = Session()->data()->rawInputFor(paths.at(f));
            QCOMPARE(bool(stored), f % 2 == 0);
            if (!stored)
                continue;
            QCOMPARE(stored->rowCount, 401);
            QCOMPARE(stored->channels.value(QStringLiteral("Li7"))[17], double(f));
            QCOMPARE(stored->channels.value(QStringLiteral("Na23"))[399], 399.0);
        }
        // Forgetting a file drops its records and keeps every other file's.
        QCOMPARE(Session()->data()->files().size(), files / 2);
        QCOMPARE(Session()->data()->samples().size(), files / 2);
        for (const auto &file : Session()->data()->files())
            QCOMPARE(paths.indexOf(file->location.path()) % 2, 0);
        QCOMPARE(loggedWarnings().size(), files);
        QCOMPARE(heard.load(), files);
    }
};

QTEST_GUILESS_MAIN(TestConcurrency)
#include "tst_concurrency.moc"
