#pragma once

#include <QJsonArray>
#include <QSet>
#include <QString>

class ProgressBar;
class QTextStream;
struct ImportResult;

// Reports each import as it arrives: a text summary, or an entry of the JSON document written
// at the end, and the CSV export. Then lets the data store forget the file, so that a batch
// holds one file's data at a time. Remembers whether every file was imported.
class ImportReporter
{
public:
    ImportReporter(QTextStream &out, bool json, const QString &exportFolder);

    void report(const ImportResult &result);
    // Writes what waits for the end of the run; the exit code of the run.
    int finish(bool problemsBefore);

private:
    bool exportTable(const ImportResult &result);

    QTextStream &out;
    const bool json;
    const QString exportFolder;
    QJsonArray jsonFiles;
    QSet<QString> exported;
    bool allImported = true;
};
