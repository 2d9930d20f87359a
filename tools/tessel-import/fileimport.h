#pragma once

#include "columns.h"
#include "datamanager.h"
#include "log.h"

#include <QDateTime>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>

class ImporterPlugins;

struct ChannelReport
{
    QString name;
    std::optional<MassPair> massPair;
    std::optional<double> dwellTimeSeconds;
};

// What the acquisition folder beside the data file added to the import.
struct AcquisitionFolderReport
{
    QString instrumentName;
    QString sampleLabel;
    QString sampleLabelField; // "Sample Name" or "Comment"
};

// Everything one file's import announced, stored and logged.
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
    int rowCount = 0;
    std::optional<quint64> sizeInBytes;
    QVector<ChannelReport> channels;
    QStringList messages;
    QStringList errors;
    QVector<LogEntry> log;
    std::optional<AcquisitionFolderReport> acquisitionFolder;
    QDateTime acquisitionTime; // the acquisition folder's "AcqTime"; invalid when not read
    int fileRecords = 0;
    int sampleRecords = 0;
    QSharedPointer<const RawInput> stored;
};

using ProgressCallback = std::function<void(double percent)>;

// Imports one file into the session's data store with a fresh importer of the first plug-in
// that recognises it, on the calling thread. progress, when set, receives the importer's
// progress signals.
ImportResult importFile(const ImporterPlugins &plugins, const QString &path,
                        const ProgressCallback &progress);
