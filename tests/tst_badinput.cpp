// The failure catalogue: every way an import can fail, and inputs built to break it. Each case
// ends with its exact signals and log entries, one finished() after progress(100), within
// seconds and with memory bounded by a small multiple of the input; and no import or format
// test changes a byte or a time stamp of the files it reads.
#include "agilentimporter.h"
#include "importtesting.h"

#include <QtTest>

#include <ctime>
#include <optional>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

// Sanitizers slow the import down and keep freed memory in quarantine.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TESSEL_SANITIZED true
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TESSEL_SANITIZED true
#endif
#endif
#ifndef TESSEL_SANITIZED
#define TESSEL_SANITIZED false
#endif

namespace {

const bool sanitized = TESSEL_SANITIZED;
// Processor time of the importing thread, so that other load on the machine does not count; a
// case that waits instead of working would meet CTest's time-out.
const qint64 timeLimitMs = sanitized ? 30000 : 8000;
const qint64 memoryFactor = 6;
const qint64 memorySlack = qint64(96) << 20; // Qt, the codecs, 20,000 channels' records

// What a case writes into its own folder; answers the path to import.
using MakeInput = std::function<QString(const QDir &)>;
// What happens between the format test and the import, to the file or to the importer.
using Interfere = std::function<void(const QString &, AgilentImporter &)>;

struct BadInput
{
    MakeInput make;
    Interfere interfere;
};

// The usual export with 25 rows of two channels, changed by the mutation.
Acquisition usual(const Mutation &mutate = {})
{
    Acquisition acquisition;
    acquisition.rows = ruleRows(25, 2);
    if (mutate)
        mutate(acquisition);
    return acquisition;
}

BadInput built(const Mutation &mutate, const Interfere &interfere = {})
{
    return {[=](const QDir &dir) { return usual(mutate).writeTo(dir.path()); }, interfere};
}

BadInput bytes(const std::function<QByteArray()> &content, const Interfere &interfere = {})
{
    return {[=](const QDir &dir) {
                writeBytes(dir.filePath(QStringLiteral("Run1.csv")), content());
                return dir.filePath(QStringLiteral("Run1.csv"));
            },
            interfere};
}

// The usual export in its acquisition folder, the folder's files changed by the mutation.
BadInput inFolder(const Mutation &mutate)
{
    return built([=](Acquisition &a) {
        a.layout = Layout::InFolder;
        mutate(a);
    });
}

QByteArray randomBytes(int size)
{
    QRandomGenerator random(20201118);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

// A channel header of the given headings after the time heading.
QByteArray headerOf(int channels, const std::function<QByteArray(int)> &heading)
{
    QByteArray header = "Time [Sec]";
    for (int c = 0; c < channels; ++c)
        header += ',' + heading(c);
    return header;
}

QByteArray billionLaughs()
{
    QByteArray doctype = "<!DOCTYPE SampleInfo [\n<!ENTITY lol0 \"lol\">\n";
    for (int i = 1; i <= 9; ++i)
        doctype += "<!ENTITY lol" + QByteArray::number(i) + " \"" +
                   ("&lol" + QByteArray::number(i - 1) + ";").repeated(10) + "\">\n";
    return doctype + "]>\n";
}

#ifdef Q_OS_WIN
// Windows keeps the peak of a process's whole life, with no reset: the memory bound is checked
// where a case's own peak can be had.
bool resetPeakMemory()
{
    return true;
}
std::optional<qint64> peakBytesSinceReset()
{
    return std::nullopt;
}

qint64 threadCpuMs()
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME &t) {
        return (qint64(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000; // 100 ns to ms
    };
    return ticks(kernel) + ticks(user);
}

// Handles that keep files locked until the case ends.
QVector<HANDLE> lockedFiles;

// Opens the file shared with nobody, as a program writing it may: every other open fails.
void lockFile(const QString &path)
{
    lockedFiles.append(CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ, 0,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void unlockFiles()
{
    for (HANDLE handle : qAsConst(lockedFiles))
        CloseHandle(handle);
    lockedFiles.clear();
}

// Named pipes cannot be made in a Windows folder: those cases are skipped.
void makeNamedPipe(const QString &) {}

// Cases this system cannot make.
QString caseSkipped(const QString &tag)
{
    if (tag.contains(QLatin1String("named pipe")))
        return QStringLiteral("named pipes live outside a Windows file system");
    if (tag.contains(QLatin1String("symbolic link")))
        return QStringLiteral("Windows links files with shortcuts, or with a right few accounts "
                              "hold");
    return {};
}
#else
// A field of /proc/self/status in KiB; VmHWM, the peak, starts anew at resetPeakMemory().
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

qint64 bytesAtReset = 0;

bool resetPeakMemory()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    bytesAtReset = statusKiB("VmRSS") * 1024;
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

// The memory taken since resetPeakMemory(), at its peak.
std::optional<qint64> peakBytesSinceReset()
{
    return statusKiB("VmHWM") * 1024 - bytesAtReset;
}

qint64 threadCpuMs()
{
    timespec time{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return qint64(time.tv_sec) * 1000 + time.tv_nsec / 1000000;
}

void makeNamedPipe(const QString &path)
{
    mkfifo(QFile::encodeName(path).constData(), 0600);
}

QString caseSkipped(const QString &tag)
{
    if (tag == QLatin1String("unreadable file") && geteuid() == 0)
        return QStringLiteral("root reads any file");
    return {};
}
#endif

// What the system says when a file to open is not there.
QString missingFileReason()
{
    QFile missing(QDir::temp().filePath(QStringLiteral("no such file")));
    missing.open(QIODevice::ReadOnly);
    return missing.errorString();
}

const QString loadError = QStringLiteral("File load error. See messages for details.");
const QString stampError = QStringLiteral("Time stamp error. See messages for details.");
const QString timeLineError = QStringLiteral("Timestamp error.");
const QString headerError = QStringLiteral("Channel header error. See messages for details.");
const QString invalidStamp = QStringLiteral("A problem occurred. Check messages.");
const QString importOrigin = QStringLiteral("void __cdecl AgilentImporter::importData(bool)");
const QString stampOrigin = QStringLiteral("class QDateTime __cdecl "
                                           "AgilentImporter::getDateTimeFromCSV(const class "
                                           "QList<class QByteArray> &)");

// Every signal of an import that fails after the file was opened; importError when given.
QStringList failed(const QString &message, const QString &importError = {})
{
    QStringList signalLog{"task(Agilent Importer)", "progress(10)",
                          "message(Reading file headers...)"};
    if (!importError.isNull())
        signalLog.append(QStringLiteral("importError(%1)").arg(importError));
    return signalLog + closing(message);
}

} // namespace

Q_DECLARE_METATYPE(BadInput)

class TestBadInput : public ImportTestCase
{
    Q_OBJECT

private slots:
    void endsCleanly_data();
    void endsCleanly();

private:
    int caseNumber = 0;
};

void TestBadInput::endsCleanly_data()
{
    // timeLine: the time-line preference; null: the default
    addColumns<BadInput, QString, bool>("input", "timeLine", "recognised");
    // Every signal when nothing is stored, else the last ones; %1: the file's path.
    // warnings: in order, as warningMatches() reads them
    // rows: rows stored, the terminating row included
    addColumns<QStringList, QStringList, int, int>("signalLog", "warnings", "rows", "channels");
    const auto fails = [](const char *name, const BadInput &input, const QStringList &signalLog,
                          const QStringList &warnings, bool recognised = true,
                          const QString &timeLine = {}) {
        QTest::newRow(name) << input << timeLine << recognised << signalLog << warnings << -1 << 0;
    };
    const auto imports = [](const char *name, const BadInput &input, int rows, int channels,
                            const QStringList &warnings = {}) {
        QTest::newRow(name) << input << QString() << true
                            << closing(QStringLiteral("Finished loading agilent sample data"))
                            << warnings << rows << channels;
    };
    const QStringList openFailed{"task(Agilent Importer)", "progress(100)",
                                 "message(Couldn't load data. Check messages.)", "finished()"};
    const QString couldNot = QStringLiteral("Could not load the file \"%1\" ");
    const QString openFailure =
        QStringLiteral("Could not load the file %1 for the following reason: ");
    const QString twoLines = couldNot + "due to a problem reading the file (length < 2 lines).";
    const QString noStamp = couldNot + "due to a missing time stamp (?).";
    const QString noRows = couldNot + "because it holds no data rows.";
    const QString noXml =
        couldNot + "because XML time was requested but no XML data could be loaded.";
    const QString noHeader = couldNot + "due to missing (?) channel header";
    const QString nul = QStringLiteral("The file \"%1\" holds a NUL byte in line %2: no data row "
                                       "from that line on is read.");
    const QString unrecognised = couldNot + "due to an unrecognised time stamp \"%2\" using the "
                                            "time stamp option \"%3\".";
    const QString impossible = couldNot + "due to an impossible or invalid time stamp \"%2\" using "
                                          "the date/time format dd MM yyyy hh mm ss. Please check "
                                          "the data import options in preferences.";
    const QString uncounted =
        QStringLiteral("after the %1 rows that its row count found, from line %2");
    const QString acquired = QStringLiteral("Use 'Acquired' Time");
    const auto stamp = [](const QByteArray &text) {
        return [=](Acquisition &a) { a.stampLine = "Acquired      : " + text + " using Batch"; };
    };
    const auto usualBytes = [] { return usual().exportBytes(); };
    const auto numbered = [](int c) { return "Li" + QByteArray::number(c + 1); };

    fails("empty file", bytes([] { return QByteArray(); }), failed(loadError), {twoLines}, false);
    fails("a 50 MB single line", bytes([] { return QByteArray(50 << 20, '7'); }), failed(loadError),
          {twoLines}, false);
    fails("64 KiB of binary garbage named .csv", bytes([] { return randomBytes(64 << 10); }),
          failed(stampError, stampError), {"holds a NUL byte in line", noStamp}, false);
    fails("XML time without an acquisition folder", built({}), failed(timeLineError), {noXml}, true,
          "Use XML Time");
    fails("unknown time-line option", built({}), failed(timeLineError),
          {couldNot + "because the time line option \"Use Nothing\" is not known: use \"Use "
                      "'Acquired' Time\", \"Use 'Printed' Time\" or a value containing \"XML\"."},
          true, "Use Nothing");
    fails("one blank before the colon of Acquired: no stamp line",
          built([](Acquisition &a) { a.stampLine = "Acquired : 18/11/2020 14:24:29 using B"; }),
          failed(stampError, stampError), {noStamp}, false);
    const QString noTime = unrecognised.arg("%1", "12/03/2020", acquired);
    fails("a date without a time", built(stamp("12/03/2020")), failed(stampError, noTime),
          {noTime});
    const QString emptyStamp = unrecognised.arg("%1", "", "Acquired");
    fails("time-line option naming Acquired loosely: an empty stamp", built({}),
          failed(stampError, emptyStamp), {emptyStamp}, true, "Acquired");
    const QString monthFirst = impossible.arg("%1", "2 28 2020 11 59 00 AM");
    fails("month first under the default format", built(stamp("2/28/2020 11:59:00 AM")),
          failed(invalidStamp, monthFirst), {monthFirst});
    const QString before1970 = impossible.arg("%1", "01 01 1970 00 00 00");
    fails("a stamp before December 1970", built(stamp("01/01/1970 00:00:00")),
          failed(invalidStamp, before1970), {before1970});
    fails("unrecognised channel header",
          built([](Acquisition &a) { a.header = "Time [Sec],Li 7,Na23"; }), failed(headerError),
          {noHeader});
    fails("three lines, no channel header", bytes([] {
              return QByteArray("D:\\x.d\r\nIntensity Vs Time\r\nAcquired      : 18/11/2020 "
                                "14:24:29 using Batch");
          }),
          failed(headerError), {noHeader});
    fails("first data line empty: no data rows", built([](Acquisition &a) {
              a.rows = {",1,2", "0.5,1,2"};
          }),
          failed(loadError), {noRows});
    fails("50 MB of empty lines after the header", bytes([] {
              return usual([](Acquisition &a) { a.rows.clear(); }).exportBytes() +
                     QByteArray(50 << 20, '\n');
          }),
          failed(loadError), {noRows});
    fails("NUL byte in the path line: nothing after it is searched",
          built([](Acquisition &a) { a.firstLine.insert(8, '\0'); }),
          failed(stampError, stampError), {nul.arg("%1", "1"), noStamp});
    fails("NUL byte in the channel header: no row is counted",
          built([](Acquisition &a) { a.header.insert(17, '\0'); }), failed(loadError),
          {nul.arg("%1", "4"), uncounted.arg(0).arg(5), noRows});
    imports("NUL byte in a data line: the rows before it",
            built([](Acquisition &a) { a.rows[10].insert(3, '\0'); }), 11, 2,
            {nul.arg("%1", "15"), uncounted.arg(10).arg(15)});
    imports("a 50 MB path line before a good export",
            built([](Acquisition &a) { a.firstLine.insert(8, QByteArray(50 << 20, 'a')); }), 26, 2);
    fails("a 50 MB channel header of empty headings",
          built([](Acquisition &a) { a.header = "Time [Sec],Li7" + QByteArray(50 << 20, ','); }),
          failed(loadError),
          {couldNot + "because its channel header names more than 67600 channels."});
    imports("a plain heading after a tandem one of its name: renamed, with a warning",
            built([](Acquisition &a) { a.header = "Time [Sec],P31 -> 47,P31"; }), 26, 2,
            {"holds the heading \"P31\", whose name the earlier heading \"P31 -> 47\" took; its "
             "values are read as the channel \"P31_31\"."});
    imports("a tandem heading after the renamed one: renamed too, the warning counts it",
            built([](Acquisition &a) { a.header = "Time [Sec],P31 -> 47,P31,P31 -> 31"; }), 26, 3,
            {"values are read as the channel \"P31_31\". 1 more headings repeat a name and are "
             "renamed alike."});
    imports("20,000 channels", built([=](Acquisition &a) {
                a.header = headerOf(20000, numbered);
                a.rows = ruleRows(3, 20000);
            }),
            4, 20000);
    fails("20,000 channels over 1,000 short lines", built([=](Acquisition &a) {
              a.header = headerOf(20000, numbered);
              a.rows = ruleRows(1000, 1);
          }),
          failed(loadError), {"because 1001 rows of 20000 channels are more values than its"});
    imports("a truncated last line: the whole lines, and a warning", bytes([=] {
                const QByteArray text = usualBytes(); // cut after "12.1234,241.25,242"
                return text.left(text.indexOf("\r\n\r\n") - 3);
            }),
            25, 2, {uncounted.arg(24).arg(29)});
    imports("a negative last value: one line not counted, the last not read",
            built([](Acquisition &a) { a.rows[10].replace(",102.25", ",-102.25"); }), 25, 2,
            {uncounted.arg(24).arg(29)});
    imports("invalid UTF-8 in channel names", built([](Acquisition &a) {
                a.header = "Time [Sec],Li7,Na\xff"
                           "23,\xc3\xa9\xe2\x82";
                a.rows = ruleRows(5, 3);
            }),
            6, 3);
    fails("an English export in UTF-16", bytes([=] {
              const QString text = QString::fromUtf8(usualBytes());
              return "\xff\xfe" +
                     QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
          }),
          failed(stampError, stampError), {nul.arg("%1", "1"), noStamp}, false);
    fails("larger than 2 GiB",
          bytes(usualBytes,
                [](const QString &path, AgilentImporter &) {
                    QFile(path).resize(qint64(3) << 30); // sparse: takes no disk space
                }),
          failed(loadError), {"because it is too large (3221225472 bytes; at most"});
    fails("no memory while progress(10) is delivered",
          bytes(usualBytes,
                [](const QString &, AgilentImporter &importer) {
                    QObject::connect(&importer, &AbstractImporter::progress, [](double percent) {
                        if (percent == 10.0)
                            throw std::bad_alloc();
                    });
                }),
          QStringList{"task(Agilent Importer)", "progress(10)"} + closing(loadError),
          {couldNot + "because there is not enough memory to read it."});

    fails("deleted between the format test and the import",
          bytes(usualBytes, [](const QString &path, AgilentImporter &) { QFile::remove(path); }),
          openFailed, {openFailure + missingFileReason()});
    fails("emptied between the format test and the import",
          bytes(usualBytes, [](const QString &path, AgilentImporter &) { writeBytes(path, {}); }),
          failed(loadError), {twoLines});
    imports("replaced by another export between the format test and the import",
            bytes(usualBytes,
                  [](const QString &path, AgilentImporter &) {
                      QFile::remove(path);
                      writeBytes(path, usual([](Acquisition &a) {
                                           a.header = "Time [Sec],Li7,Na23,Mg24";
                                           a.rows = ruleRows(7, 3);
                                       }).exportBytes());
                  }),
            8, 3);
#ifdef Q_OS_WIN
    fails("a file another program holds locked",
          BadInput{[](const QDir &dir) {
                       const QString path = usual().writeTo(dir.path());
                       lockFile(path);
                       return path;
                   },
                   {}},
          openFailed, {"for the following reason: "}, false);
#else
    fails("unreadable file",
          BadInput{[](const QDir &dir) {
                       const QString path = usual().writeTo(dir.path());
                       QFile::setPermissions(path, {});
                       return path;
                   },
                   {}},
          openFailed, {openFailure + "Permission denied"}, false);
#endif
    const auto special = [](const std::function<void(const QString &)> &make) {
        return BadInput{[=](const QDir &dir) {
                            make(dir.filePath(QStringLiteral("x.csv")));
                            return dir.filePath(QStringLiteral("x.csv"));
                        },
                        {}};
    };
    fails("a symbolic link to itself named .csv",
          special([](const QString &path) { QFile::link(path, path); }), openFailed,
          {"for the following reason: "}, false);
    fails("a folder named x.csv", special([](const QString &path) { QDir().mkdir(path); }),
          openFailed, {openFailure + "it is not a regular file"}, false);
    fails("a named pipe named x.csv (never opened)", special(makeNamedPipe), openFailed,
          {openFailure + "it is not a regular file"}, false);

    imports("billion-laughs entities in the last field of the sample information",
            inFolder([](Acquisition &a) {
                a.sampleProlog = billionLaughs();
                a.setField("Comment", {}); // removed, then written last
                a.setField("Comment", "&lol9;");
            }),
            26, 2);
    fails("XML time asked for, billion-laughs entities before AcqTime",
          inFolder([](Acquisition &a) {
              a.sampleProlog = billionLaughs();
              a.setField("Comment", "&lol9;");
          }),
          failed(timeLineError), {noXml}, true, "Use XML Time");
    imports("a method with 100,000 levels of nesting", inFolder([](Acquisition &a) {
                a.methodPrefix =
                    QByteArray("<x>").repeated(100000) + QByteArray("</x>").repeated(100000);
            }),
            26, 2);
    imports("an external entity naming a named pipe (never opened)",
            BadInput{[](const QDir &dir) {
                         const QString pipe = dir.filePath(QStringLiteral("secret"));
                         makeNamedPipe(pipe);
                         Acquisition a = usual();
                         a.layout = Layout::InFolder;
                         a.sampleProlog = "<!DOCTYPE SampleInfo [<!ENTITY ext SYSTEM \"" +
                                          QFile::encodeName(pipe) + "\">]>\n";
                         a.setField("Sample Name", "&ext;");
                         return a.writeTo(dir.path());
                     },
                     {}},
            26, 2);
    imports("a 100 MB text node",
            inFolder([](Acquisition &a) { a.setField("Comment", QByteArray(100 << 20, 'x')); }), 26,
            2);
    imports("sample information with a wrong root",
            inFolder([](Acquisition &a) { a.sampleRoot = "Sample"; }), 26, 2);
    imports("a method with a wrong root: no channels, and a warning",
            inFolder([](Acquisition &a) { a.methodRoot = "Method"; }), 26, 0,
            {"lists 0 channels but its first data line holds 2"});
    imports("a \"Data File\" of a million characters", inFolder([](Acquisition &a) {
                a.setField("Data File", "D:\\" + QByteArray("a\\").repeated(500000) + "Run1.d");
            }),
            26, 2);
}

void TestBadInput::endsCleanly()
{
    auto [input, timeLine, recognised, signalLog, warnings, rows, channels] =
        fetchColumns<BadInput, QString, bool, QStringList, QStringList, int, int>(
            "input", "timeLine", "recognised", "signalLog", "warnings", "rows", "channels");
    const QString skipped = caseSkipped(QString::fromUtf8(QTest::currentDataTag()));
    if (!skipped.isEmpty())
        QSKIP(qPrintable(skipped));
#ifdef Q_OS_WIN
    const auto unlock = qScopeGuard(unlockFiles);
#endif

    if (!timeLine.isNull())
        QSettings().setValue(QStringLiteral("agilentTimeLineOption"), timeLine);
    const QDir caseDir(dir.filePath(QString::number(++caseNumber)));
    QVERIFY(caseDir.mkpath(QStringLiteral(".")));
    const QString path = input.make(caseDir);
    QVERIFY(resetPeakMemory());

    AgilentImporter importer;
    importer.fileName = path;
    SignalLog log(importer);
    const auto beforeTest = snapshot(caseDir.path());
    qint64 cpuStart = threadCpuMs();
    QCOMPARE(importer.correctFormat(), recognised);
    qint64 elapsed = threadCpuMs() - cpuStart;
    QCOMPARE(snapshot(caseDir.path()), beforeTest);
    if (input.interfere)
        input.interfere(path, importer);
    const auto beforeImport = snapshot(caseDir.path());
    qint64 bytes = 0; // of input, from the snapshot's sizes
    for (const QString &file : beforeImport)
        bytes += file.section(' ', 1, 1).toLongLong();
    cpuStart = threadCpuMs();
    importer.importData(true);
    elapsed += threadCpuMs() - cpuStart;
    QCOMPARE(snapshot(caseDir.path()), beforeImport);

    const std::optional<qint64> peak = peakBytesSinceReset();
    qInfo("%lld ms of processor time, peak memory %lld MiB for %lld MiB of input", elapsed,
          peak.value_or(-1) >> 20, bytes >> 20);
    QVERIFY2(elapsed < timeLimitMs, qPrintable(QStringLiteral("took %1 ms").arg(elapsed)));
    if (!sanitized && peak)
        QVERIFY2(*peak <= memoryFactor * bytes + memorySlack, qPrintable(QString::number(*peak)));

    signalLog.replaceInStrings(QStringLiteral("%1"), path);
    if (rows < 0)
        QCOMPARE(log.entries, signalLog);
    else
        QCOMPARE(log.entries.mid(log.entries.size() - signalLog.size()), signalLog);
    QCOMPARE(log.entries.count(QStringLiteral("finished()")), 1);
    const QVector<LogEntry> written = loggedWarningEntries();
    QVERIFY2(written.size() == warnings.size(), qPrintable(loggedWarnings().join('\n')));
    for (int i = 0; i < warnings.size(); ++i) {
        QVERIFY2(warningMatches(warnings.at(i), written.at(i).message, path),
                 qPrintable(written.at(i).message));
        // The failure's own entry names its stage; the entries before it, the import.
        const bool failure = rows < 0 && i == warnings.size() - 1;
        const QString closingMessage = signalLog.filter(QStringLiteral("message(")).last();
        const QString origin =
            !failure                                                  ? importOrigin
            : closingMessage.contains(QLatin1String("Couldn't load")) ? QString()
            : closingMessage.contains(stampError) || closingMessage.contains(invalidStamp)
                ? stampOrigin
                : importOrigin;
        QCOMPARE(written.at(i).origin, origin);
    }
    const auto stored = Session()->data()->rawInputFor(path);
    QCOMPARE(stored ? stored->rowCount : -1, rows);
    if (stored)
        QCOMPARE(stored->channelNames.size(), channels);
    QCOMPARE(Session()->data()->files().isEmpty(), rows < 0);
}

QTEST_GUILESS_MAIN(TestBadInput)
#include "tst_badinput.moc"
