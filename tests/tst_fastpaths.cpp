// The byte-level readers against the straightforward Qt reading they replace, and nothing lost:
// on generated exports (channel sets and counts, row counts, integers and decimals, every line
// end, with and without an acquisition folder) and on random bytes from a hostile alphabet,
// every value arrives as the plain reading gives it, bit for bit.
#include "agilentimporter.h"
#include "datatable.h"
#include "filecontent.h"
#include "filelines.h"
#include "importtesting.h"
#include "largememory.h"
#include "numberparser.h"
#include "numbertext.h"

#include <QtTest>

#include <charconv>
#include <cstring>
#include <functional>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

using NumberGenerator = std::function<double(QRandomGenerator &)>;
Q_DECLARE_METATYPE(NumberGenerator)

namespace {

// Bytes at the very start or the very end of a readable page, between two pages that cannot be
// read: a read before their start or past their end crashes the test instead of passing unseen.
class GuardedBytes
{
public:
    enum Place { AtStart, AtEnd };

    GuardedBytes(const QByteArray &bytes, Place place)
    {
#ifdef _WIN32
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        page = system.dwPageSize;
        block = static_cast<char *>(
            VirtualAlloc(nullptr, 3 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD previous;
        VirtualProtect(block, page, PAGE_NOACCESS, &previous);
        VirtualProtect(block + 2 * page, page, PAGE_NOACCESS, &previous);
#else
        page = size_t(sysconf(_SC_PAGESIZE));
        block = static_cast<char *>(
            mmap(nullptr, 3 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(block, page, PROT_NONE);
        mprotect(block + 2 * page, page, PROT_NONE);
#endif
        first = place == AtStart ? block + page : block + 2 * page - bytes.size();
        last = first + bytes.size();
        std::memcpy(first, bytes.constData(), size_t(bytes.size()));
    }
    ~GuardedBytes()
    {
#ifdef _WIN32
        VirtualFree(block, 0, MEM_RELEASE);
#else
        munmap(block, 3 * page);
#endif
    }
    GuardedBytes(const GuardedBytes &) = delete;
    GuardedBytes &operator=(const GuardedBytes &) = delete;

    const char *begin() const
    {
        return first;
    }
    const char *end() const
    {
        return last;
    }

private:
    size_t page = 0;
    char *block = nullptr;
    char *first = nullptr;
    char *last = nullptr;
};

QByteArray randomBytes(QRandomGenerator &random, const QByteArray &alphabet, int maxLength)
{
    QByteArray text;
    const int length = random.bounded(0, maxLength + 1);
    for (int i = 0; i < length; ++i)
        text += alphabet.at(random.bounded(alphabet.size()));
    return text;
}

// A number as an instrument, a spreadsheet or a hand edit might write it.
QByteArray randomNumberText(QRandomGenerator &random)
{
    const double value =
        std::ldexp(random.generateDouble(), random.bounded(-40, 60)) * (random.bounded(2) ? 1 : -1);
    switch (random.bounded(6)) {
    case 0:
        return QByteArray::number(value, 'f', random.bounded(0, 7));
    case 1:
        return QByteArray::number(value, 'g', 17);
    case 2:
        return QByteArray::number(value, 'e', random.bounded(0, 20));
    case 3:
        return QByteArray::number(qint64(std::fmod(value, 1e15) * 1000)); // within qint64
    case 4:
        return " " + QByteArray::number(value, 'f', 2) + "\r";
    default:
        return QByteArray::number(std::fabs(value), 'f', 4);
    }
}

QByteArray exportOf(const QList<QByteArray> &rows, const QByteArray &lineEnd,
                    const QByteArray &header = "Time [Sec],Li7,Na23")
{
    Acquisition acquisition;
    acquisition.header = header;
    acquisition.rows = rows;
    acquisition.lineEnd = lineEnd;
    return acquisition.exportBytes();
}

// The shape of a generated export.
struct Shape
{
    int channels;
    int rows;
    QByteArray lineEnd;
    bool folder;
    bool massShifted;
    bool oddFields; // as a spreadsheet or a hand edit writes them; surplus fields keep the
                    // lines counted
};

Shape shapeOf(quint32 seed)
{
    QRandomGenerator random(seed);
    const bool folder = random.bounded(2) == 1;
    const QByteArray lineEnds[] = {"\r\n", "\n", "\r"};
    return {random.bounded(1, 48),
            random.bounded(3) == 0 ? random.bounded(1, 4) : random.bounded(1, 1500),
            lineEnds[random.bounded(folder ? 2 : 3)],
            folder,
            !folder && random.bounded(3) == 0,
            random.bounded(4) == 0};
}

// An integer or a decimal with 0 to 6 decimals, as an instrument writes it.
QByteArray instrumentValue(QRandomGenerator &random)
{
    const double magnitude = std::ldexp(random.generateDouble(), random.bounded(0, 28));
    if (random.bounded(4) == 0)
        return QByteArray::number(qint64(magnitude));
    return QByteArray::number(magnitude, 'f', random.bounded(0, 7));
}

// An export of the seed's shape, its channels distinct masses in ascending order, as the
// acquisition method gives them.
Acquisition generate(quint32 seed, QStringList *names)
{
    const Shape shape = shapeOf(seed);
    QRandomGenerator random(seed + 1);
    Acquisition a;
    a.name = QStringLiteral("case%1").arg(seed);
    a.firstLine = "D:\\DATA\\prop.b\\" + a.name.toLatin1() + ".d";
    a.setField("Data File", a.firstLine);
    a.layout = shape.folder ? Layout::InFolder : Layout::ExportOnly;
    a.lineEnd = shape.lineEnd;
    a.header = "Time [Sec]";
    a.method.clear();
    a.rows.clear();
    QVector<int> masses;
    for (int mass = 6; mass <= 240; ++mass)
        masses.append(mass);
    std::shuffle(masses.begin(), masses.end(), random);
    masses.resize(shape.channels);
    std::sort(masses.begin(), masses.end());
    const char *const symbols[] = {"Li", "Na", "Mg", "Al", "Si", "Ca", "Ti", "Fe", "Sr", "Pb", "U"};
    for (int mass : masses) {
        const QString symbol = QLatin1String(symbols[random.bounded(int(std::size(symbols)))]);
        names->append(symbol + QString::number(mass));
        a.header += ',' + names->last().toLatin1() +
                    (shape.massShifted ? " -> " + QByteArray::number(mass + 16) : QByteArray());
        a.method.append({symbol, QString::number(mass), QString(), QStringLiteral("0.01")});
    }
    double time = random.generateDouble();
    for (int r = 0; r < shape.rows; ++r) {
        time += 0.01 + random.generateDouble();
        QByteArray row = QByteArray::number(time, 'f', random.bounded(0, 7));
        for (int c = 0; c < shape.channels; ++c) {
            // Odd fields: one in ten junk, one in twenty after a no-break space (which Qt
            // takes as white space), the rest as a spreadsheet writes numbers.
            const int odd = shape.oddFields ? random.bounded(20) : -1;
            row += ',' + (odd == 0 || odd == 1 ? randomBytes(random, "1.e-x\xC3\xA9 nN", 6)
                          : odd == 2           ? "\xC2\xA0" + instrumentValue(random)
                          : odd > 2            ? randomNumberText(random).trimmed()
                                               : instrumentValue(random));
        }
        a.rows.append(shape.oddFields ? row + ",0,1.5" : row);
    }
    return a;
}

} // namespace

class TestFastPaths : public ImportTestCase
{
    Q_OBJECT

private slots:
    void rowCountMatchesTheExpression()
    {
        const QByteArray alphabet("077..,,\r\n\r\na_ Z\0\xEF\xBB\xBF\xC3\xA9\xE2\x80", 24);
        QRandomGenerator random(20261206);
        for (int round = 0; round < 5000; ++round) {
            QByteArray text = randomBytes(random, alphabet, 60);
            if (round % 5 == 0)
                text.prepend("\xEF\xBB\xBF");
            QVERIFY2(countDataLines(text) == expressionCount(text), text.toHex().constData());
        }
        // Two runs of number bytes of up to 20 each, the lengths around the 16 bytes before a
        // line break that are looked at together, with the neighbours of the digits among them.
        for (int round = 0; round < 20000; ++round) {
            const QByteArray text = randomBytes(random, "a7 ,\n:", 24) +
                                    randomBytes(random, "0123456789999.../:", 20) + ',' +
                                    randomBytes(random, "0123456789999...:", 20) +
                                    (round % 3 == 0 ? "\n" : "\r\n");
            QVERIFY2(countDataLines(text) == expressionCount(text), text.toHex().constData());
        }
        // A run preceded by a digit or a letter is no row, nor one at the start of the text
        // (after its byte-order mark); every ASCII byte before a run, the bounds of each
        // word-byte range among them.
        QList<QByteArray> texts{"a00.5,1\n",
                                "x 0.5,1\n",
                                "x.0.5,1\n",
                                "0.5,1\n",
                                "\xEF\xBB\xBF"
                                "0.5,1\n",
                                "\xEF\xBB\xBF"
                                "A0.5,1\n"};
        for (int c = 1; c < 0x80; ++c)
            texts.append(char(c) + QByteArray("15,1\n")); // no inner point to start after
        for (const QByteArray &text : texts)
            QVERIFY2(countDataLines(text) == expressionCount(text), text.toHex().constData());
    }

    void numbersMatchQt_data()
    {
        QTest::addColumn<QByteArray>("field");
        // Row names percent-encode the field.
        QList<QByteArray> fields{
            "0",      "-0",      "+0",       "12.50", "  7.25\r", "7.25\r", "\t1e5 ", "1E+05",
            "1e-400", "-1e-400", "0e-400",   "1e400", "-1e400",   "4e-320", "0.1",    ".5",
            "5.",     ".",       "-.",       "+.5",   "1e",       "1e+",    "e5",     "1.2.3",
            "1,5",    "0x10",    "nan",      "NaN",   "-nan",     "+nan",   "inf",    "INF",
            "+inf",   "-Inf",    "infinity", "--5",   "+-5",      "- 5",    "1 5",    "5abc",
            "",       " ",       "\r"};
        fields +=
            {"\xC2\xA0\x35", "5\xC2\xA0", "\xE2\x88\x92\x35", "\xEF\xBC\x95", "\xC3\xA9", "12\xFF"};
        fields += {"1.7976931348623159e308", "123456789012345678901234567890",
                   "0.000000000000000000000000000000000000001"};
        for (const QByteArray &field : fields)
            QTest::newRow(field.toPercentEncoding().constData()) << field;
    }

    void numbersMatchQt()
    {
        QFETCH(QByteArray, field);
        const double expected = QString::fromUtf8(field).toDouble();
        const bool ascii =
            std::all_of(field.begin(), field.end(), [](char c) { return uchar(c) < 0x80; });
        // The field at the start and at the end of readable memory: nothing outside it is read.
        for (const auto place : {GuardedBytes::AtStart, GuardedBytes::AtEnd}) {
            const GuardedBytes guarded(field, place);
            const double parsed = parseField(guarded.begin(), guarded.end());
            QVERIFY2(sameDouble(parsed, expected),
                     qPrintable(QStringLiteral("%1 vs %2").arg(parsed).arg(expected)));
            if (ascii && !field.contains(',')) {
                double inPlace = 0;
                // (Compared as pointers: QCOMPARE would read char pointers as texts.)
                QVERIFY(parseAsciiFieldAt(guarded.begin(), guarded.end(), inPlace) ==
                        guarded.end());
                QVERIFY(sameDouble(inPlace, expected));
            }
        }
        if (!field.contains(',') && ascii) {
            double inPlace = 0;
            const QByteArray line = field + ",9"; // the field ends at its comma
            QCOMPARE(parseAsciiFieldAt(line.constData(), line.constData() + line.size(), inPlace),
                     line.constData() + field.size());
            QVERIFY(sameDouble(inPlace, expected));
            // The field ends where its end says, though digits follow it in memory.
            const QByteArray followed = field + "17,";
            const char *fieldEnd = followed.constData() + field.size();
            QCOMPARE(parseAsciiFieldAt(followed.constData(), fieldEnd, inPlace), fieldEnd);
            QVERIFY(sameDouble(inPlace, expected));
        }
    }

    void importMatchesAPlainReading_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1000; seed < 1024; ++seed) {
            const Shape shape = shapeOf(seed);
            QTest::addRow("seed %u: %d channels%s, %d rows, %s%s%s", seed, shape.channels,
                          shape.massShifted ? " (mass-shifted)" : "", shape.rows,
                          shape.lineEnd == "\r\n" ? "CR LF"
                          : shape.lineEnd == "\n" ? "LF"
                                                  : "CR",
                          shape.folder ? ", acquisition folder" : "",
                          shape.oddFields ? ", odd fields" : "")
                << seed;
        }
    }

    // The import's columns equal a reading of the decoded text, split per line and per field and
    // converted with QString::toDouble, bit for bit.
    void importMatchesAPlainReading()
    {
        QFETCH(quint32, seed);
        QStringList names;
        const Acquisition acquisition = generate(seed, &names);
        AgilentImporter importer;
        const auto stored = importStored(importer, acquisition.writeTo(dir.path()));
        QVERIFY(stored);
        const int rows = acquisition.rows.size();
        QCOMPARE(stored->rowCount, rows + 1);
        QCOMPARE(stored->channelNames, names);
        QCOMPARE(stored->dwellTimes.size(), shapeOf(seed).folder ? names.size() : 0);
        const double start = usualStart();
        for (int r = 0; r < rows; ++r) {
            const QStringList fields = QString::fromUtf8(acquisition.rows.at(r)).split(',');
            QVERIFY(sameDouble(stored->time[arma::uword(r)], fields.at(0).toDouble() + start));
            for (int c = 0; c < names.size(); ++c)
                QVERIFY2(sameDouble(stored->channels.value(names.at(c))[arma::uword(r)],
                                    fields.at(c + 1).toDouble()),
                         qPrintable(QStringLiteral("row %1, %2: %3")
                                        .arg(r)
                                        .arg(names.at(c), fields.at(c + 1))));
        }
    }

    void largeContentSplitsLikeQt_data()
    {
        // nulAt: where a NUL byte stands, as a fraction of the content
        // longFirst: the first lines ten times as long as the rest, so that the room for the
        // offsets, estimated from the first mebibyte, must grow
        addColumns<QByteArray, double, double, bool>("lineEnd", "nulAt", "nonAsciiAt", "longFirst");
        QTest::newRow("CR LF") << QByteArray("\r\n") << -1.0 << -1.0 << false;
        QTest::newRow("CR only") << QByteArray("\r") << -1.0 << -1.0 << false;
        QTest::newRow("LF, a NUL as the first byte") << QByteArray("\n") << 0.0 << -1.0 << false;
        QTest::newRow("LF, a NUL in the first half") << QByteArray("\n") << 0.3 << -1.0 << false;
        QTest::newRow("LF, a NUL in the second half") << QByteArray("\n") << 0.7 << -1.0 << false;
        QTest::newRow("CR LF, not ASCII in the second half")
            << QByteArray("\r\n") << -1.0 << 0.9 << false;
        QTest::newRow("LF, long lines first") << QByteArray("\n") << -1.0 << -1.0 << true;
        QTest::newRow("CR only, long lines first") << QByteArray("\r") << -1.0 << -1.0 << true;
    }

    // Content large enough to be scanned in two halves at once: the lines, the row count, the first
    // NUL and the plain-ASCII verdict of a plain reading.
    void largeContentSplitsLikeQt()
    {
        const auto [lineEnd, nulAt, nonAsciiAt, longFirst] =
            fetchColumns<QByteArray, double, double, bool>("lineEnd", "nulAt", "nonAsciiAt",
                                                           "longFirst");
        QRandomGenerator random(3);
        QList<QByteArray> rows;
        for (int r = 0; r < 260000; ++r)
            rows.append(QByteArray::number(0.25 * r) +
                        (longFirst && r < 5000 ? QByteArray(",0").repeated(150) : QByteArray()) +
                        "," + randomNumberText(random) + "," + randomNumberText(random) +
                        (r % 7 ? ",1.5" : ""));
        QByteArray text = exportOf(rows, lineEnd);
        if (nulAt >= 0)
            text[int(nulAt * text.size())] = '\0';
        if (nonAsciiAt >= 0)
            text[int(nonAsciiAt * text.size())] = '\xE9';
        QVERIFY2(text.size() > 9 << 20, QByteArray::number(text.size())); // scanned in two halves
        const FileLines lines(text);
        const QList<QByteArray> expected = text.split(lineEnd == "\r" ? '\r' : '\n');
        QCOMPARE(lines.count(), expected.size());
        for (int i = 0; i < lines.count(); ++i) {
            QCOMPARE(lines.line(i), expected.at(i));
            // Each line's first byte is in that line, the first line of the second half included.
            QCOMPARE(lines.lineAt(lines.lineBegin(i) - lines.content().constData()), i);
        }
        QCOMPARE(lines.dataLineCount(), expressionCount(text));
        QCOMPARE(lines.firstNul(), qsizetype(text.indexOf('\0')));
        if (nulAt >= 0)
            QCOMPARE(lines.lineAt(lines.firstNul()),
                     text.left(int(lines.firstNul())).count(lineEnd.back()));
        QCOMPARE(lines.isPlainAscii(), nulAt < 0 && nonAsciiAt < 0);
    }

    void fileContentHoldsTheFile_data()
    {
        addColumns<int, int, bool>("bytes", "askedBeyond", "writerOpen");
        const int large = int(largeContentBytes) + 3;
        QTest::newRow("a small file") << 1000 << 0 << false;
        QTest::newRow("a large file") << large << 0 << false;
        QTest::newRow("a large file open for writing elsewhere") << large << 0 << true;
        QTest::newRow("a large file shorter than asked") << large << 4096 << false;
    }

    // The content is the file's bytes, however it was had. Under Windows a large file on a local
    // disk that no program writes is mapped, and no program can write it while the content lives.
    void fileContentHoldsTheFile()
    {
        const auto [bytes, askedBeyond, writerOpen] =
            fetchColumns<int, int, bool>("bytes", "askedBeyond", "writerOpen");
        QByteArray text(bytes, Qt::Uninitialized);
        QRandomGenerator(9).fillRange(reinterpret_cast<quint32 *>(text.data()), bytes / 4);
        const QString path = dir.filePath(QStringLiteral("content.bin"));
        QFile written(path);
        QVERIFY(written.open(QIODevice::WriteOnly) && written.write(text) == bytes);
        written.close();
        QFile writer(path);
        QVERIFY(!writerOpen || writer.open(QIODevice::ReadWrite));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        ContentRead read = readFileContent(file, bytes + askedBeyond);
        QCOMPARE(read.size, qint64(bytes));
        QVERIFY(std::memcmp(read.content.data(), text.constData(), size_t(bytes)) == 0);
#ifdef _WIN32
        const bool mapped = bytes >= largeContentBytes && askedBeyond == 0 && !writerOpen;
#else
        const bool mapped = false;
#endif
        QCOMPARE(read.content.isMapped(), mapped);
        writer.close();
        QFile later(path);
        QCOMPARE(later.open(QIODevice::ReadWrite), !mapped);
        later.close();
        read.content = FileContent(); // unmapped, its handle closed
        QVERIFY(later.open(QIODevice::ReadWrite));
    }

    void parallelReadingMatchesOneThread_data()
    {
        // oddLine: written two thirds down the table
        addColumns<int, int, QByteArray>("rows", "threads", "oddLine");
        const int rowBytes = 47; // each generated row below, with its CR LF
        const int thresholdRows = int(parallelReadBytes / rowBytes);
        QTest::newRow("just below the parallel threshold, threads chosen")
            << thresholdRows - 2 << 0 << QByteArray();
        QTest::newRow("just above the parallel threshold, threads chosen")
            << thresholdRows + 2 << 0 << QByteArray();
        QTest::newRow("2 threads, 21 rows") << 21 << 2 << QByteArray();
        QTest::newRow("3 threads, 1000 rows") << 1000 << 3 << QByteArray();
        QTest::newRow("2 threads, a table that ends early")
            << 5000 << 2 << QByteArray(",1,2,3,4,5");
        QTest::newRow("3 threads, an empty line ends it") << 5000 << 3 << QByteArray();
        QTest::newRow("2 threads, a short line") << 5000 << 2 << QByteArray("7.5,3");
        QTest::newRow("2 threads, a line that is not ASCII")
            << 5000 << 2 << QByteArray("7.5,\xC3\xA9,1,2,3,4");
        QTest::newRow("2 threads, a NUL byte") << 5000 << 2 << QByteArray("7.5,1\0,2,3,4,5", 15);
    }

    // Reading on several threads gives the rows, the row count and the progress reports of a
    // reading on one thread, bit for bit.
    void parallelReadingMatchesOneThread()
    {
        const auto [rows, threads, oddLine] =
            fetchColumns<int, int, QByteArray>("rows", "threads", "oddLine");
        QRandomGenerator random(5);
        QList<QByteArray> lines;
        for (int r = 0; r < rows; ++r) {
            QByteArray line = QByteArray::number(0.0413 + 0.1 * r, 'f', 4).rightJustified(10, '0');
            for (int c = 0; c < 5; ++c)
                line += "," + QByteArray::number(random.bounded(100000) / 100.0, 'f', 2)
                                  .rightJustified(6, '0');
            lines.append(line);
        }
        const bool endsWithEmptyLine = QByteArray(QTest::currentDataTag()).contains("empty line");
        if (!oddLine.isEmpty() || endsWithEmptyLine)
            lines[rows * 2 / 3] = oddLine;
        const FileLines file(exportOf(lines, "\r\n", "Time [Sec],Li7,Na23,Mg24,Al27,Si29"));
        const QStringList names{"Li7", "Na23", "Mg24", "Al27",
                                "Na23"}; // a repeated name shares its column
        // (A lambda takes a structured binding by an init-capture only.)
        const auto read = [&, rows = rows](int threadCount, QVector<int> *reports) {
            auto table = std::make_unique<DataTable>(rows + 1);
            table->allocateChannels(names);
            const int rowsRead = readDataRows(
                file, names, 1.6e9, *table, [&](int row) { reports->append(row); }, threadCount);
            table->truncate(rowsRead + 1);
            writeTerminatingRow(*table, names, rowsRead);
            return table;
        };
        QVector<int> oneThreadReports, reports;
        const auto expected = read(1, &oneThreadReports);
        const auto actual = read(threads, &reports);
        QCOMPARE(actual->rowCount(), expected->rowCount());
        QCOMPARE(reports, oneThreadReports);
        QVector<int>
            everyStepToTheEnd; // every rowCount/20 rows, up to the row that ended the table
        const int step = (rows + 1) / 20;
        for (int row = 0; step > 0 && row <= std::min(expected->rowCount() - 1, rows - 1);
             row += step)
            everyStepToTheEnd.append(row);
        QCOMPARE(oneThreadReports, everyStepToTheEnd);
        const auto sameColumn = [](const Column &a, const Column &b) {
            return std::memcmp(a.memptr(), b.memptr(), a.n_elem * sizeof(double)) == 0;
        };
        QVERIFY(sameColumn(actual->time(), expected->time()));
        for (const QString &name : names)
            QVERIFY2(sameColumn(*actual->channels().value(name), *expected->channels().value(name)),
                     qPrintable(name));
    }

    void exportNumbersMatchToChars_data()
    {
        using Generator = NumberGenerator;
        QTest::addColumn<Generator>("generate");
        const auto decimals = [](int places, double scale) {
            return Generator([=](QRandomGenerator &random) {
                const double value =
                    std::round(random.generateDouble() * scale * std::pow(10.0, places)) /
                    std::pow(10.0, places);
                return random.bounded(4) == 0 ? -value : value;
            });
        };
        QTest::newRow("whole numbers") << decimals(0, 1e7);
        QTest::newRow("whole numbers with trailing zeros")
            << Generator([](QRandomGenerator &random) {
                   return double(random.bounded(1, 999)) * std::pow(10.0, random.bounded(0, 22));
               });
        QTest::newRow("counts with two decimals") << decimals(2, 1e6);
        QTest::newRow("times since the epoch, four decimals")
            << Generator([](QRandomGenerator &random) {
                   return 1.6e9 + std::round(random.generateDouble() * 1e8) / 1e4;
               });
        QTest::newRow("small decimals") << Generator([](QRandomGenerator &random) {
            return std::round(random.generateDouble() * 1e4) /
                   std::pow(10.0, random.bounded(1, 20));
        });
        QTest::newRow("powers of two and ten") << Generator([](QRandomGenerator &random) {
            return random.bounded(2) ? std::ldexp(1.0, random.bounded(-1074, 1024))
                                     : std::pow(10.0, random.bounded(-30, 30));
        });
        QTest::newRow("neighbours of short decimals") << Generator([](QRandomGenerator &random) {
            return std::nextafter(std::round(random.generateDouble() * 1e6) / 100.0,
                                  random.bounded(2) ? 0.0 : 1e300);
        });
        QTest::newRow("any bit pattern") << Generator([](QRandomGenerator &random) {
            double value;
            const quint64 bits = random.generate64();
            std::memcpy(&value, &bits, sizeof value);
            return value;
        });
        // A column whose values change their number of decimals, up and down, with magnitudes
        // near the bound of the fast path: the carried count must never hide a shorter text.
        QTest::newRow("a column's decimals changing") << Generator([](QRandomGenerator &random) {
            const int places = random.bounded(0, 18);
            const double scale = std::pow(10.0, random.bounded(-3, 16));
            const double value =
                std::round(random.generateDouble() * scale * std::pow(10.0, places)) /
                std::pow(10.0, places);
            return random.bounded(8) == 0 ? -value : value;
        });
        QTest::newRow("zeros, infinities, NaN") << Generator([](QRandomGenerator &random) {
            const double values[] = {
                0.0, -0.0,  qInf(), -qInf(), qQNaN(), 1e15, 1125899906842624.0, 1125899906842623.0,
                0.1, 5e-324};
            return values[random.bounded(int(sizeof values / sizeof *values))];
        });
    }

    // A freed block of moderate size serves the next request it is large enough for, bytes and
    // all; a larger request gets a fresh block.
    void freedBlocksServeLaterRequests_data()
    {
        QTest::addColumn<size_t>("freed");
        QTest::addColumn<size_t>("requested");
        QTest::addColumn<bool>("reused");
        const size_t mebibyte = size_t(1) << 20;
        QTest::newRow("the same size") << mebibyte << mebibyte << true;
        QTest::newRow("a smaller request") << mebibyte << mebibyte * 3 / 5 << true;
        QTest::newRow("a larger request") << mebibyte << 2 * mebibyte << false;
        QTest::newRow("a block of huge pages") << 8 * mebibyte << 5 * mebibyte << true;
        QTest::newRow("a block too large to keep") << 20 * mebibyte << 20 * mebibyte << false;
    }

    void freedBlocksServeLaterRequests()
    {
        if (!tesselKeepsFreedBlocks())
            QSKIP("no block is kept in this build");
        QFETCH(size_t, freed);
        QFETCH(size_t, requested);
        QFETCH(bool, reused);
        // Blocks that earlier tests left are taken first, the smallest kept size sufficing.
        std::vector<void *> drained;
        for (int i = 0; i < 16; ++i)
            drained.push_back(tesselAllocateLarge(size_t(256) << 10));
        const size_t last = std::min(freed, requested) - 1;
        auto *first = static_cast<char *>(tesselAllocateLarge(freed));
        QVERIFY(first != nullptr);
        first[0] = 'a';
        first[last] = 'z';
        tesselFreeLarge(first, freed);
        auto *second = static_cast<char *>(tesselAllocateLarge(requested));
        QVERIFY(second != nullptr);
        QCOMPARE(second == first && second[0] == 'a' && second[last] == 'z', reused);
        second[requested - 1] = 0; // all of it can be written
        tesselFreeLarge(second, requested);
        for (void *block : drained)
            tesselFreeLarge(block, size_t(256) << 10);
    }

    void largeRequestsFailCleanly()
    {
        QCOMPARE(tesselAllocateLarge(SIZE_MAX - 8), nullptr);
        QCOMPARE(tesselAllocateLarge(SIZE_MAX), nullptr);
    }

    // Imports on several threads free and take blocks at once: no block is handed out twice.
    void freedBlocksAreTakenByOneThreadAtATime()
    {
        const auto work = [](char mark, bool *intact) {
            for (int round = 0; round < 2000; ++round) {
                const size_t bytes = (size_t(300) << 10) + size_t(round % 7) * (size_t(90) << 10);
                auto *block = static_cast<char *>(tesselAllocateLarge(bytes));
                if (block == nullptr)
                    continue;
                block[0] = block[bytes - 1] = mark;
                std::this_thread::yield();
                *intact = *intact && block[0] == mark && block[bytes - 1] == mark;
                tesselFreeLarge(block, bytes);
            }
        };
        bool firstIntact = true;
        bool secondIntact = true;
        std::thread other(work, 'b', &secondIntact);
        work('a', &firstIntact);
        other.join();
        QVERIFY(firstIntact);
        QVERIFY(secondIntact);
    }

    // The export writes every value as std::to_chars does (NaN as "nan"), byte for byte, on its
    // own and as one of a column's values, whose number of decimals is carried from the last.
    void exportNumbersMatchToChars()
    {
        QFETCH(NumberGenerator, generate);
        QRandomGenerator random(11);
        int decimals = 0;
        for (int i = 0; i < 20000; ++i) {
            const double value = generate(random);
            char expected[64];
            char *expectedEnd =
                std::isnan(value) ? std::strcpy(expected, "nan") + 3
                                  : std::to_chars(expected, expected + sizeof expected, value).ptr;
            const QByteArray expectedText(expected, int(expectedEnd - expected));
            char written[maxNumberText];
            char *writtenEnd = writeShortest(written, value);
            QCOMPARE(QByteArray(written, int(writtenEnd - written)), expectedText);
            writtenEnd = writeShortest(written, value, decimals);
            QCOMPARE(QByteArray(written, int(writtenEnd - written)), expectedText);
        }
    }
};

QTEST_GUILESS_MAIN(TestFastPaths)
#include "tst_fastpaths.moc"
