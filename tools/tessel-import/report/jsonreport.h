#pragma once

#include <QJsonObject>

class QTextStream;
struct ImportResult;

// One file's import as a JSON object; null stands for what the import did not establish.
// The importer's day-and-month finding on its start time is its "warnings" entry.
QJsonObject importToJson(const ImportResult &result);

// Writes {"files": [...], "overview": {...}} to out exactly as QJsonDocument writes it indented,
// one file's entry at a time, so that a batch holds no report of a file it has finished with.
class JsonDocumentWriter
{
public:
    explicit JsonDocumentWriter(QTextStream &out) : out(out) {}

    void addFile(const QJsonObject &file);
    void finish(const QJsonObject &overview);

private:
    QTextStream &out;
    int filesWritten = 0;
};
