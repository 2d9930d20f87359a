#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QXmlStreamReader>

#include <memory>

// The keys of a channel's property record in the acquisition method's table.
namespace MethodKey {
extern const QString symbol;    // "Element symbol"
extern const QString mz;        // "Element m/z"
extern const QString dwellTime; // "Element dwell time (s)"
extern const QString preShift;  // "Pre-shift mass", in mass-shifted records only
extern const QString postShift; // "Post-shift mass", in mass-shifted records only
} // namespace MethodKey

// Reads one XML file of an Agilent acquisition folder in a single streaming pass. A root named
// "AcquisitionDataSet" (AcqMethod.xml) yields one channel property record per measured element,
// keyed by element symbol and mass; a root named "SampleInfo" (sample_info.xml) yields the
// version text and one field record per field, keyed by the field's name. Any other root yields
// an empty table.
class AgilentXmlReader : public QObject
{
    Q_OBJECT

public:
    AgilentXmlReader(QObject *parent, const QString &filePath);

    // Reads the file once. The table belongs to the reader and lives as long as it does; it is
    // empty when the file is missing, cannot be opened or holds nothing the reader knows.
    QHash<QString, QVariant> *read();

private:
    void readAcquisitionDataSet();
    void readIcpmsElement();
    void readSampleInfo();
    void readField();

    std::unique_ptr<QXmlStreamReader> xmlReader;
    QString filePath;
    QHash<QString, QVariant> results;
};
