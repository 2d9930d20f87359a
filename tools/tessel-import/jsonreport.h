#pragma once

#include <QJsonObject>

struct ImportResult;

// One file's import as a JSON object; null stands for what the import did not establish.
// The importer's day-and-month finding on its start time is its "warnings" entry.
QJsonObject importToJson(const ImportResult &result);
