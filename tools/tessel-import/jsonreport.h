#pragma once

#include <QJsonObject>

struct ImportResult;

// One file's import as a JSON object; null stands for what the import did not establish.
QJsonObject importToJson(const ImportResult &result);
