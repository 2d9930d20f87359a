// The data store and the log used from several threads at once, as a batch host does: every
// import on its own thread with its own importer, files forgotten meanwhile, nothing lost, nothing
// mixed up. The imports start together as the process's first reading of dates, so that each
// acquisition folder's time is read while the others' are.
#include "agilentimporter.h"
#include "importtesting.h"

#include <QProcess>
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
            acquisition.layout = Layout::InFolder;
            acquisition.firstLine = "D:\\DATA\\demo.b\\run" + QByteArray::number(f) + ".d";
            acquisition.setField("Data File", acquisition.firstLine);
            acquisition.setField("Sample Name", "sample " + QByteArray::number(f));
            acquisition.unitLine = "Intensity Vs Time,Counts"; // a warning from each import
            acquisition.rows.clear();
            for (int r = 0; r < 400; ++r)
                acquisition.rows.append(QByteArray::number(0.5 * r) + "," + QByteArray::number(f) +
                                        "," + QByteArray::number(r));
            paths.append(acquisition.writeTo(dir.path()));
        }
        std::atomic<int> heard{0};
        const int listener = TsLog().addListener([&](const LogEntry &) { ++heard; });
        QVector<QString> labels(files);
        QVector<QDateTime> acquired(files);
        std::atomic<bool> start{false};
        std::vector<std::thread> workers;
        for (int f = 0; f < files; ++f) {
            workers.emplace_back([&, f] {
                AgilentImporter importer;
                importer.fileName = paths.at(f);
                while (!start)
                    std::this_thread::yield();
                importer.importData(true);
                labels[f] = importer.sampleLabel;
                acquired[f] = importer.acquisitionTime;
                if (f % 2) // a batch host forgets each file it has reported on
                    Session()->data()->forgetFile(importer.fileName);
            });
        }
        start = true;
        for (auto &worker : workers)
            worker.join();
        for (int f = 0; f < files; ++f) {
            QCOMPARE(labels.at(f), QStringLiteral("sample %1").arg(f));
            QCOMPARE(acquired.at(f), QDateTime(QDate(2020, 11, 18), QTime(13, 24, 29), Qt::UTC));
        }
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
        QCOMPARE(heard.load(), 2 * files); // each import's warning and its folder's note
    }

    // A race in a process's first reading of dates shows in a few runs of a hundred: the imports
    // above run again, each time in a fresh process.
    void concurrentImportsInFreshProcesses()
    {
        for (int run = 0; run < 30; ++run) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {"concurrentImports"});
            QVERIFY(child.waitForFinished(120000));
            QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                     child.readAllStandardOutput().constData());
        }
    }
};

QTEST_GUILESS_MAIN(TestConcurrency)
#include "tst_concurrency.moc"
