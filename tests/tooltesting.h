#pragma once
// The tool tests' exports (in English), a file's bytes and a run of the built tessel-import.

#include <QFile>
#include <QProcess>

#include <cmath>

// An export of <acquisition>.d in the batch <batch>.b: 30 rows of the time 0.05 + 0.1 r s, then
// channel c around 2 × 10^(c + 2) counts per second; the first counts nothing on every tenth row.
inline QByteArray exportText(QByteArray acquisition, QByteArray stamp = "18/11/2020 14:24:29",
                             QByteArray batch = "demo", QByteArray channels = "Li7,Na23,Mg24,Al27")
{
    QByteArray text = "D:\\DATA\\" + batch + ".b\\" + acquisition +
                      ".d\r\nIntensity Vs Time,CPS\r\nAcquired      : " + stamp + " using Batch " +
                      batch + ".b\r\nTime [Sec]," + channels;
    for (int row = 0; row < 30; ++row) {
        text += "\r\n" + QByteArray::number(0.05 + 0.1 * row, 'f', 4);
        for (int c = 0; c <= channels.count(','); ++c)
            text += ',' + QByteArray::number(
                              c || row % 10 ? (2 + std::sin(row + c)) * std::pow(10.0, c + 2) : 0.0,
                              'f', 2);
    }
    return text + "\r\n\r\n\r\n          Printed:" + stamp + "\r\n";
}

// A file's bytes; empty when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct ToolRun
{
    int exitCode = -1; // -1: did not end normally within a minute
    QByteArray out, err;
};

// Runs the built tool; the tests point its settings ($XDG_CONFIG_HOME) away from the user's.
inline ToolRun runTool(const QStringList &arguments)
{
    QProcess process;
    process.start(TESSEL_IMPORT_TOOL, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}
