// A catalogue of broken inputs. Each ends with its message, exactly one finished() after
// progress(100), within seconds and with memory bounded by a small multiple of the input; and
// no import or format test changes a byte or a time stamp of the files it reads.
#include "agilentimporter.h"
#include "importtesting.h"
#include "timestamptext.h"

#include <QtTest>

#include <ctime>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TESSEL_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TESSEL_SANITIZED 1
#endif
#endif

namespace {

// Sanitizers slow the import down and keep freed memory in quarantine.
#ifdef TESSEL_SANITIZED
const bool sanitized = true;
#else
const bool sanitized = false;
#endif
// Processor time of the importing thread, so that other load on the machine does not count; a
// case that waits instead of working would meet CTest's time-out.
const qint64 timeLimitMs = sanitized ? 30000 : 8000;
const qint64 memoryFactor = 6;
const qint64 memorySlack = qint64(96) << 20; // Qt, the codecs, 20,000 channels' records

// What a case writes into its own folder; answers the path to import.
using MakeInput = std::function<QString(const QDir &)>;
// What happens to that path between the format test and the import.
using Interfere = std::function<void(const QString &)>;

struct BadInput
{
    MakeInput make;
    Interfere interfere;
};

QList<QByteArray> dataRows(int rows, int channels)
{
    QList<QByteArray> lines;
    for (int r = 0; r < rows; ++r) {
        QByteArray line = QByteArray::number(0.1234 + 0.5 * r);
        for (int c = 1; c <= channels; ++c)
            line += ',' + QByteArray::number(10 * r + c + 0.25);
        lines.append(line);
    }
    return lines;
}

// A channel header of the given headings after the time heading.
QByteArray headerOf(int channels, const std::function<QByteArray(int)> &heading)
{
    QByteArray header = "Time [Sec]";
    for (int c = 0; c < channels; ++c)
        header += ',' + heading(c);
    return header;
}

MakeInput file(const QString &name, const std::function<QByteArray()> &content)
{
    return [=](const QDir &dir) {
        const QString path = dir.filePath(name);
        writeBytes(path, content());
        return path;
    };
}

MakeInput exportFile(const std::function<QByteArray()> &content)
{
    return file(QStringLiteral("S1.csv"), content);
}

QByteArray plainExport()
{
    return exportText(dataRows(25, 2));
}

QByteArray randomBytes(int size)
{
    QRandomGenerator random(20201118);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

QByteArray sampleInfo(const QByteArray &dataFile, const QByteArray &comment = "none",
                      const QByteArray &doctype = {}, const QByteArray &sampleName = "Glass")
{
    const auto field = [](const QByteArray &name, const QByteArray &value) {
        return "<Field><Name>" + name + "</Name><Value>" + value + "</Value></Field>\n";
    };
    return "<?xml version=\"1.0\"?>\n" + doctype + "<SampleInfo><Version>1</Version>\n" +
           field("AcqTime", "2020-11-18T13:24:29Z") + field("Data File", dataFile) +
           field("InstrumentName", "G1") + field("Comment", comment) +
           field("Sample Name", sampleName) + "</SampleInfo>\n";
}

QByteArray method(const QByteArray &before = {}, const QByteArray &root = "AcquisitionDataSet")
{
    QByteArray elements;
    for (const auto &[symbol, mass] : {std::pair("Li", "7"), std::pair("Na", "23")})
        elements += QByteArray("<IcpmsElement><MZ>") + mass + "</MZ><ElementName>" + symbol +
                    "</ElementName><IntegrationTime>0.01</IntegrationTime></IcpmsElement>";
    return "<?xml version=\"1.0\"?>\n<" + root + ">" + before + elements + "</" + root + ">\n";
}

// The plain export in its acquisition folder S1.d, with the two XML files given.
MakeInput inFolder(const std::function<QByteArray()> &methodXml,
                   const std::function<QByteArray()> &sampleInfoXml)
{
    return [=](const QDir &dir) {
        dir.mkpath(QStringLiteral("S1.d/AcqData"));
        const QDir folder(dir.filePath(QStringLiteral("S1.d")));
        writeBytes(folder.filePath(QStringLiteral("AcqMethod.xml")), methodXml());
        writeBytes(folder.filePath(QStringLiteral("AcqData/sample_info.xml")), sampleInfoXml());
        const QString path = folder.filePath(QStringLiteral("S1.csv"));
        writeBytes(path, plainExport());
        return path;
    };
}

QByteArray billionLaughs()
{
    QByteArray doctype = "<!DOCTYPE SampleInfo [\n<!ENTITY lol0 \"lol\">\n";
    for (int i = 1; i <= 9; ++i)
        doctype += QByteArray("<!ENTITY lol%1 \"").replace("%1", QByteArray::number(i)) +
                   QByteArray("&lol%1;").replace("%1", QByteArray::number(i - 1)).repeated(10) +
                   "\">\n";
    return doctype + "]>\n";
}

QByteArray deepNesting(int levels)
{
    return QByteArray("<x>").repeated(levels) + QByteArray("</x>").repeated(levels);
}

// Every regular file below the folder with its content hash and modification time.
QMap<QString, QString> snapshot(const QString &folder)
{
    QMap<QString, QString> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (file.open(QIODevice::ReadOnly))
            hash.addData(&file);
        files.insert(path, QString::fromLatin1(hash.result().toHex()) + QLatin1Char(' ') +
                               QString::number(it.fileInfo().lastModified().toMSecsSinceEpoch()));
    }
    return files;
}

qint64 inputBytes(const QString &folder)
{
    qint64 bytes = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        bytes += it.fileInfo().size();
    }
    return bytes;
}

// The process's peak resident memory in bytes, and a way to start a new peak from here.
qint64 statusKiB(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

qint64 threadCpuMs()
{
    timespec time{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return qint64(time.tv_sec) * 1000 + time.tv_nsec / 1000000;
}

bool resetPeakMemory()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

void verifyUsage(qint64 processorMs, qint64 peakBytes, qint64 inputBytes)
{
    qInfo("%lld ms of processor time, peak memory %lld MiB for %lld MiB of input", processorMs,
          peakBytes >> 20, inputBytes >> 20);
    QVERIFY2(processorMs < timeLimitMs, qPrintable(QStringLiteral("took %1 ms").arg(processorMs)));
    if (!sanitized)
        QVERIFY2(peakBytes <= memoryFactor * inputBytes + memorySlack,
                 qPrintable(QStringLiteral("%1 MiB").arg(peakBytes >> 20)));
}

// One finished(), the last signal, after progress(100) and the closing message.
void verifyClosing(const SignalLog &log, const QString &message)
{
    QCOMPARE(log.entries.count(QStringLiteral("finished()")), 1);
    QCOMPARE(log.entries.last(), QStringLiteral("finished()"));
    QCOMPARE(log.only({"progress"}).last(), QStringLiteral("progress(100)"));
    QCOMPARE(log.only({"message"}).last(), QStringLiteral("message(%1)").arg(message));
}


} // namespace

Q_DECLARE_METATYPE(BadInput)

class TestBadInput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void endsCleanly_data();
    void endsCleanly();
    void allocationFailureEndsTheImport();

private:
    QTemporaryDir dir;
    int caseNumber = 0;
};

void TestBadInput::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings().clear();
    QVERIFY(dir.isValid());
}

void TestBadInput::endsCleanly_data()
{
    QTest::addColumn<BadInput>("input");
    QTest::addColumn<QString>("timeLine");
    QTest::addColumn<bool>("recognised");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("warning"); // part of a log warning; empty: no warning
    QTest::addColumn<int>("rows");        // rows stored, the terminating row included; -1: none
    QTest::addColumn<int>("channels");

    const QString loadError = QStringLiteral("File load error. See messages for details.");
    const QString openError = QStringLiteral("Couldn't load data. Check messages.");
    const QString stampError = QStringLiteral("Time stamp error. See messages for details.");
    const QString finished = QStringLiteral("Finished loading agilent sample data");
    const QString acquired = acquiredTimeOption;
    const Interfere none;

    QTest::newRow("empty file") << BadInput{exportFile([] { return QByteArray(); }), none}
                                << acquired << false << loadError << "(length < 2 lines)" << -1
                                << 0;
    QTest::newRow("64 KiB of binary garbage named .csv")
        << BadInput{exportFile([] { return randomBytes(64 << 10); }), none} << acquired << false
        << stampError << "missing time stamp" << -1 << 0;
    QTest::newRow("NUL byte in the path line: nothing after it is searched")
        << BadInput{exportFile([] {
                        return plainExport().replace("demo.b\\S1",
                                                     QByteArrayLiteral("de\0mo.b\\S1"));
                    }),
                    none}
        << acquired << true << stampError << "holds a NUL byte in line 1" << -1 << 0;
    QTest::newRow("NUL byte in the channel header: no row is counted")
        << BadInput{exportFile([] {
                        return plainExport().replace(",Na23", QByteArrayLiteral(",Na\0"
                                                                                "23"));
                    }),
                    none}
        << acquired << true << loadError << "holds a NUL byte in line 4" << -1 << 0;
    QTest::newRow("NUL byte in a data line: the rows before it")
        << BadInput{exportFile([] {
                        return plainExport().replace("\r\n5.1234,", QByteArrayLiteral("\r\n5.1\0"
                                                                                      "234,"));
                    }),
                    none}
        << acquired << true << finished << "holds a NUL byte in line 15: no data row" << 11 << 2;
    QTest::newRow("a 50 MB single line")
        << BadInput{exportFile([] { return QByteArray(50 << 20, '7'); }), none} << acquired << false
        << loadError << "(length < 2 lines)" << -1 << 0;
    QTest::newRow("a 50 MB path line before a good export")
        << BadInput{exportFile([] {
                        return plainExport().replace("demo.b\\S1",
                                                     QByteArray(50 << 20, 'a') + "\\S1");
                    }),
                    none}
        << acquired << true << finished << "" << 26 << 2;
    QTest::newRow("50 MB of empty lines after the header")
        << BadInput{exportFile([] { return exportText({}) + QByteArray(50 << 20, '\n'); }), none}
        << acquired << true << loadError << "holds no data rows" << -1 << 0;
    QTest::newRow("a 50 MB channel header of empty headings")
        << BadInput{exportFile([] {
                        return exportText(dataRows(3, 2),
                                          "Time [Sec],Li7" + QByteArray(50 << 20, ','));
                    }),
                    none}
        << acquired << true << loadError << "more than 67600 channels" << -1 << 0;
    QTest::newRow("20,000 channels")
        << BadInput{exportFile([] {
                        return exportText(dataRows(3, 20000), headerOf(20000, [](int c) {
                                              return "Li" + QByteArray::number(c + 1);
                                          }));
                    }),
                    none}
        << acquired << true << finished << "" << 4 << 20000;
    QTest::newRow("20,000 mass-shifted channels")
        << BadInput{exportFile([] {
                        return exportText(dataRows(3, 20000), headerOf(20000, [](int c) {
                                              return "Ti" + QByteArray::number(c / 2) + " -> " +
                                                     QByteArray::number(c % 2);
                                          }));
                    }),
                    none}
        << acquired << true << finished << "" << 4 << 20000;
    QTest::newRow("20,000 channels over 1,000 short lines")
        << BadInput{exportFile([] {
                        return exportText(dataRows(1000, 1), headerOf(20000, [](int c) {
                                              return "Li" + QByteArray::number(c + 1);
                                          }));
                    }),
                    none}
        << acquired << true << loadError << "1001 rows of 20000 channels are more values" << -1
        << 0;
    QTest::newRow("a truncated last line: the whole lines, and a warning")
        << BadInput{exportFile([] {
                        const QByteArray text =
                            exportText(dataRows(25, 2)).split('\n').mid(0, 29).join('\n');
                        return text.left(text.size() - 4);
                    }),
                    none}
        << acquired << true << finished
        << "after the 24 rows that its row count found, from line 29" << 25 << 2;
    QTest::newRow("a negative last value: one line not counted, the last not read")
        << BadInput{exportFile([] { return plainExport().replace(",102.25\r\n", ",-102.25\r\n"); }),
                    none}
        << acquired << true << finished
        << "after the 24 rows that its row count found, from line 29" << 25 << 2;
    QTest::newRow("invalid UTF-8 in channel names")
        << BadInput{exportFile([] {
                        return exportText(dataRows(5, 3), "Time [Sec],Li7,Na\xff"
                                                          "23,\xc3\xa9\xe2\x82");
                    }),
                    none}
        << acquired << true << finished << "" << 6 << 3;
    QTest::newRow("Chinese header words in UTF-8, not GB18030")
        << BadInput{exportFile([] {
                        return exportText(dataRows(5, 2), "时间 [s],Li7,Na23",
                                          "采集日期      : 18/11/2020 14:24:29 使用批处理 demo.b");
                    }),
                    none}
        << acquired << false << stampError << "missing time stamp" << -1 << 0;
    QTest::newRow("Japanese header word in UTF-8, not Shift_JIS")
        << BadInput{exportFile([] {
                        return exportText(dataRows(5, 2), "Time [Sec],Li7,Na23",
                                          "測定日時      : 2020/11/18 14:24:29");
                    }),
                    none}
        << acquired << false << stampError << "missing time stamp" << -1 << 0;
    QTest::newRow("an English export in UTF-16")
        << BadInput{exportFile([] {
                        const QString text = QString::fromUtf8(plainExport());
                        return QByteArray("\xff\xfe") +
                               QByteArray(reinterpret_cast<const char *>(text.utf16()),
                                          text.size() * 2);
                    }),
                    none}
        << acquired << false << stampError << "holds a NUL byte in line 1" << -1 << 0;

    QTest::newRow("deleted between the format test and the import")
        << BadInput{exportFile(plainExport), [](const QString &path) { QFile::remove(path); }}
        << acquired << true << openError << "No such file or directory" << -1 << 0;
    QTest::newRow("emptied between the format test and the import")
        << BadInput{exportFile(plainExport), [](const QString &path) { writeBytes(path, {}); }}
        << acquired << true << loadError << "(length < 2 lines)" << -1 << 0;
    QTest::newRow("replaced by another export between the format test and the import")
        << BadInput{exportFile(plainExport),
                    [](const QString &path) {
                        QFile::remove(path);
                        writeBytes(path, exportText(dataRows(7, 3), "Time [Sec],Li7,Na23,Mg24"));
                    }}
        << acquired << true << finished << "" << 8 << 3;
    QTest::newRow("unreadable file")
        << BadInput{[](const QDir &dir) {
                        const QString path = dir.filePath(QStringLiteral("S1.csv"));
                        writeBytes(path, plainExport());
                        QFile::setPermissions(path, {});
                        return path;
                    },
                    none}
        << acquired << false << openError << "Permission denied" << -1 << 0;
    QTest::newRow("a symbolic link to itself named .csv")
        << BadInput{[](const QDir &dir) {
                        const QString path = dir.filePath(QStringLiteral("S1.csv"));
                        QFile::link(path, path);
                        return path;
                    },
                    none}
        << acquired << false << openError << "for the following reason" << -1 << 0;
    QTest::newRow("a folder named x.csv")
        << BadInput{[](const QDir &dir) {
                        dir.mkdir(QStringLiteral("x.csv"));
                        return dir.filePath(QStringLiteral("x.csv"));
                    },
                    none}
        << acquired << false << openError << "not a regular file" << -1 << 0;
    QTest::newRow("a named pipe named x.csv (never opened)")
        << BadInput{[](const QDir &dir) {
                        const QString path = dir.filePath(QStringLiteral("x.csv"));
                        mkfifo(QFile::encodeName(path).constData(), 0600);
                        return path;
                    },
                    none}
        << acquired << false << openError << "not a regular file" << -1 << 0;

    const QByteArray dataFile = "D:\\DATA\\demo.b\\S1.d";
    QTest::newRow("sample information with billion-laughs entities")
        << BadInput{inFolder([] { return method(); },
                             [=] { return sampleInfo(dataFile, "&lol9;", billionLaughs()); }),
                    none}
        << acquired << true << finished << "" << 26 << 2;
    QTest::newRow("XML time asked for, billion-laughs entities before the time")
        << BadInput{inFolder([] { return method(); },
                             [=] {
                                 return sampleInfo(dataFile, "none", billionLaughs())
                                     .replace("<Version>1</Version>", "<Version>&lol9;</Version>");
                             }),
                    none}
        << "Use XML Time" << true << "Timestamp error."
        << "XML time was requested" << -1 << 0;
    QTest::newRow("a method with 100,000 levels of nesting")
        << BadInput{inFolder([] { return method(deepNesting(100000)); },
                             [=] { return sampleInfo(dataFile); }),
                    none}
        << acquired << true << finished << "" << 26 << 2;
    QTest::newRow("an external entity naming a named pipe (never opened)")
        << BadInput{[=](const QDir &dir) {
                        const QString pipe = dir.filePath(QStringLiteral("secret"));
                        mkfifo(QFile::encodeName(pipe).constData(), 0600);
                        const QByteArray doctype = "<!DOCTYPE SampleInfo [<!ENTITY ext SYSTEM \"" +
                                                   QFile::encodeName(pipe) + "\">]>\n";
                        return inFolder(
                            [] { return method(); },
                            [=] { return sampleInfo(dataFile, "none", doctype, "&ext;"); })(dir);
                    },
                    none}
        << acquired << true << finished << "" << 26 << 2;
    QTest::newRow("a 100 MB text node")
        << BadInput{inFolder([] { return method(); },
                             [=] { return sampleInfo(dataFile, QByteArray(100 << 20, 'x')); }),
                    none}
        << acquired << true << finished << "" << 26 << 2;
    QTest::newRow("sample information with a wrong root")
        << BadInput{inFolder(
                        [] { return method(); },
                        [=] { return sampleInfo(dataFile).replace("SampleInfo>", "Sample>"); }),
                    none}
        << acquired << true << finished << "" << 26 << 2;
    QTest::newRow("a method with a wrong root: no channels, and a warning")
        << BadInput{inFolder([] { return method({}, "Method"); },
                             [=] { return sampleInfo(dataFile); }),
                    none}
        << acquired << true << finished << "lists 0 channels but its first data line holds 2" << 26
        << 0;
    QTest::newRow("a \"Data File\" of a million characters")
        << BadInput{inFolder([] { return method(); },
                             [] {
                                 return sampleInfo("D:\\" + QByteArray("a\\").repeated(500000) +
                                                   "S1.d");
                             }),
                    none}
        << acquired << true << finished << "" << 26 << 2;
}

void TestBadInput::endsCleanly()
{
    QFETCH(BadInput, input);
    QFETCH(QString, timeLine);
    QFETCH(bool, recognised);
    QFETCH(QString, message);
    QFETCH(QString, warning);
    QFETCH(int, rows);
    QFETCH(int, channels);
    if (QTest::currentDataTag() == QLatin1String("unreadable file") && geteuid() == 0)
        QSKIP("root reads any file");

    QSettings().setValue(QStringLiteral("agilentTimeLineOption"), timeLine);
    const QDir caseDir(dir.filePath(QString::number(++caseNumber)));
    QVERIFY(caseDir.mkpath(QStringLiteral(".")));
    const QString path = input.make(caseDir);
    const qint64 bytes = inputBytes(caseDir.path());
    Session()->data()->clear();
    TsLog().clear();
    QVERIFY(resetPeakMemory());
    const qint64 memoryBefore = statusKiB("VmRSS") * 1024;

    AgilentImporter importer;
    importer.fileName = path;
    SignalLog log(importer);
    const auto beforeTest = snapshot(caseDir.path());
    qint64 cpuStart = threadCpuMs();
    QCOMPARE(importer.correctFormat(), recognised);
    qint64 elapsed = threadCpuMs() - cpuStart;
    QCOMPARE(snapshot(caseDir.path()), beforeTest);
    if (input.interfere)
        input.interfere(path);
    const auto beforeImport = snapshot(caseDir.path());
    cpuStart = threadCpuMs();
    importer.importData(true);
    elapsed += threadCpuMs() - cpuStart;
    QCOMPARE(snapshot(caseDir.path()), beforeImport);

    verifyUsage(elapsed, statusKiB("VmHWM") * 1024 - memoryBefore, bytes);
    verifyClosing(log, message);
    if (QTest::currentTestFailed())
        return;
    const QStringList written = loggedWarnings();
    if (warning.isEmpty())
        QVERIFY2(written.isEmpty(), qPrintable(written.join(QLatin1Char('\n'))));
    else
        QVERIFY2(written.filter(warning).size() == 1, qPrintable(written.join(QLatin1Char('\n'))));
    const auto stored = Session()->data()->rawInputFor(path);
    QCOMPARE(stored ? stored->rowCount : -1, rows);
    if (stored)
        QCOMPARE(stored->channelNames.size(), channels);
}

// Memory that cannot be had, anywhere in the import (here: while progress(10) is delivered),
// ends it like any other failure; nothing escapes to the host.
void TestBadInput::allocationFailureEndsTheImport()
{
    const QString path = dir.filePath(QStringLiteral("memory.csv"));
    QVERIFY(writeBytes(path, plainExport()));
    Session()->data()->clear();
    TsLog().clear();
    AgilentImporter importer;
    importer.fileName = path;
    SignalLog log(importer);
    QObject::connect(&importer, &AbstractImporter::progress, [](double percent) {
        if (percent == 10.0)
            throw std::bad_alloc();
    });
    importer.importData(true);
    QCOMPARE(log.entries, (QStringList{"task(Agilent Importer)", "progress(10)",
                                       "message(File load error. See messages for details.)",
                                       "progress(100)", "finished()"}));
    QVERIFY(loggedWarnings().filter("not enough memory to read it").size() == 1);
    QVERIFY(Session()->data()->rawInputs().isEmpty());
}

QTEST_GUILESS_MAIN(TestBadInput)
#include "tst_badinput.moc"
