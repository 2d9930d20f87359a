#pragma once

#include "columns.h"
#include "records.h"
#include "tessel_core_global.h"

#include <QDateTime>
#include <QSharedPointer>
#include <QStringList>
#include <QVector>

#include <memory>
#include <mutex>

// One file's raw data as the data store keeps it: its own copies of every column, all in one
// block of memory that the input holds.
struct RawInput
{
    QString filePath;
    QStringList channelNames;
    std::shared_ptr<double> columnMemory; // declared before the columns that view it
    QHash<QString, Column> channels;
    Column time;
    QDateTime start;
    QDateTime end;
    int rowCount = 0;
    QString machineName;
    QList<float> dwellTimes;
    MassPairList massPairs;
    QStringList extra;
};

// The session's data store. Safe to use from several threads.
class TESSEL_CORE_EXPORT DataManager
{
public:
    // Takes the raw data of one import when it is consistent: a column for every listed
    // channel, every column and the time column rowCount long, rowCount > 0. The columns are
    // copied during the call; the caller keeps ownership of what it passed.
    bool addRawDataToInputData(const QString &filePath, const QStringList &channelNames,
                               const QHash<QString, Column *> &channels, const Column *time,
                               const QDateTime &start, const QDateTime &end, int rowCount,
                               const QString &machineName, const QList<float> &dwellTimes,
                               const MassPairList &massPairs, const QStringList &extra);
    void appendFileToFileList(const QSharedPointer<TesselImportedFile> &file);
    void appendSampleToSampleList(const QSharedPointer<TesselSampleMetaData> &sample);

    QVector<QSharedPointer<const RawInput>> rawInputs() const;
    // The most recent raw data stored for a file, or null.
    QSharedPointer<const RawInput> rawInputFor(const QString &filePath) const;
    QVector<QSharedPointer<TesselImportedFile>> files() const;
    QVector<QSharedPointer<TesselSampleMetaData>> samples() const;

    // Refuses raw data that would take the columns held past this many bytes; no limit when
    // negative (the default).
    void setMemoryLimit(qint64 bytes);

    // Drops everything held for one file (a host that reports and forgets, as a batch does).
    void forgetFile(const QString &filePath);
    void clear();

private:
    mutable std::mutex mutex;
    qint64 memoryLimit = -1;
    qint64 memoryHeld = 0;
    QVector<QSharedPointer<const RawInput>> inputs;
    QVector<QSharedPointer<TesselImportedFile>> fileList;
    QVector<QSharedPointer<TesselSampleMetaData>> sampleList;
};

class TESSEL_CORE_EXPORT SessionManager
{
public:
    DataManager *data() { return &store; }

private:
    DataManager store;
};

TESSEL_CORE_EXPORT SessionManager *Session();
