#pragma once
// The tool tests' exports (in English), a file's bytes and a run of the built tessel-import.

#include "importtesting.h"

#include <QFile>
#include <QProcess>

// An export of <acquisition>.d in the batch <batch>.b, its 30 rows by ruleRows.
inline QByteArray exportText(QByteArray acquisition, QByteArray stamp = "18/11/2020 14:24:29",
                             QByteArray batch = "demo", QByteArray channels = "Li7,Na23,Mg24,Al27")
{
    Acquisition made;
    made.firstLine = "D:\\DATA\\" + batch + ".b\\" + acquisition + ".d";
    made.stampLine = "Acquired      : " + stamp + " using Batch " + batch + ".b";
    made.header = "Time [Sec]," + channels;
    made.rows = ruleRows(30, channels.count(',') + 1);
    made.footer = "          Printed:" + stamp;
    return made.exportBytes();
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
