#include "importsettings.h"

#include "timezonenames.h"

#include <QSettings>

namespace {

const QString timeLineKey = QStringLiteral("agilentTimeLineOption");
const QString dateFormatPreference = QStringLiteral("agilentDateFormat");
const QString labelFieldKey = QStringLiteral("agilentXMLLabelField");
const QString machineNameKey = QStringLiteral("importMachineName"); // the host-wide key
const QString acquiredTime = QStringLiteral("Use 'Acquired' Time");
const QString printedTime = QStringLiteral("Use 'Printed' Time");
const QString sampleNameField = QStringLiteral("Use Sample Name Field");
const QString commentField = QStringLiteral("Use Comment Field");

} // namespace

TimeLine parseTimeLine(const QString &text)
{
    TimeLine line{text, StampLine::None, text.contains(QLatin1String("XML"))};
    if (text == acquiredTime)
        line.stampLine = StampLine::Acquired;
    else if (text == printedTime)
        line.stampLine = StampLine::Printed;
    else if (text.contains(QLatin1String("Printed")) || text.contains(QLatin1String("Acquired")))
        line.stampLine = StampLine::Unnamed;
    return line;
}

namespace {

LabelField labelFieldOf(const QString &text)
{
    if (text == sampleNameField)
        return LabelField::SampleName;
    return text == commentField ? LabelField::Comment : LabelField::Unknown;
}

} // namespace

const PreferenceDeclarations &importPreferences()
{
    static const PreferenceDeclarations declarations{
        {timeLineKey,
         acquiredTime,
         {acquiredTime, printedTime, QStringLiteral("Use XML Time")},
         QStringLiteral("which time stamp starts the time axis: the export's Acquired or Printed "
                        "line, or (any value containing \"XML\") the acquisition's own time")},
        {dateFormatPreference,
         QStringLiteral("dd MM yyyy hh mm ss"),
         {},
         QStringLiteral("the order of day, month and year in the export's time stamps")},
        {labelFieldKey,
         sampleNameField,
         {sampleNameField, commentField},
         QStringLiteral("which field of the sample record labels the sample")},
        {machineNameKey,
         QStringLiteral("default"),
         {},
         QStringLiteral("the machine name recorded when the acquisition names no instrument")}};
    return declarations;
}

ImportSettings readImportSettings()
{
    const QSettings store;
    ImportSettings settings;
    for (const PreferenceDeclaration &declaration : importPreferences())
        settings.asRead.append(
            {declaration.key, store.value(declaration.key, declaration.defaultValue).toString()});
    const auto value = [&](int index) { return settings.asRead.at(index).second; };
    settings.timeLine = parseTimeLine(value(0));
    settings.dateFormat = value(1);
    settings.labelFieldText = value(2);
    settings.labelField = labelFieldOf(value(2));
    if (value(3) != importPreferences().at(3).defaultValue)
        settings.machineName = value(3);
    return settings;
}

QString dateFormatKey()
{
    return dateFormatPreference;
}

QString timeLineText(StampLine line)
{
    return line == StampLine::Printed ? printedTime : acquiredTime;
}

QString labelFieldName(LabelField field)
{
    return field == LabelField::Comment ? QStringLiteral("Comment") : QStringLiteral("Sample Name");
}

Outcome<QTimeZone> importZone(const QVariant &property, const QString &path)
{
    const int type = property.userType();
    const bool text = type == QMetaType::QString || type == QMetaType::QByteArray;
    const QByteArray id = property.toByteArray();
    const QTimeZone zone = id.isEmpty() ? QTimeZone::systemTimeZone() : timeZoneNamed(id);
    if ((!property.isValid() || text) && zone.isValid())
        return zone;
    const QString name = property.toString().isEmpty()
                             ? QString::fromUtf8(QTimeZone::systemTimeZoneId())
                             : property.toString();
    return ImportFailure{Failure::TimeZone,
                         QStringLiteral("Could not load the file \"%1\" because the time zone "
                                        "\"%2\" is not known: name a zone by its IANA id, such as "
                                        "\"Australia/Sydney\".")
                             .arg(path, name)};
}
