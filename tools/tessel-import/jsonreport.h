#pragma once

#include "timestampcheck.h"

#include <QJsonObject>

#include <optional>

struct ImportResult;

// One file's import as a JSON object; null stands for what the import did not establish.
// The cross-check of its start time, when it found a mismatch, is its "warnings" entry.
QJsonObject importToJson(const ImportResult &result,
                         const std::optional<StartTimeMismatch> &mismatch);
