#pragma once

#include "datamanager.h"
#include "tessel_reader.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class ImporterPlugins;

// One file's result as the library hands it out: texts in UTF-8 and the data store's own copy
// of the columns, held for as long as the result lives.
struct FileResult
{
    std::string path;
    bool ok = false;
    std::string error; // the importer's messages, one a line; empty when it succeeded
    std::string json;  // the file's entry of the report
    std::int64_t rowCount = 0;
    std::vector<std::string> channelNames;
    QSharedPointer<const RawInput> stored;
    const double *time = nullptr;
    std::vector<const double *> columns; // in the order of channelNames
};

struct BatchResult
{
    std::vector<std::shared_ptr<const FileResult>> files; // in the order of the report
    std::vector<std::int32_t> acquisitionOrder;           // indices of files
    std::string json;                                     // the whole report
};

// What one read asks for, as the caller gave it.
struct ReadRequest
{
    QStringList paths;
    QString timeZone;        // an IANA id; empty: the computer's zone
    QStringList preferences; // "key=value"
    int jobs = 0;            // 0: one per processor
};

// Why a read could not start.
struct ReadError
{
    tessel_status status;
    QString message;
};

// Told on the calling thread after each file: how many of the total are done.
using ReadProgress = std::function<void(int done, int total)>;

// Imports the request's paths as tessel-import does, through the plug-ins; throws ReadError for a
// request that cannot be read (an unknown zone or preference, a malformed preference).
BatchResult readPaths(const ImporterPlugins &plugins, const ReadRequest &request,
                      const ReadProgress &progress);
