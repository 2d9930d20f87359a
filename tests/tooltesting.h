#pragma once
// The inputs the tool tests import, built here (an export, an acquisition folder's files, a
// batch log), and a run of the built tessel-import as a child process.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>

#include <cmath>

// An English export. Its first line names the acquisition folder <acquisition>.d of the batch
// <batch>.b; it holds rowCount generated rows (see generatedRow).
struct ExportText
{
    QByteArray acquisition = "S1";
    QByteArray batch = "demo";
    QByteArray stamp = "18/11/2020 14:24:29";
    QByteArray unit = "CPS";
    QByteArray channelHeader = "Time [Sec],Li7,Na23,Mg24,Al27";
    int rowCount = 30;

    ExportText named(const QByteArray &name, const QByteArray &newStamp = {}) const
    {
        ExportText changed = *this;
        changed.acquisition = name;
        changed.stamp = newStamp.isEmpty() ? stamp : newStamp;
        return changed;
    }

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

    QByteArray bytes() const
    {
        QList<QByteArray> lines{
            "D:\\DATA\\" + batch + ".b\\" + acquisition + ".d", "Intensity Vs Time," + unit,
            "Acquired      : " + stamp + " using Batch " + batch + ".b", channelHeader};
        for (int row = 0; row < rowCount; ++row)
            lines += generatedRow(row, channelHeader.count(','));
        lines += {"", "", "          Printed:" + stamp, ""};
        return lines.join("\r\n");
    }
};

// An acquisition method's channels: element, m/z after and before the shift, dwell time.
inline QByteArray methodXml(const QList<QList<QByteArray>> &channels)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<AcquisitionDataSet>\r\n";
    for (const QList<QByteArray> &channel : channels)
        xml += "<IcpmsElement><MZ>" + channel.at(1) + "</MZ><SelectedMZ>" + channel.at(2) +
               "</SelectedMZ><IntegrationTime>" + channel.at(3) +
               "</IntegrationTime><ElementName>" + channel.at(0) +
               "</ElementName></IcpmsElement>\r\n";
    return xml + "</AcquisitionDataSet>\r\n";
}

// The Method/BatchLog.xml of the batch <batch>.b: per acquisition its ".d" name without the
// suffix, its sample, its result and its time with the UTC offset.
inline QByteArray batchLogXml(const QByteArray &batch, const QList<QList<QByteArray>> &entries)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<BatchLogDataSet>\r\n";
    for (const QList<QByteArray> &entry : entries)
        xml += "<BatchLogInfo><DataFileName>D:\\DATA\\" + batch + ".b\\" + entry.at(0) +
               ".d</DataFileName><SampleName>" + entry.at(1) + "</SampleName><AcqResult>" +
               entry.at(2) + "</AcqResult><AcqDateTime>" + entry.at(3) +
               "</AcqDateTime></BatchLogInfo>\r\n";
    return xml + "</BatchLogDataSet>\r\n";
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
