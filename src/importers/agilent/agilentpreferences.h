#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVector>

// The preferences the importer reads from the host's settings store, declared once: each key
// with its default, the values it recognises (empty: any text) and what it decides. Hosts read
// the declarations through the importer's "preferences" property.
struct PreferenceDeclaration
{
    QString key;
    QString defaultValue;
    QStringList recognisedValues;
    QString meaning;
};

namespace AgilentPreference {
extern const QString timeLine;        // "agilentTimeLineOption"
extern const QString dateFormat;      // "agilentDateFormat"
extern const QString labelField;      // "agilentXMLLabelField"
extern const QString machineName;     // "importMachineName", the host-wide key
extern const QString sampleNameField; // "Use Sample Name Field"
extern const QString commentField;    // "Use Comment Field"
} // namespace AgilentPreference

// The time-line preference's values that pick a header line.
extern const QString acquiredTimeOption; // "Use 'Acquired' Time"
extern const QString printedTimeOption;  // "Use 'Printed' Time"

const QVector<PreferenceDeclaration> &agilentPreferences();

// The declarations as the property carries them: one map per key with "key", "default",
// "values" and "meaning".
QVariantList preferenceDeclarations();

// The value in the host's settings store, or the declared default.
QString preferenceValue(const QString &key);
