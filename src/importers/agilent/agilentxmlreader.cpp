#include "agilentxmlreader.h"

#include "channelheader.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

namespace MethodKey {
const QString symbol = QStringLiteral("Element symbol");
const QString mz = QStringLiteral("Element m/z");
const QString dwellTime = QStringLiteral("Element dwell time (s)");
const QString preShift = QStringLiteral("Pre-shift mass");
const QString postShift = QStringLiteral("Post-shift mass");
} // namespace MethodKey

namespace {

struct ChannelProperty
{
    QLatin1String element;
    QString key;
};

// Children of an "IcpmsElement" whose text is stored as it stands, under a readable key.
const ChannelProperty channelProperties[] = {
    {QLatin1String("ElementID"), QStringLiteral("Element ID")},
    {QLatin1String("MZ"), MethodKey::mz},
    {QLatin1String("DetectorMode"), QStringLiteral("Element detector mode")},
    {QLatin1String("IntegrationTime"), MethodKey::dwellTime},
    {QLatin1String("ElementName"), MethodKey::symbol},
};

QString channelPropertyKey(const QStringRef &elementName)
{
    for (const ChannelProperty &property : channelProperties) {
        if (elementName == property.element)
            return property.key;
    }
    return QString();
}

// A child element inside a text element is a parse error, which ends every reading loop.
QString elementText(QXmlStreamReader &xml)
{
    return xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
}

// Symbol and mass; an on-mass and a mass-shifted measurement of the same element get separate
// keys, named as the channel header names its channels.
QString channelKey(const QHash<QString, QVariant> &table, const QHash<QString, QVariant> &record,
                   bool massShifted)
{
    const QString preShift = record.value(MethodKey::preShift).toString();
    return channelName(table, record.value(MethodKey::symbol).toString(),
                       massShifted ? preShift : record.value(MethodKey::mz).toString(), preShift,
                       record.value(MethodKey::postShift).toString());
}
} // namespace

AgilentXmlReader::AgilentXmlReader(QObject *parent, const QString &filePath)
    : QObject(parent), filePath(filePath)
{}

QHash<QString, QVariant> *AgilentXmlReader::read()
{
    QFile file(filePath);
    if (!file.exists()) {
        qDebug().noquote() << QStringLiteral("File %1 does not exist.\n").arg(filePath);
        return &results;
    }
    // Only a regular file: opening a named pipe would wait for a writer.
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly)) {
        qDebug().noquote() << QStringLiteral("Failed to open file %1.\n").arg(filePath);
        return &results;
    }
    xmlReader = std::make_unique<QXmlStreamReader>(&file);
    while (xmlReader->readNextStartElement()) {
        if (xmlReader->name() == QLatin1String("AcquisitionDataSet"))
            readAcquisitionDataSet();
        else if (xmlReader->name() == QLatin1String("SampleInfo"))
            readSampleInfo();
        else
            xmlReader->skipCurrentElement();
    }
    // The file closes on return; the parser must not keep pointing at it.
    xmlReader->setDevice(nullptr);
    return &results;
}

void AgilentXmlReader::readAcquisitionDataSet()
{
    while (xmlReader->readNextStartElement()) {
        if (xmlReader->name() == QLatin1String("IcpmsElement"))
            readIcpmsElement();
        else
            xmlReader->skipCurrentElement();
    }
}

void AgilentXmlReader::readIcpmsElement()
{
    QHash<QString, QVariant> record;
    bool massShifted = false;
    while (xmlReader->readNextStartElement()) {
        const QString key = channelPropertyKey(xmlReader->name());
        if (!key.isEmpty()) {
            record.insert(key, elementText(*xmlReader));
        } else if (xmlReader->name() == QLatin1String("SelectedMZ")) {
            // The mass read so far is the one measured after the shift.
            massShifted = true;
            record.insert(MethodKey::postShift, record.value(MethodKey::mz).toString());
            record.insert(MethodKey::preShift, elementText(*xmlReader));
        } else {
            xmlReader->skipCurrentElement();
        }
    }
    results.insert(channelKey(results, record, massShifted), record);
}

void AgilentXmlReader::readSampleInfo()
{
    while (xmlReader->readNextStartElement()) {
        if (xmlReader->name() == QLatin1String("Version"))
            results.insert(QStringLiteral("Sample Info XML Version"), elementText(*xmlReader));
        else if (xmlReader->name() == QLatin1String("Field"))
            readField();
        else
            xmlReader->skipCurrentElement();
    }
}

void AgilentXmlReader::readField()
{
    QHash<QString, QVariant> record;
    while (xmlReader->readNextStartElement()) {
        const QString childName = xmlReader->name().toString();
        record.insert(childName, elementText(*xmlReader));
    }
    results.insert(record.value(QStringLiteral("Name")).toString(), record);
}
