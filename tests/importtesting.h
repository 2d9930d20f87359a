#pragma once
// Shared by the import tests: an ordered record of an importer's signals and export builders.

#include "abstractimporter.h"
#include "log.h"

#include <QFile>
#include <QStringList>

// Every signal of an importer, in the order emitted, as "name(argument)".
class SignalLog
{
public:
    explicit SignalLog(AbstractImporter &importer)
    {
        const auto add = [this](const QString &name, const QString &argument) {
            entries.append(QStringLiteral("%1(%2)").arg(name, argument));
        };
        QObject::connect(&importer, &AbstractImporter::task, [=](const QString &s) { add(QStringLiteral("task"), s); });
        QObject::connect(&importer, &AbstractImporter::message, [=](const QString &s) { add(QStringLiteral("message"), s); });
        QObject::connect(&importer, &AbstractImporter::importError, [=](const QString &s) { add(QStringLiteral("importError"), s); });
        QObject::connect(&importer, &AbstractImporter::progress, [=](double p) { add(QStringLiteral("progress"), QString::number(p)); });
        QObject::connect(&importer, &AbstractImporter::finished, [=] { add(QStringLiteral("finished"), QString()); });
        QObject::connect(&importer, &AbstractImporter::sampleNames, [=](const QStringList &l) { add(QStringLiteral("sampleNames"), l.join(QLatin1Char('|'))); });
        QObject::connect(&importer, &AbstractImporter::channelNames, [=](const QStringList &l) { add(QStringLiteral("channelNames"), l.join(QLatin1Char('|'))); });
        QObject::connect(&importer, &AbstractImporter::sizeInBytes, [=](quint64 n) { add(QStringLiteral("sizeInBytes"), QString::number(n)); });
        QObject::connect(&importer, &AbstractImporter::startTime, [=](const QDateTime &t) { add(QStringLiteral("startTime"), t.toString(Qt::ISODateWithMs)); });
        QObject::connect(&importer, &AbstractImporter::endTime, [=](const QDateTime &t) { add(QStringLiteral("endTime"), t.toString(Qt::ISODateWithMs)); });
        QObject::connect(&importer, &AbstractImporter::duration, [=](double d) { add(QStringLiteral("duration"), QString::number(d)); });
        QObject::connect(&importer, &AbstractImporter::data, [=](const ChannelData &data) {
            sharedData = data;
            add(QStringLiteral("data"), QString::number(data.size()));
        });
        QObject::connect(&importer, &AbstractImporter::time, [=](const ColumnPtr &time) {
            sharedTime = time;
            add(QStringLiteral("time"), QString::number(time ? time->n_elem : 0));
        });
        QObject::connect(&importer, &AbstractImporter::masses, [=](const MassMap &masses) {
            sharedMasses = masses;
            add(QStringLiteral("masses"), QString::number(masses.size()));
        });
    }

    // The entries whose names are listed, in order.
    QStringList only(const QStringList &names) const
    {
        QStringList kept;
        for (const QString &entry : entries) {
            if (names.contains(entry.section(QLatin1Char('('), 0, 0)))
                kept.append(entry);
        }
        return kept;
    }

    QStringList entries;
    ChannelData sharedData;
    ColumnPtr sharedTime;
    MassMap sharedMasses;
};

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// An English export: path line, units line, stamp line, channel header, data lines, two empty
// lines and the Printed footer, joined with the line end.
inline QByteArray exportText(const QList<QByteArray> &dataLines,
                             const QByteArray &header = "Time [Sec],Li7,Na23",
                             const QByteArray &stampLine =
                                 "Acquired      : 18/11/2020 14:24:29 using Batch demo.b",
                             const QByteArray &lineEnd = "\r\n")
{
    QList<QByteArray> lines{"D:\\DATA\\demo.b\\S1.d", "Intensity Vs Time,CPS", stampLine, header};
    lines += dataLines;
    lines += {"", "", "          Printed:18/11/2020 14:25:02"};
    return lines.join(lineEnd);
}

// Seconds since the epoch of a local wall-clock time.
inline double localSeconds(int y, int mo, int d, int h, int mi, int s)
{
    return double(QDateTime(QDate(y, mo, d), QTime(h, mi, s)).toMSecsSinceEpoch()) / 1000.0;
}

// The messages of the warnings in the host log, in order.
inline QStringList loggedWarnings()
{
    QStringList texts;
    for (const LogEntry &entry : TsLog().entries()) {
        if (entry.level == LogEntry::Warning)
            texts.append(entry.message);
    }
    return texts;
}
