#include "records.h"

SampleMetaData::SampleMetaData(const QDateTime &start, const QDateTime &end, const QDir &location)
    : startTime(start), endTime(end), location(location)
{}

TesselSampleMetaData::TesselSampleMetaData(const QString &name, const QDateTime &start,
                                           const QDateTime &end, const QDir &location)
    : SampleMetaData(start, end, location), name(name)
{}

TesselImportedFile::TesselImportedFile(const QDateTime &start, const QDateTime &end,
                                       const QDir &location, const QDateTime &importTime)
    : SampleMetaData(start, end, location), importTime(importTime)
{}

ImportedMassSpecFile::ImportedMassSpecFile(const QDateTime &start, const QDateTime &end,
                                           const QDir &location, const QDateTime &importTime,
                                           int rowCount, const QStringList &channelNames)
    : TesselImportedFile(start, end, location, importTime), rowCount(rowCount),
      channelNames(channelNames)
{}
