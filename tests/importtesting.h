#pragma once
// Shared by the import tests: an ordered record of an importer's signals, one builder for
// exports and the acquisition or batch folders around them, and checks of the host's state.

#include "abstractimporter.h"
#include "datamanager.h"
#include "log.h"
#include "plainreading.h"
#include "settingsstore.h"
#include "testtables.h"
#include "timezonenames.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <functional>

// Every signal of an importer, in the order emitted, as "name(argument)".
class SignalLog
{
public:
    explicit SignalLog(AbstractImporter &importer)
    {
        using I = AbstractImporter;
        const auto text = [](const QString &s) { return s; };
        const auto list = [](const QStringList &l) { return l.join(QLatin1Char('|')); };
        const auto number = [](auto n) { return QString::number(n); };
        const auto time = [](const QDateTime &t) { return t.toString(Qt::ISODateWithMs); };
        add(importer, &I::task, "task", text);
        add(importer, &I::message, "message", text);
        add(importer, &I::importError, "importError", text);
        add(importer, &I::progress, "progress", number);
        add(importer, &I::finished, "finished", [] { return QString(); });
        add(importer, &I::sampleNames, "sampleNames", list);
        add(importer, &I::channelNames, "channelNames", list);
        add(importer, &I::sizeInBytes, "sizeInBytes", number);
        add(importer, &I::startTime, "startTime", time);
        add(importer, &I::endTime, "endTime", time);
        add(importer, &I::duration, "duration", number);
        add(importer, &I::data, "data", [this](const ChannelData &d) {
            sharedData = d;
            return QString::number(d.size());
        });
        add(importer, &I::time, "time", [this](const ColumnPtr &t) {
            sharedTime = t;
            return QString::number(t ? t->n_elem : 0);
        });
        add(importer, &I::masses, "masses", [this](const MassMap &m) {
            sharedMasses = m;
            return QString::number(m.size());
        });
    }

    QStringList entries;
    ChannelData sharedData;
    ColumnPtr sharedTime;
    MassMap sharedMasses;

private:
    template<typename... A, typename F>
    void add(AbstractImporter &importer, void (AbstractImporter::*signal)(A...), const char *name,
             F describe)
    {
        QObject::connect(&importer, signal, [=](A... arguments) {
            entries.append(
                QStringLiteral("%1(%2)").arg(QLatin1String(name), describe(arguments...)));
        });
    }
};

// The closing signals of an import that ends with this message.
inline QStringList closing(const QString &message)
{
    return {QStringLiteral("message(%1)").arg(message), QStringLiteral("progress(100)"),
            QStringLiteral("finished()")};
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Data rows by the rule of every export in tests/data: the time 0.1234 + 0.5 r, the value of
// channel c (from 1) 10 r + c + 0.25.
inline QList<QByteArray> ruleRows(int rows, int channels)
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

// A channel of an acquisition method; selectedMz (the pre-shift mass) empty when not shifted.
struct MethodChannel
{
    QString symbol;
    QString mz;
    QString selectedMz;
    QString dwell;
};

// One acquisition as a batch log records it.
struct BatchEntry
{
    QString dataFile;
    QString sample;
    QString time;
    QString result;
};

// Where the instrument software keeps the method and the sample record of an acquisition.
enum class Layout {
    ExportOnly, // <name>.csv alone
    InFolder,   // <name>.d/AcqMethod.xml and <name>.d/AcqData/sample_info.xml
    BatchXml,   // demo.b/Method/AcqMethod.xml and demo.b/Method/BatchLog.xml
    BatchCsv,   // demo.b/Method/AcqMethod.xml and demo.b/BatchLog.csv
    BatchBoth   // both batch logs, the XML one without this acquisition
};

inline QByteArray sampleInfoXml(const QList<QPair<QByteArray, QByteArray>> &fields,
                                const QByteArray &prolog = {},
                                const QByteArray &root = "SampleInfo")
{
    QByteArray xml = "<?xml version=\"1.0\"?>\n" + prolog + '<' + root + "><Version>1</Version>\n";
    for (const auto &[name, value] : fields)
        xml += "<Field><Name>" + name + "</Name><Value>" + value + "</Value></Field>\n";
    return xml + "</" + root + ">\n";
}

// An export as the instrument software writes it and, by its layout, the acquisition or batch
// folder around it. A test changes the fields it is about (a mutation) and writes it.
struct Acquisition
{
    QString name = QStringLiteral("Run1"); // the folder Run1.d, the export Run1.csv
    QByteArray firstLine = "D:\\DATA\\demo.b\\Run1.d";
    QByteArray unitLine = "Intensity Vs Time,CPS";
    QByteArray stampLine = "Acquired      : 18/11/2020 14:24:29 using Batch demo.b";
    QByteArray header = "Time [Sec],Li7,Na23";
    QList<QByteArray> rows{"0.5,1,2", "1.0,3,4"};
    QByteArray footer = "          Printed:18/11/2020 14:25:02";
    QByteArray lineEnd = "\r\n";

    Layout layout = Layout::ExportOnly;
    QList<MethodChannel> method{{"Na", "23", "", "0.002"}, {"Li", "7", "", "0.005"}};
    QByteArray methodRoot = "AcquisitionDataSet";
    QByteArray methodPrefix; // written before the channels
    // sample_info.xml, written as given: entity references pass.
    QList<QPair<QByteArray, QByteArray>> sampleFields{{"Data File", "D:\\DATA\\demo.b\\Run1.d"},
                                                      {"Sample Name", "NIST612"},
                                                      {"Comment", "spot 3"},
                                                      {"InstrumentName", "G8900A  SG123 "},
                                                      {"AcqTime", "2020-11-18T13:24:29Z"}};
    QByteArray sampleProlog;
    QByteArray sampleRoot = "SampleInfo";
    bool acqDataFolder = true; // else sample_info.xml stands beside the export
    QList<BatchEntry> batchLog{
        {"D:\\DATA\\demo.b\\Run0.d", "B-00", "2020-11-18T14:20:00+11:00", "Pass"},
        {"D:\\DATA\\demo.b\\Run1.d", "B-01", "2020-11-18T14:24:29+11:00", "Pass"}};
    QString devices; // "model serial" of <name>.d/AcqData/Devices.xml; empty: none
    QString batchFolder = QStringLiteral("demo.b"); // where the batch layouts stand

    // Sets a sample_info.xml field; a null value removes it.
    void setField(const QByteArray &field, const QByteArray &value)
    {
        for (int i = 0; i < sampleFields.size(); ++i) {
            if (sampleFields.at(i).first != field)
                continue;
            if (value.isNull())
                sampleFields.removeAt(i);
            else
                sampleFields[i].second = value;
            return;
        }
        if (!value.isNull())
            sampleFields.append({field, value});
    }

    QByteArray exportBytes() const
    {
        QList<QByteArray> lines{firstLine, unitLine, stampLine, header};
        return (lines + rows + QList<QByteArray>{"", "", footer}).join(lineEnd);
    }

    QByteArray methodXml() const
    {
        QByteArray xml =
            "<?xml version=\"1.0\"?>\n<" + methodRoot + " xmlns=\"Acquisition\">\n" + methodPrefix;
        for (const MethodChannel &c : method) {
            xml += "<IcpmsElement><ElementName>" + c.symbol.toUtf8() + "</ElementName><MZ>" +
                   c.mz.toUtf8() + "</MZ>";
            if (!c.selectedMz.isEmpty())
                xml += "<SelectedMZ>" + c.selectedMz.toUtf8() + "</SelectedMZ>";
            xml += "<IntegrationTime>" + c.dwell.toUtf8() + "</IntegrationTime></IcpmsElement>\n";
        }
        return xml + "</" + methodRoot + ">\n";
    }

    QByteArray batchLogXml() const
    {
        QByteArray xml = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                         "<BatchLogDataSet xmlns=\"BatchLog\">\r\n";
        for (const BatchEntry &e : batchLog) {
            if (layout != Layout::BatchBoth || !e.dataFile.endsWith(name + QStringLiteral(".d")))
                xml += QStringLiteral("<BatchLogInfo><AcqDateTime>%1</AcqDateTime><AcqResult>%2"
                                      "</AcqResult><DataFileName>%3</DataFileName><SampleName>%4"
                                      "</SampleName><ErrorMessage /></BatchLogInfo>\r\n")
                           .arg(e.time, e.result, e.dataFile, e.sample)
                           .toUtf8();
        }
        return xml + "</BatchLogDataSet>";
    }

    // The CSV log writes local times as the instrument's clock shows them.
    QByteArray batchLogCsv() const
    {
        QByteArray csv = "#,Acq. Date-Time,Sample Type,Sample Name,Vial#,File Name,Acquisition "
                         "Result,Comment,\r\n";
        for (int i = 0; i < batchLog.size(); ++i) {
            const BatchEntry &e = batchLog.at(i);
            csv += QStringLiteral("%1,%2,Sample,%3,<Manual>,%4,%5,-,\r\n")
                       .arg(QString::number(i + 1), e.time, e.sample, e.dataFile, e.result)
                       .toUtf8();
        }
        return csv;
    }

    // Writes the files below root; answers the export's path.
    QString writeTo(const QString &root) const
    {
        QDir top(root);
        if (layout == Layout::ExportOnly) {
            writeBytes(top.filePath(name + QStringLiteral(".csv")), exportBytes());
            return top.filePath(name + QStringLiteral(".csv"));
        }
        const bool batch = layout != Layout::InFolder;
        const QDir batchDir(top.filePath(batchFolder));
        const QDir folder((batch ? batchDir : top).filePath(name + QStringLiteral(".d")));
        folder.mkpath(acqDataFolder ? QStringLiteral("AcqData") : QStringLiteral("."));
        const QString path = folder.filePath(name + QStringLiteral(".csv"));
        writeBytes(path, exportBytes());
        if (!devices.isEmpty())
            writeBytes(folder.filePath(QStringLiteral("AcqData/Devices.xml")),
                       "<Devices><Version>1</Version><Device><Name>ICPQQQ</Name><ModelNumber>" +
                           devices.section(' ', 0, 0).toUtf8() + "</ModelNumber><SerialNumber>" +
                           devices.section(' ', 1).toUtf8() + "</SerialNumber></Device></Devices>");
        if (!batch) {
            writeBytes(folder.filePath(QStringLiteral("AcqMethod.xml")), methodXml());
            writeBytes(folder.filePath(acqDataFolder ? QStringLiteral("AcqData/sample_info.xml")
                                                     : QStringLiteral("sample_info.xml")),
                       sampleInfoXml(sampleFields, sampleProlog, sampleRoot));
            return path;
        }
        batchDir.mkpath(QStringLiteral("Method"));
        writeBytes(batchDir.filePath(QStringLiteral("Method/AcqMethod.xml")), methodXml());
        if (layout != Layout::BatchCsv)
            writeBytes(batchDir.filePath(QStringLiteral("Method/BatchLog.xml")), batchLogXml());
        if (layout != Layout::BatchXml)
            writeBytes(batchDir.filePath(QStringLiteral("BatchLog.csv")), batchLogCsv());
        return path;
    }
};

// A change to the usual acquisition; the row that applies it names it.
using Mutation = std::function<void(Acquisition &)>;
Q_DECLARE_METATYPE(Mutation)

// The start of the usual export, 18/11/2020 14:24:29 in the computer's zone, in seconds since the
// epoch.
inline double usualStart()
{
    const QDateTime start(QDate(2020, 11, 18), QTime(14, 24, 29), QTimeZone::systemTimeZone());
    return double(start.toMSecsSinceEpoch()) / 1000.0;
}

inline QStringList pairTexts(const MassPairList &pairs)
{
    QStringList texts;
    for (const MassPair &pair : pairs)
        texts.append(pair.first + QLatin1Char('>') + pair.second);
    return texts;
}

// Imports the file into the data store as the host does; what the store keeps of it, or null.
inline QSharedPointer<const RawInput> importStored(AbstractImporter &importer, const QString &path)
{
    importer.fileName = path;
    importer.importData(true);
    return Session()->data()->rawInputFor(path);
}

// A clean host for the next case: preferences, log and data store.
inline void resetHost()
{
    QSettings().clear();
    TsLog().clear();
    Session()->data()->clear();
    Session()->data()->setMemoryLimit(-1);
}

// The frame of an import test: a folder for the files it writes, the settings store in a file of
// its own there (never the user's), and a clean host before every case.
class ImportTestCase : public QObject
{
    Q_OBJECT

protected:
    QTemporaryDir dir;

public:
    ImportTestCase() { moveSettingsStore(dir.filePath(QStringLiteral("settings"))); }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }
    void init() { resetHost(); }
};

// The warnings in the host log, in order.
inline QVector<LogEntry> loggedWarningEntries()
{
    QVector<LogEntry> warnings;
    for (const LogEntry &entry : TsLog().entries()) {
        if (entry.level == LogEntry::Warning)
            warnings.append(entry);
    }
    return warnings;
}

inline QStringList loggedWarnings()
{
    QStringList texts;
    for (const LogEntry &entry : loggedWarningEntries())
        texts.append(entry.message);
    return texts;
}

// Whether a logged message is the one expected: an expected text holding %1 is the whole
// message with the file's path put in; any other text is a part of it.
inline bool warningMatches(const QString &expected, const QString &message, const QString &path)
{
    return expected.contains(QLatin1String("%1"))
               ? message == QString(expected).replace(QLatin1String("%1"), path)
               : message.contains(expected);
}

// Every regular file below a folder with its content hash and modification time.
inline QMap<QString, QString> snapshot(const QString &folder)
{
    QMap<QString, QString> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (file.open(QIODevice::ReadOnly))
            hash.addData(file.read(qint64(128) << 20)); // a sparse 3 GiB file is not read whole
        files.insert(file.fileName(),
                     QString::fromLatin1(hash.result().toHex()) + QLatin1Char(' ') +
                         QString::number(it.fileInfo().size()) + QLatin1Char(' ') +
                         QString::number(it.fileInfo().lastModified().toMSecsSinceEpoch()));
    }
    return files;
}
