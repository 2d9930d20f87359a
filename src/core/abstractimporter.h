#pragma once

#include "columns.h"
#include "tessel_core_global.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QStringList>

// Base of every importer plug-in. The host stores the file to import in fileName, asks
// correctFormat() whether the importer reads it and then calls importData(); results and
// status arrive through the signals.
class TESSEL_CORE_EXPORT AbstractImporter : public QObject
{
    Q_OBJECT
public:
    explicit AbstractImporter(const QString &importerName, QObject *parent = nullptr);
    ~AbstractImporter() override;

    virtual bool correctFormat() = 0;
    virtual QString fileExtension() = 0;
    virtual void importData(bool addToSession) = 0;
    // Runs importData on a worker thread of its own; the signals reach receivers queued.
    virtual void importDataAsync(bool addToSession);

    // Reads a time stamp whose tokens are separated by blanks under a format such as
    // "dd MM yyyy hh mm ss"; invalid when the stamp does not fit. The result is local time.
    static QDateTime convertTimeStamp(const QString &stamp, const QString &format);

    QString fileName;
    QString machineName;
    const QString importerName;
    QString sampleLabel;
    QString instrumentName;
    QList<float> dwellTimes;
    MassPairList massPairs;
    QStringList channelOrder;
    QDateTime acquisitionTime;

signals:
    void task(const QString &title);
    void message(const QString &text);
    void importError(const QString &text);
    void progress(double percent);
    void finished();

    void channelNames(const QStringList &names);
    void sampleNames(const QStringList &names);
    void data(const ChannelData &channels);
    void time(const ColumnPtr &time);
    void masses(const MassMap &masses);
    void duration(double seconds);
    void startTime(const QDateTime &start);
    void endTime(const QDateTime &end);
    void sizeInBytes(quint64 bytes);
};
