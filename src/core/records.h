#pragma once

#include "tessel_core_global.h"

#include <QDateTime>
#include <QDir>
#include <QObject>
#include <QStringList>

// What the host knows of a sample or of an imported file.
class TESSEL_CORE_EXPORT SampleMetaData : public QObject
{
    Q_OBJECT
public:
    SampleMetaData(const QDateTime &start, const QDateTime &end, const QDir &location);

    QDateTime startTime;
    QDateTime endTime;
    QDir location;
};

class TESSEL_CORE_EXPORT TesselSampleMetaData : public SampleMetaData
{
    Q_OBJECT
public:
    TesselSampleMetaData(const QString &name, const QDateTime &start, const QDateTime &end,
                         const QDir &location);

    QString name;
};

class TESSEL_CORE_EXPORT TesselImportedFile : public SampleMetaData
{
    Q_OBJECT
public:
    TesselImportedFile(const QDateTime &start, const QDateTime &end, const QDir &location,
                       const QDateTime &importTime);

    void setListOfSamples(const QStringList &samples) { listOfSamples = samples; }

    QDateTime importTime;
    QStringList listOfSamples;
};

class TESSEL_CORE_EXPORT ImportedMassSpecFile : public TesselImportedFile
{
    Q_OBJECT
public:
    ImportedMassSpecFile(const QDateTime &start, const QDateTime &end, const QDir &location,
                         const QDateTime &importTime, int rowCount,
                         const QStringList &channelNames);

    int rowCount;
    QStringList channelNames;
    QString machineName;
};
