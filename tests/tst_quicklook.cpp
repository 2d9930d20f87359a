// What the command-line host shows of the data: quick-look pictures, the batch overview and
// the cross-check of an export's start time against its acquisition folder. The built program
// runs in a child process, with its settings in a temporary configuration folder, on exports
// and acquisition folders written here.
#include <QImage>
#include <QXmlStreamReader>
#include "tooltesting.h"

#include <QtTest>

#include <cmath>

namespace {

// The first four colours of the tool's palette, in channel order.
const QVector<QRgb> channelColours{0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728};
const QStringList channelNames{"Li7", "Na23", "Mg24", "Al27"};
const int tableRows = 300;

// Four channels around 2e2, 2e3, 5e4 and 8e5 CPS; Li7 counts nothing on every tenth row.
QByteArray dataLine(int row)
{
    static const double levels[] = {2e2, 2e3, 5e4, 8e5};
    QByteArray line = QByteArray::number(0.05 + 0.1 * row, 'f', 4);
    for (int channel = 0; channel < 4; ++channel) {
        const bool silent = channel == 0 && row % 10 == 0;
        const double value =
            silent ? 0.0 : levels[channel] * (1.0 + 0.5 * std::sin(0.7 * row + channel));
        line += ',' + QByteArray::number(value, 'f', 2);
    }
    return line;
}

// An English export whose first line names the acquisition folder <name>.d.
QByteArray exportBytes(const QByteArray &name, const QByteArray &stamp)
{
    QByteArray text = "D:\\DATA\\demo.b\\" + name +
                      ".d\r\nIntensity Vs Time,CPS\r\n"
                      "Acquired      : " +
                      stamp +
                      " using Batch demo.b\r\n"
                      "Time [Sec]," +
                      channelNames.join(',').toLatin1() + "\r\n";
    for (int row = 0; row < tableRows; ++row)
        text += dataLine(row) + "\r\n";
    return text + "\r\n\r\n          Printed:" + stamp + "\r\n";
}

QByteArray methodXml()
{
    QByteArray xml = "<?xml version=\"1.0\"?>\n<AcquisitionDataSet>\n";
    for (const QString &name : channelNames) {
        const QByteArray mass = name.mid(name.indexOf(QRegularExpression("\\d"))).toLatin1();
        xml += "<IcpmsElement><ElementName>" + name.left(name.size() - mass.size()).toLatin1() +
               "</ElementName><MZ>" + mass + "</MZ><IntegrationTime>0.01</IntegrationTime>" +
               "</IcpmsElement>\n";
    }
    return xml + "</AcquisitionDataSet>\n";
}

QByteArray sampleInfoXml(const QByteArray &name, const QByteArray &acqTime)
{
    const auto field = [](const QByteArray &key, const QByteArray &value) {
        return "<Field><Name>" + key + "</Name><Value>" + value + "</Value></Field>\n";
    };
    return "<SampleInfo><Version>1</Version>\n" +
           field("Data File", "D:\\DATA\\demo.b\\" + name + ".d") +
           field("Sample Name", "Glass A") + field("InstrumentName", "G8900") +
           field("AcqTime", acqTime) + "</SampleInfo>\n";
}

// ISO 8601 with milliseconds and the numeric UTC offset, as the tool writes local times.
QString isoText(const QDateTime &time)
{
    const int offset = time.offsetFromUtc();
    return time.toString("yyyy-MM-ddTHH:mm:ss.zzz") +
           QStringLiteral("%1%2:%3")
               .arg(offset < 0 ? '-' : '+')
               .arg(qAbs(offset) / 3600, 2, 10, QLatin1Char('0'))
               .arg(qAbs(offset) % 3600 / 60, 2, 10, QLatin1Char('0'));
}

bool isDark(QRgb pixel)
{
    return qRed(pixel) < 90 && qGreen(pixel) < 90 && qBlue(pixel) < 90;
}

// The longest run of dark pixels along one column (or row) of the picture.
int longestDarkRun(const QImage &image, int index, bool alongColumn)
{
    const int length = alongColumn ? image.height() : image.width();
    int longest = 0;
    int run = 0;
    for (int i = 0; i < length; ++i) {
        run = isDark(alongColumn ? image.pixel(index, i) : image.pixel(i, index)) ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// A pixel that is the colour laid over white with at least 40 % coverage (an antialiased line).
bool coveredBy(QRgb pixel, QRgb colour)
{
    const int pixelParts[] = {qRed(pixel), qGreen(pixel), qBlue(pixel)};
    const int colourParts[] = {qRed(colour), qGreen(colour), qBlue(colour)};
    const int deepest = int(std::min_element(colourParts, colourParts + 3) - colourParts);
    const double coverage = (255.0 - pixelParts[deepest]) / (255.0 - colourParts[deepest]);
    if (coverage < 0.4 || coverage > 1.05)
        return false;
    for (int part = 0; part < 3; ++part) {
        if (qAbs(pixelParts[part] - (255.0 - coverage * (255 - colourParts[part]))) > 12)
            return false;
    }
    return true;
}

struct ColourCount
{
    int exact = 0;
    int covered = 0;
};

ColourCount countColour(const QImage &image, QRgb colour)
{
    ColourCount count;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            count.exact += (pixel & 0xffffff) == colour ? 1 : 0;
            count.covered += coveredBy(pixel, colour) ? 1 : 0;
        }
    }
    return count;
}

} // namespace

class TestQuickLook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void pngPicture_data();
    void pngPicture();
    void svgPicture();
    void plotUsageErrors_data();
    void plotUsageErrors();
    void batchOverviewInAcquisitionOrder();
    void startTimeCrossCheck_data();
    void startTimeCrossCheck();

private:
    using Run = ToolRun;
    Run runTool(const QStringList &arguments) const;
    QString writeFile(const QString &name, const QByteArray &bytes) const;
    QString writeAcquisition(const QString &folder, const QByteArray &stamp,
                             const QDateTime &acqTime) const;

    QTemporaryDir configHome;
    QTemporaryDir work;
    QString plainExport;
    QString secondExport;
};

void TestQuickLook::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(configHome.isValid());
    QVERIFY(work.isValid());
    plainExport = writeFile("plain/S1.csv", exportBytes("S1", "18/11/2020 14:24:29"));
    secondExport = writeFile("plain/S2.csv", exportBytes("S2", "18/11/2020 14:25:29"));
}

TestQuickLook::Run TestQuickLook::runTool(const QStringList &arguments) const
{
    return runImportTool(arguments, configHome.path());
}

QString TestQuickLook::writeFile(const QString &name, const QByteArray &bytes) const
{
    return writeFileBelow(work.path(), name, bytes);
}

// <folder>/Run.d (under the work folder) with the export Run.csv, AcqMethod.xml and
// AcqData/sample_info.xml.
QString TestQuickLook::writeAcquisition(const QString &folder, const QByteArray &stamp,
                                        const QDateTime &acqTime) const
{
    const QByteArray utc = acqTime.toUTC().toString("yyyy-MM-ddTHH:mm:ssZ").toLatin1();
    writeFile(folder + "/Run.d/AcqMethod.xml", methodXml());
    writeFile(folder + "/Run.d/AcqData/sample_info.xml", sampleInfoXml("Run", utc));
    return writeFile(folder + "/Run.d/Run.csv", exportBytes("Run", stamp));
}

void TestQuickLook::pngPicture_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QSize>("size");

    QTest::newRow("default size") << QStringList() << QSize(1600, 900);
    QTest::newRow("smallest size") << QStringList{"--plot-size", "400x300"} << QSize(400, 300);
    QTest::newRow("wide and low") << QStringList{"--plot-size", "2000x600"} << QSize(2000, 600);
}

// A PNG of the requested size with both axes drawn and every channel's colour in the legend
// and along its trace.
void TestQuickLook::pngPicture()
{
    QFETCH(QStringList, arguments);
    QFETCH(QSize, size);
    const QString csv = writeAcquisition("png", "18/11/2020 14:24:29",
                                         QDateTime(QDate(2020, 11, 18), QTime(14, 24, 29)));
    const QString png = work.filePath(QStringLiteral("pictures/%1.png").arg(size.width()));

    const Run run = runTool(arguments + QStringList{"--plot", png, csv});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.isEmpty(), run.err);
    QFile file(png);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(8), QByteArray("\x89PNG\r\n\x1a\n"));
    const QImage image(png);
    QCOMPARE(image.size(), size);

    bool leftAxis = false;
    for (int x = 0; x < size.width() / 4 && !leftAxis; ++x)
        leftAxis = longestDarkRun(image, x, true) >= size.height() / 4;
    bool bottomAxis = false;
    for (int y = size.height() / 2; y < size.height() && !bottomAxis; ++y)
        bottomAxis = longestDarkRun(image, y, false) >= size.width() / 2;
    QVERIFY2(leftAxis, "no vertical axis line in the left quarter");
    QVERIFY2(bottomAxis, "no horizontal axis line in the lower half");
    for (int channel = 0; channel < channelColours.size(); ++channel) {
        const ColourCount count = countColour(image, channelColours.at(channel));
        QVERIFY2(count.exact > 0, qPrintable(channelNames.at(channel)));
        QVERIFY2(count.covered > size.width() / 2, qPrintable(channelNames.at(channel)));
    }
}

// The SVG holds the title, a polyline per channel, and the legend's and axes' texts.
void TestQuickLook::svgPicture()
{
    const QString svg = work.filePath("pictures/plain.svg");
    const Run run = runTool({"--plot", svg, "--plot-size", "1000x600", plainExport});
    QCOMPARE(run.exitCode, 0);

    QFile file(svg);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name(), QLatin1String("svg"));
    QCOMPARE(xml.attributes().value("viewBox"), QLatin1String("0 0 1000 600"));
    int lines = 0;
    QString title;
    QStringList texts;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        lines +=
            xml.name() == QLatin1String("polyline") || xml.name() == QLatin1String("path") ? 1 : 0;
        if (xml.name() == QLatin1String("title"))
            title = xml.readElementText();
        else if (xml.name() == QLatin1String("text"))
            texts << xml.readElementText().trimmed();
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY(lines > channelNames.size());
    const QDateTime start(QDate(2020, 11, 18), QTime(14, 24, 29));
    QCOMPARE(title, QStringLiteral("S1.d \u2013 %1").arg(isoText(start)));
    for (const QString &expected :
         channelNames + QStringList{"Time since start (s)", "Intensity (CPS)"})
        QVERIFY2(texts.contains(expected), qPrintable(expected));
}

void TestQuickLook::plotUsageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");

    const QString picture = work.filePath("refused/one.png");
    QTest::newRow("one picture named for two files")
        << QStringList{"--plot", picture, plainExport, secondExport};
    QTest::newRow("size below the smallest")
        << QStringList{"--plot", picture, "--plot-size", "200x100", plainExport};
    QTest::newRow("size without a height")
        << QStringList{"--plot", picture, "--plot-size", "800", plainExport};
    QTest::newRow("unknown format")
        << QStringList{"--plot", work.filePath("refused"), "--plot-format", "gif", plainExport};
    QTest::newRow("format contradicts the name")
        << QStringList{"--plot", picture, "--plot-format", "svg", plainExport};
    QTest::newRow("size without --plot") << QStringList{"--plot-size", "800x600", plainExport};
}

void TestQuickLook::plotUsageErrors()
{
    QFETCH(QStringList, arguments);
    const Run run = runTool(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY(!run.err.isEmpty());
    QVERIFY(!QFileInfo::exists(work.filePath("refused")));
}

// Files sorted by start, those without one last in path order, whatever order the paths and the
// imports come in; one picture per imported file in the folder named by --plot.
void TestQuickLook::batchOverviewInAcquisitionOrder()
{
    const QList<QPair<QByteArray, QByteArray>> files{{"a", "18/11/2020 15:00:00"},
                                                     {"b", "18/11/2020 09:00:00"},
                                                     {"c", "31/02/2020 10:00:00"},
                                                     {"d", "17/11/2020 23:00:00"},
                                                     {"e", "30/02/2020 10:00:00"}};
    for (const auto &file : files)
        writeFile("batch/" + file.first + ".csv", exportBytes(file.first, file.second));
    const QStringList expected{"d.csv", "b.csv", "a.csv", "c.csv", "e.csv"};
    const QString folder = work.filePath("batch");

    const Run json = runTool({"--json", "--jobs", "3", folder});
    QCOMPARE(json.exitCode, 1);
    const QJsonObject overview = QJsonDocument::fromJson(json.out).object()["overview"].toObject();
    const QJsonArray lines = overview["files"].toArray();
    QCOMPARE(lines.size(), expected.size());
    for (int i = 0; i < lines.size(); ++i) {
        QCOMPARE(QFileInfo(lines.at(i)["file"].toString()).fileName(), expected.at(i));
        QCOMPARE(lines.at(i)["status"].toString(), QString(i < 3 ? "ok" : "failed"));
    }
    const QJsonObject totals = overview["totals"].toObject();
    QCOMPARE(totals["files"].toInt(), 5);
    QCOMPARE(totals["ok"].toInt(), 3);
    QCOMPARE(totals["failed"].toInt(), 2);
    QCOMPARE(totals["rowCount"].toInt(), 3 * (tableRows + 1));
    QCOMPARE(totals["durationSeconds"].toDouble(), 3 * lines.at(0)["durationSeconds"].toDouble());

    const QString pictures = work.filePath("batch-pictures");
    const Run text = runTool({"--plot", pictures, "--plot-format", "svg", folder});
    QCOMPARE(text.exitCode, 1);
    const QString report = QString::fromUtf8(text.out);
    const QStringList table = report.mid(report.indexOf("Batch overview")).split('\n');
    QVERIFY2(table.size() >= 8, text.out);
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(table.at(i + 2).startsWith("  " + expected.at(i) + ' '),
                 qPrintable(table.at(i + 2)));
    QVERIFY2(table.at(7).startsWith("  Total: 5 files (3 ok, 2 failed), 903 rows, "),
             qPrintable(table.at(7)));
    QCOMPARE(QDir(pictures).entryList(QDir::Files), (QStringList{"a.svg", "b.svg", "d.svg"}));
}

void TestQuickLook::startTimeCrossCheck_data()
{
    QTest::addColumn<QByteArray>("stamp");
    QTest::addColumn<QDateTime>("acquired"); // the local time AcqTime stands for
    QTest::addColumn<int>("zoneHours");      // how far the instrument's zone shifts AcqTime
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("suggested");  // null: no warning

    const QByteArray swapped = "09/02/2026 14:24:29";
    const QDateTime september(QDate(2026, 9, 2), QTime(14, 24, 29));
    const QString monthFirst = "MM dd yyyy hh mm ss";
    QTest::newRow("day and month swapped") << swapped << september << 0 << QStringList() << monthFirst;
    QTest::newRow("day and month swapped, instrument 5 h ahead")
        << swapped << september << -5 << QStringList() << monthFirst;
    QTest::newRow("day and month swapped, read from Printed")
        << swapped << september << 0 << QStringList{"--set", "agilentTimeLineOption=Use 'Printed' Time"}
        << monthFirst;
    QTest::newRow("month-first preference, day-first stamp")
        << swapped << QDateTime(QDate(2026, 2, 9), QTime(14, 24, 29)) << 0
        << QStringList{"--set", "agilentDateFormat=" + monthFirst} << "dd MM yyyy hh mm ss";
    QTest::newRow("swapped, but start taken from AcqTime")
        << swapped << september << 0 << QStringList{"--set", "agilentTimeLineOption=Use XML Time"} << QString();

    const QByteArray november = "18/11/2020 14:24:29";
    const QDateTime sameTime(QDate(2020, 11, 18), QTime(14, 24, 29));
    QTest::newRow("same time") << november << sameTime << 0 << QStringList() << QString();
    QTest::newRow("time zone 9 h behind") << november << sameTime << 9 << QStringList() << QString();
    QTest::newRow("23 h apart, day 18 cannot be a month") << november << sameTime << -23 << QStringList() << QString();
    QTest::newRow("months apart, swapping does not give AcqTime")
        << QByteArray("05/03/2020 10:00:00") << QDateTime(QDate(2020, 6, 5), QTime(10, 0)) << 0
        << QStringList() << QString();
}

// The importer's finding reaches the report, stderr and the overview; the tool adds no rule of
// its own.
void TestQuickLook::startTimeCrossCheck()
{
    QFETCH(QByteArray, stamp);
    QFETCH(QDateTime, acquired);
    QFETCH(int, zoneHours);
    QFETCH(QStringList, arguments);
    QFETCH(QString, suggested);
    const QDateTime acqTime = acquired.addSecs(zoneHours * 3600);
    const QString csv =
        writeAcquisition(QStringLiteral("check/%1").arg(QTest::currentDataTag()), stamp, acqTime);

    const Run run = runTool(QStringList{"--json"} + arguments + QStringList{csv});
    QVERIFY2(run.exitCode == 0, run.err);
    const QJsonObject report =
        QJsonDocument::fromJson(run.out).object()["files"].toArray().at(0).toObject();
    const QJsonArray warnings = report["warnings"].toArray();
    QCOMPARE(warnings.size(), suggested.isNull() ? 0 : 1);
    QCOMPARE(run.err.contains("agilentDateFormat"), !suggested.isNull());
    if (suggested.isNull())
        return;
    const QJsonObject warning = warnings.at(0).toObject();
    const QString message = warning["message"].toString();
    QCOMPARE(warning["exportStart"], report["startTime"]);
    QCOMPARE(QDateTime::fromString(warning["acquisitionTime"].toString(), Qt::ISODateWithMs), acqTime);
    QCOMPARE(QDateTime::fromString(warning["swappedStart"].toString(), Qt::ISODateWithMs).date().month(),
             QDateTime::fromString(report["startTime"].toString(), Qt::ISODateWithMs).date().day());
    QCOMPARE(warning["preference"].toString(), QString("agilentDateFormat"));
    QCOMPARE(warning["suggestedValue"].toString(), suggested);
    QVERIFY2(message.contains(QStringLiteral("\"%1\"").arg(suggested)), qPrintable(message));
    QVERIFY2(run.err.contains(message.toUtf8()), run.err);
}

QTEST_GUILESS_MAIN(TestQuickLook)
#include "tst_quicklook.moc"
