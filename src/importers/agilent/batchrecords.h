#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// One acquisition as a batch's log records it.
struct BatchLogEntry
{
    QString dataFile; // the acquisition folder's path as the instrument wrote it
    QString sampleName;
    QString comment;
    QString acquired; // the acquisition time as written
    QString result;   // "Pass", or why the acquisition failed
};

// The <BatchLogInfo> entries of a batch's Method/BatchLog.xml, in file order. The time is ISO
// 8601 with the instrument's UTC offset ("2020-11-16T13:08:48+11:00").
QVector<BatchLogEntry> readBatchLogXml(const QByteArray &bytes);

// The rows of a batch's BatchLog.csv under its heading row ("#,Acq. Date-Time,...,File Name,...").
// The time is the instrument computer's clock, without an offset. The instrument writes "-" in a
// cell it leaves empty.
QVector<BatchLogEntry> readBatchLogCsv(const QByteArray &bytes);

// "ModelNumber SerialNumber" of the mass spectrometer in an acquisition's AcqData/Devices.xml
// (the first device whose name starts with "ICP", else the first device); empty when none.
QString readDeviceName(const QByteArray &bytes);
