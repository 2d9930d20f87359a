#pragma once
// The inputs the tool tests import (an English export) and a run of the built tessel-import.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>

#include <cmath>

// An export of <acquisition>.d in the batch <batch>.b with rowCount generated rows.
struct ExportText
{
    QByteArray acquisition = "S1", batch = "demo", stamp = "18/11/2020 14:24:29", unit = "CPS";
    QByteArray channelHeader = "Time [Sec],Li7,Na23,Mg24,Al27";
    int rowCount = 30;

    // Row r: the time 0.05 + 0.1 r s, then channel c around 2 × 10^(c + 2) with a wave on it;
    // the first channel counts nothing on every tenth row.
    static QByteArray generatedRow(int row, int channels)
    {
        QByteArray line = QByteArray::number(0.05 + 0.1 * row, 'f', 4);
        for (int c = 0; c < channels; ++c) {
            const double value =
                c == 0 && row % 10 == 0
                    ? 0.0
                    : 2.0 * std::pow(10.0, c + 2) * (1.0 + 0.5 * std::sin(0.7 * row + c));
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

// Writes a file below folder, making the folders on the way; the path, or empty on failure.
inline QString writeFileBelow(const QString &folder, const QString &name, const QByteArray &bytes)
{
    const QString path = QDir(folder).filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
}

struct ToolRun
{
    int exitCode = -1; // -1: did not end normally within a minute
    QByteArray out, err;
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
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit)
        run = {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    return run;
}
