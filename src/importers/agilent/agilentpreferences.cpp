#include "agilentpreferences.h"

#include <QSettings>
#include <QVariantMap>

namespace AgilentPreference {
const QString timeLine = QStringLiteral("agilentTimeLineOption");
const QString dateFormat = QStringLiteral("agilentDateFormat");
const QString labelField = QStringLiteral("agilentXMLLabelField");
const QString machineName = QStringLiteral("importMachineName");
const QString sampleNameField = QStringLiteral("Use Sample Name Field");
const QString commentField = QStringLiteral("Use Comment Field");
} // namespace AgilentPreference

const QString acquiredTimeOption = QStringLiteral("Use 'Acquired' Time");
const QString printedTimeOption = QStringLiteral("Use 'Printed' Time");

const QVector<PreferenceDeclaration> &agilentPreferences()
{
    using namespace AgilentPreference;
    static const QVector<PreferenceDeclaration> declarations{
        {timeLine,
         acquiredTimeOption,
         {acquiredTimeOption, printedTimeOption, QStringLiteral("Use XML Time")},
         QStringLiteral("which time stamp starts the time axis: the export's Acquired or Printed "
                        "line, or (any value containing \"XML\") the acquisition's own time")},
        {dateFormat,
         QStringLiteral("dd MM yyyy hh mm ss"),
         {},
         QStringLiteral("the order of day, month and year in the export's time stamps")},
        {labelField,
         sampleNameField,
         {sampleNameField, commentField},
         QStringLiteral("which field of the sample record labels the sample")},
        {machineName,
         QStringLiteral("default"),
         {},
         QStringLiteral("the machine name recorded when the acquisition names no instrument")}};
    return declarations;
}

QVariantList preferenceDeclarations()
{
    QVariantList list;
    for (const PreferenceDeclaration &declaration : agilentPreferences())
        list.append(QVariantMap{{QStringLiteral("key"), declaration.key},
                                {QStringLiteral("default"), declaration.defaultValue},
                                {QStringLiteral("values"), declaration.recognisedValues},
                                {QStringLiteral("meaning"), declaration.meaning}});
    return list;
}

QString preferenceValue(const QString &key)
{
    QString defaultValue;
    for (const PreferenceDeclaration &declaration : agilentPreferences()) {
        if (declaration.key == key)
            defaultValue = declaration.defaultValue;
    }
    return QSettings().value(key, defaultValue).toString();
}
