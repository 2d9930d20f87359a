#pragma once

#include "columns.h"
#include "datamanager.h"
#include "importreport.h"
#include "log.h"

#include <QDateTime>
#include <QStringList>
#include <QTimeZone>
#include <QVector>

#include <algorithm>
#include <optional>

struct ChannelReport
{
    QString name;
    std::optional<MassPair> massPair;
    std::optional<double> dwellTimeSeconds;
};

// A file the run writes of an import (--export, --plot).
struct FileOutput
{
    QString kind; // "table" or "picture"
    QString path;
    QString error; // why it was not written; empty when it was
};

// Everything one file's import announced, stored and logged, and what the run wrote of it.
struct ImportResult
{
    QString file;
    QString importer; // the recognising plug-in's class name; empty when none recognised the file
    bool ok = false;  // the data reached the data store
    std::optional<QString> sampleName; // unset when the import announced none
    QString machineName;
    QDateTime start;
    QDateTime end;
    std::optional<double> durationSeconds;
    int rowCount = 0; // the rows handed to the host, the closing row included
    std::optional<quint64> sizeInBytes;
    QVector<ChannelReport> channels;
    QStringList messages;
    QStringList errors;
    QVector<LogEntry> log;
    ImportReport report; // what the importer found beyond its signals, as it left it
    int fileRecords = 0;
    int sampleRecords = 0;
    QSharedPointer<const RawInput> stored;
    QVector<FileOutput> outputs; // empty when none was asked for or nothing was stored
    // The import's stages: the format test, the importer's own, then the hand-off (the rest of
    // the import: the signals, the data store's copy); the reporter adds its own.
    QVector<StageTime> stageTimes;
    // The zone the importer was asked to read local times in; the reports show times in it. Set
    // from the import's options: a result is not made with the system's zone, which under
    // Windows is read from the registry each time it is asked for.
    QTimeZone timeZone;
};

// The data rows of a table: the importers hand the host one closing row more (the last time plus
// a millisecond, without values).
inline int dataRowsOf(int rowCount)
{
    return rowCount > 0 ? rowCount - 1 : 0;
}

// Whether a file's import stored its data and the run wrote every output asked for of it.
inline bool succeeded(const ImportResult &result)
{
    return result.ok &&
           std::all_of(result.outputs.cbegin(), result.outputs.cend(),
                       [](const FileOutput &output) { return output.error.isEmpty(); });
}
