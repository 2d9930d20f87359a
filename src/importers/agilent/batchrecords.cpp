#include "batchrecords.h"

#include <QHash>
#include <QStringList>
#include <QXmlStreamReader>

namespace {

// The text children of the element the reader stands on, by local name; nested elements are
// flattened into their text.
QHash<QString, QString> childTexts(QXmlStreamReader &xml)
{
    QHash<QString, QString> texts;
    while (xml.readNextStartElement()) {
        const QString name = xml.name().toString();
        texts.insert(name, xml.readElementText(QXmlStreamReader::SkipChildElements));
    }
    return texts;
}

// Calls read(texts) for every child named childName of the root named rootName.
template<typename Read>
void forEachRecord(const QByteArray &bytes, QLatin1String rootName, QLatin1String childName,
                   Read read)
{
    QXmlStreamReader xml(bytes);
    if (!xml.readNextStartElement() || xml.name() != rootName)
        return;
    while (xml.readNextStartElement()) {
        if (xml.name() == childName)
            read(childTexts(xml));
        else
            xml.skipCurrentElement();
    }
}

// The fields of one CSV line; a field in double quotes may hold commas and doubled quotes.
QStringList csvFields(const QString &line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted && c == QLatin1Char('"')) {
            if (i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"'))
                field += line.at(++i);
            else
                quoted = false;
        } else if (c == QLatin1Char('"') && field.isEmpty()) {
            quoted = true;
        } else if (c == QLatin1Char(',') && !quoted) {
            fields.append(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.append(field);
    return fields;
}

QString cell(const QStringList &fields, int column)
{
    if (column < 0 || column >= fields.size())
        return QString();
    const QString text = fields.at(column).trimmed();
    return text == QLatin1String("-") ? QString() : text;
}

} // namespace

QVector<BatchLogEntry> readBatchLogXml(const QByteArray &bytes)
{
    QVector<BatchLogEntry> entries;
    forEachRecord(bytes, QLatin1String("BatchLogDataSet"), QLatin1String("BatchLogInfo"),
                  [&](const QHash<QString, QString> &texts) {
                      entries.append({texts.value(QStringLiteral("DataFileName")).trimmed(),
                                      texts.value(QStringLiteral("SampleName")).trimmed(),
                                      texts.value(QStringLiteral("Comment")).trimmed(),
                                      texts.value(QStringLiteral("AcqDateTime")).trimmed(),
                                      texts.value(QStringLiteral("AcqResult")).trimmed()});
                  });
    return entries;
}

QVector<BatchLogEntry> readBatchLogCsv(const QByteArray &bytes)
{
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QVector<BatchLogEntry> entries;
    QStringList heading;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QStringList fields = csvFields(line.trimmed());
        if (heading.isEmpty()) {
            if (fields.contains(QStringLiteral("File Name")))
                heading = fields;
            continue;
        }
        const QString dataFile = cell(fields, heading.indexOf(QStringLiteral("File Name")));
        if (dataFile.isEmpty())
            continue;
        entries.append({dataFile, cell(fields, heading.indexOf(QStringLiteral("Sample Name"))),
                        cell(fields, heading.indexOf(QStringLiteral("Comment"))),
                        cell(fields, heading.indexOf(QStringLiteral("Acq. Date-Time"))),
                        cell(fields, heading.indexOf(QStringLiteral("Acquisition Result")))});
    }
    return entries;
}

QString readDeviceName(const QByteArray &bytes)
{
    QString first;
    QString spectrometer;
    forEachRecord(
        bytes, QLatin1String("Devices"), QLatin1String("Device"),
        [&](const QHash<QString, QString> &texts) {
            const QString name = (texts.value(QStringLiteral("ModelNumber")) + QLatin1Char(' ') +
                                  texts.value(QStringLiteral("SerialNumber")))
                                     .simplified();
            if (first.isEmpty())
                first = name;
            if (spectrometer.isEmpty() &&
                texts.value(QStringLiteral("Name")).trimmed().startsWith(QLatin1String("ICP")))
                spectrometer = name;
        });
    return spectrometer.isEmpty() ? first : spectrometer;
}
