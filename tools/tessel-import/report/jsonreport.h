#pragma once

#include <QJsonObject>

class QTextStream;
struct ImportResult;

// One file's import as a JSON object; null stands for what the import did not establish.
// The importer's day-and-month finding on its start time is its "warnings" entry.
QJsonObject importToJson(const ImportResult &result);

// The version of the report's layout: raised when a key changes its meaning or goes away.
const int reportSchemaVersion = 1;

// Writes {"files": [...], "overview": {...}, "schemaVersion": 1, "timeZone": "..."} to out
// exactly as QJsonDocument writes it indented, one file's entry at a time, so that a batch holds
// no report of a file it has finished with.
class JsonDocumentWriter
{
public:
    JsonDocumentWriter(QTextStream &out, const QString &timeZone) : out(out), timeZone(timeZone) {}

    void addFile(const QJsonObject &file);
    void finish(const QJsonObject &overview);

private:
    QTextStream &out;
    const QString timeZone;
    int filesWritten = 0;
};
