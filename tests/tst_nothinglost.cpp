// Nothing lost: random valid exports (channel sets and counts, row counts, integers and values
// with 0 to 6 decimals, CR LF or LF, with and without an acquisition folder) arrive bit-exact in
// the data store and in tessel-import's CSV export, and the files are left as they were.
#include "agilentimporter.h"
#include "importtesting.h"

#include <QtTest>

#include <charconv>
#include <cstring>

namespace {

const int caseCount = 32;
const char *const symbols[] = {"Li", "Na", "Mg", "Al", "Si", "Ca",
                               "Ti", "Fe", "Sr", "Ba", "Pb", "U"};

struct Generated
{
    QString path;
    QStringList channels;
    QVector<QByteArray> times;           // as written, seconds from the start
    QVector<QVector<QByteArray>> values; // [row][channel], as written
};

struct Shape
{
    int channels;
    int rows;
    bool crlf;
    bool folder;
    bool massShifted;
};

Shape shapeOf(quint32 seed)
{
    QRandomGenerator random(seed);
    const bool folder = random.bounded(2) == 1;
    return {random.bounded(1, 48),
            random.bounded(3) == 0 ? random.bounded(1, 4) : random.bounded(1, 1500),
            random.bounded(2) == 1, folder, !folder && random.bounded(3) == 0};
}

// An integer or a decimal with 0 to 6 decimals, as an instrument or a spreadsheet writes it.
QByteArray randomValue(QRandomGenerator &random)
{
    const double magnitude = std::ldexp(random.generateDouble(), random.bounded(0, 28));
    if (random.bounded(4) == 0)
        return QByteArray::number(qint64(magnitude));
    return QByteArray::number(magnitude, 'f', random.bounded(0, 7));
}

QByteArray methodXml(const QVector<QPair<QByteArray, int>> &channels)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<AcquisitionDataSet>\n";
    for (int i = 0; i < channels.size(); ++i)
        xml += "  <IcpmsElement><ElementID>" + QByteArray::number(i) + "</ElementID><MZ>" +
               QByteArray::number(channels.at(i).second) +
               "</MZ><DetectorMode>Pulse</DetectorMode><IntegrationTime>0.01</IntegrationTime>"
               "<ElementName>" +
               channels.at(i).first + "</ElementName></IcpmsElement>\n";
    return xml + "</AcquisitionDataSet>\n";
}

QByteArray sampleInfoXml(const QByteArray &dataFile)
{
    const auto field = [](const QByteArray &name, const QByteArray &value) {
        return "  <Field><Name>" + name + "</Name><Value>" + value + "</Value></Field>\n";
    };
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<SampleInfo>\n" +
           field("AcqTime", "2020-11-18T13:24:29Z") + field("Data File", dataFile) +
           field("Sample Name", "Glass") + field("InstrumentName", "G1") + "</SampleInfo>\n";
}

// Distinct masses in ascending order, each with a symbol: the columns of an export are in
// mass order, which is also the order the acquisition method gives.
QVector<QPair<QByteArray, int>> randomChannels(QRandomGenerator &random, int count)
{
    QVector<int> masses;
    for (int mass = 6; mass <= 240; ++mass)
        masses.append(mass);
    std::shuffle(masses.begin(), masses.end(), random);
    masses.resize(count);
    std::sort(masses.begin(), masses.end());
    QVector<QPair<QByteArray, int>> channels;
    for (int mass : masses)
        channels.append({symbols[random.bounded(int(std::size(symbols)))], mass});
    return channels;
}

Generated generate(quint32 seed, const QDir &dir)
{
    const Shape shape = shapeOf(seed);
    QRandomGenerator random(seed + 1);
    const QByteArray name = "case" + QByteArray::number(seed);
    const auto channels = randomChannels(random, shape.channels);
    Generated generated;
    QByteArray header = "Time [Sec]";
    for (const auto &[symbol, mass] : channels) {
        generated.channels.append(QString::fromLatin1(symbol) + QString::number(mass));
        header += ',' + symbol + QByteArray::number(mass) +
                  (shape.massShifted ? " -> " + QByteArray::number(mass + 16) : QByteArray());
    }
    QList<QByteArray> lines;
    double time = random.generateDouble();
    for (int r = 0; r < shape.rows; ++r) {
        time += 0.01 + random.generateDouble();
        generated.times.append(QByteArray::number(time, 'f', random.bounded(0, 7)));
        QVector<QByteArray> row;
        for (int c = 0; c < shape.channels; ++c)
            row.append(randomValue(random));
        generated.values.append(row);
        lines.append(generated.times.last() + ',' +
                     QList<QByteArray>(row.begin(), row.end()).join(','));
    }
    QByteArray text =
        exportText(lines, header, "Acquired      : 18/11/2020 14:24:29 using Batch prop.b",
                   shape.crlf ? "\r\n" : "\n");
    text.replace("D:\\DATA\\demo.b\\S1.d", "D:\\DATA\\prop.b\\" + name + ".d");
    QDir folder = dir;
    if (shape.folder) {
        folder.mkpath(QString::fromLatin1(name + ".d/AcqData"));
        folder.cd(QString::fromLatin1(name + ".d"));
        writeBytes(folder.filePath(QStringLiteral("AcqMethod.xml")), methodXml(channels));
        writeBytes(folder.filePath(QStringLiteral("AcqData/sample_info.xml")),
                   sampleInfoXml("D:\\DATA\\prop.b\\" + name + ".d"));
    }
    generated.path = folder.filePath(QString::fromLatin1(name + ".csv"));
    writeBytes(generated.path, text);
    return generated;
}

double number(const QByteArray &text)
{
    double value = 0.0;
    const auto result = std::from_chars(text.constData(), text.constData() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.constData() + text.size())
        qFatal("not a number: %s", text.constData());
    return value;
}

bool bitEqual(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Every file beside the export, with its content hash and modification time.
QMap<QString, QString> snapshot(const QString &folder)
{
    QMap<QString, QString> files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (file.open(QIODevice::ReadOnly))
            hash.addData(&file);
        files.insert(file.fileName(), QString::fromLatin1(hash.result().toHex()) +
                                          it.fileInfo().lastModified().toString(Qt::ISODateWithMs));
    }
    return files;
}

// The rows of tessel-import's CSV export: the time, then the channels' values.
QVector<QVector<double>> exportedRows(const QString &path, QStringList *header)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    *header = QString::fromUtf8(file.readLine()).trimmed().split(QLatin1Char(','));
    QVector<QVector<double>> rows;
    while (!file.atEnd()) {
        QVector<double> row;
        for (const QByteArray &field : file.readLine().trimmed().split(','))
            row.append(number(field));
        rows.append(row);
    }
    return rows;
}

} // namespace

class TestNothingLost : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyValueArrives_data();
    void everyValueArrives();

private:
    QTemporaryDir dir;
    QTemporaryDir configDir;
};

void TestNothingLost::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings().clear();
    QVERIFY(dir.isValid());
    QVERIFY(configDir.isValid());
}

void TestNothingLost::everyValueArrives_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1000; seed < 1000 + caseCount; ++seed) {
        const Shape shape = shapeOf(seed);
        QTest::addRow("seed %u: %d channels%s, %d rows, %s%s", seed, shape.channels,
                      shape.massShifted ? " (mass-shifted)" : "", shape.rows,
                      shape.crlf ? "CR LF" : "LF", shape.folder ? ", acquisition folder" : "")
            << seed;
    }
}

void TestNothingLost::everyValueArrives()
{
    QFETCH(quint32, seed);
    const QDir caseDir(dir.filePath(QString::number(seed)));
    QVERIFY(caseDir.mkpath(QStringLiteral(".")));
    const Generated generated = generate(seed, caseDir);
    const auto before = snapshot(caseDir.path());
    const int rows = generated.times.size();
    const double start = localSeconds(2020, 11, 18, 14, 24, 29);

    Session()->data()->clear();
    AgilentImporter importer;
    importer.fileName = generated.path;
    importer.importData(true);
    const auto stored = Session()->data()->rawInputFor(generated.path);
    QVERIFY(stored);
    QCOMPARE(stored->rowCount, rows + 1);
    QCOMPARE(stored->channelNames, generated.channels);
    for (int r = 0; r < rows; ++r) {
        QVERIFY(bitEqual(stored->time[arma::uword(r)], number(generated.times.at(r)) + start));
        for (int c = 0; c < generated.channels.size(); ++c) {
            const double value = stored->channels.value(generated.channels.at(c))[arma::uword(r)];
            QVERIFY2(bitEqual(value, number(generated.values.at(r).at(c))),
                     qPrintable(QStringLiteral("row %1, %2").arg(r).arg(generated.channels.at(c))));
        }
    }

    const QString exportDir = caseDir.filePath(QStringLiteral("export"));
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir.path());
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral(TESSEL_IMPORT_TOOL),
               {QStringLiteral("--export"), exportDir, generated.path});
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 0);
    QStringList header;
    const auto exported =
        exportedRows(QDir(exportDir).filePath(QFileInfo(generated.path).fileName()), &header);
    QCOMPARE(header, QStringList{QStringLiteral("time")} + generated.channels);
    QCOMPARE(exported.size(), rows);
    for (int r = 0; r < rows; ++r) {
        QVERIFY(bitEqual(exported.at(r).at(0), number(generated.times.at(r)) + start));
        for (int c = 0; c < generated.channels.size(); ++c)
            QVERIFY(bitEqual(exported.at(r).at(c + 1), number(generated.values.at(r).at(c))));
    }
    QDir(exportDir).removeRecursively();
    QCOMPARE(snapshot(caseDir.path()), before);
}

QTEST_GUILESS_MAIN(TestNothingLost)
#include "tst_nothinglost.moc"
