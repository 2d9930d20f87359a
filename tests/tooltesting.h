#pragma once
// The inputs the tool tests import, built here (an export, an acquisition folder's files, a
// batch log), and a run of the built tessel-import as a child process.

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QStringList>

#include <cmath>

// An English export. Its first line names the acquisition folder <acquisition>.d of the batch
// <batch>.b; without rows of its own it holds rowCount generated ones (see generatedRow).
struct ExportText
{
    QByteArray acquisition = "S1";
    QByteArray batch = "demo";
    QByteArray stamp = "18/11/2020 14:24:29";
    QByteArray unit = "CPS";
    QByteArray channelHeader = "Time [Sec],Li7,Na23,Mg24,Al27";
    int rowCount = 30;
    QList<QByteArray> rows;

    // Named mutations.
    ExportText named(const QByteArray &name) const
    {
        ExportText changed = *this;
        changed.acquisition = name;
        return changed;
    }
    ExportText stampedAt(const QByteArray &text) const
    {
        ExportText changed = *this;
        changed.stamp = text;
        return changed;
    }
    ExportText inBatch(const QByteArray &name) const
    {
        ExportText changed = *this;
        changed.batch = name;
        return changed;
    }
    ExportText withHeader(const QByteArray &header) const
    {
        ExportText changed = *this;
        changed.channelHeader = header;
        return changed;
    }

    int channelCount() const { return int(channelHeader.count(',')); }

    // Row r: the time 0.05 + 0.1 r s, then channel c around 2 × 10^(c + 2) with a wave on it;
    // the first channel counts nothing on every tenth row.
    static QByteArray generatedRow(int row, int channels)
    {
        QByteArray line = QByteArray::number(0.05 + 0.1 * row, 'f', 4);
        for (int channel = 0; channel < channels; ++channel) {
            const bool silent = channel == 0 && row % 10 == 0;
            const double level = 2.0 * std::pow(10.0, channel + 2);
            const double value = silent ? 0.0 : level * (1.0 + 0.5 * std::sin(0.7 * row + channel));
            line += ',' + QByteArray::number(value, 'f', 2);
        }
        return line;
    }

    QList<QByteArray> dataRows() const
    {
        if (!rows.isEmpty())
            return rows;
        QList<QByteArray> generated;
        for (int row = 0; row < rowCount; ++row)
            generated.append(generatedRow(row, channelCount()));
        return generated;
    }

    QByteArray bytes() const
    {
        QList<QByteArray> lines{
            "D:\\DATA\\" + batch + ".b\\" + acquisition + ".d", "Intensity Vs Time," + unit,
            "Acquired      : " + stamp + " using Batch " + batch + ".b", channelHeader};
        lines += dataRows();
        lines += {"", "", "          Printed:" + stamp, ""};
        return lines.join("\r\n");
    }
};

// A channel of an acquisition method: element, m/z after and before the shift, dwell time.
struct MethodChannel
{
    QByteArray element;
    int mz;
    int selectedMz;
    QByteArray dwell;
};

inline QByteArray methodXml(const QList<MethodChannel> &channels)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<AcquisitionDataSet>\r\n";
    for (const MethodChannel &channel : channels)
        xml += "<IcpmsElement><MZ>" + QByteArray::number(channel.mz) + "</MZ><SelectedMZ>" +
               QByteArray::number(channel.selectedMz) + "</SelectedMZ><IntegrationTime>" +
               channel.dwell + "</IntegrationTime><ElementName>" + channel.element +
               "</ElementName></IcpmsElement>\r\n";
    return xml + "</AcquisitionDataSet>\r\n";
}

// sample_info.xml of <batch>.b\<acquisition>.d, acquired at acquired (written in UTC).
inline QByteArray sampleInfoXml(const QByteArray &batch, const QByteArray &acquisition,
                                const QDateTime &acquired)
{
    const auto field = [](const QByteArray &name, const QByteArray &value) {
        return "<Field><Name>" + name + "</Name><Value>" + value + "</Value></Field>\r\n";
    };
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<SampleInfo>\r\n" +
           field("Data File", "D:\\DATA\\" + batch + ".b\\" + acquisition + ".d") +
           field("Sample Name", "Glass A") + field("Comment", "second spot") +
           field("InstrumentName", "G8900  X1") +
           field("AcqTime", acquired.toUTC().toString("yyyy-MM-ddTHH:mm:ssZ").toLatin1()) +
           "</SampleInfo>\r\n";
}

// One acquisition of a batch log.
struct BatchLogEntry
{
    QByteArray acquisition; // without ".d"
    QByteArray sample;
    QByteArray result;
};

// The BatchLog.csv of older instrument software for the batch <batch>.b.
inline QByteArray batchLogCsv(const QByteArray &batch, const QList<BatchLogEntry> &entries)
{
    QByteArray text =
        "#,Acq. Date-Time,Sample Type,Sample Name,Vial#,File Name,Acquisition Result,Comment,\r\n";
    int number = 0;
    for (const BatchLogEntry &entry : entries)
        text += QByteArray::number(++number) + ",18/11/2020 2:24:29 PM,Sample," + entry.sample +
                ",<Manual>,D:\\DATA\\" + batch + ".b\\" + entry.acquisition + ".d," + entry.result +
                ",-,\r\n";
    return text;
}

// Writes a file below folder, making the folders on the way; the path, or empty on failure.
inline QString writeFileBelow(const QString &folder, const QString &name, const QByteArray &bytes)
{
    const QString path = QDir(folder).filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

struct ToolRun
{
    int exitCode = -1; // -1: did not end normally within a minute
    QByteArray out;
    QByteArray err;
};

// Runs the built tool with its settings under configHome, never the user's.
inline ToolRun runImportTool(const QStringList &arguments, const QString &configHome)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TESSEL_IMPORT_TOOL), arguments);
    ToolRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}
