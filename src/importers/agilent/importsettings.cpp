#include "importsettings.h"

#include "timezonenames.h"

#include <QHash>
#include <QSettings>

#include <mutex>

namespace {

const QString acquiredTime = QStringLiteral("Use 'Acquired' Time");
const QString printedTime = QStringLiteral("Use 'Printed' Time");
const QString sampleNameField = QStringLiteral("Use Sample Name Field");
const QString commentField = QStringLiteral("Use Comment Field");

// The preferences, by their place among the declarations.
enum Preference {
    TimeLinePreference,
    DateFormatPreference,
    LabelFieldPreference,
    MachinePreference
};

LabelField labelFieldOf(const QString &text)
{
    if (text == sampleNameField)
        return LabelField::SampleName;
    return text == commentField ? LabelField::Comment : LabelField::Unknown;
}

// A named zone, looked up once for all imports: under Windows each lookup reads the registry
// (0.5 ms an import under Wine). Copies share one zone's rules, which Qt only reads. The lock is
// the standard library's, which ThreadSanitizer follows into the system's; a contended QMutex
// waits inside Qt, which it cannot see.
QTimeZone zoneNamed(const QByteArray &id)
{
    static std::mutex mutex;
    // Never destroyed, so that no import finishing at exit outlives it.
    static auto *const zones = new QHash<QByteArray, QTimeZone>;
    const std::lock_guard<std::mutex> lock(mutex);
    auto zone = zones->find(id);
    if (zone == zones->end())
        zone = zones->insert(id, timeZoneNamed(id));
    return *zone;
}

} // namespace

const PreferenceDeclarations &importPreferences()
{
    static const PreferenceDeclarations declarations{
        {QStringLiteral("agilentTimeLineOption"),
         acquiredTime,
         {acquiredTime, printedTime, QStringLiteral("Use XML Time")},
         QStringLiteral("which time stamp starts the time axis: the export's Acquired or Printed "
                        "line, or (any value containing \"XML\") the acquisition's own time")},
        {QStringLiteral("agilentDateFormat"),
         QStringLiteral("dd MM yyyy hh mm ss"),
         {},
         QStringLiteral("the order of day, month and year in the export's time stamps")},
        {QStringLiteral("agilentXMLLabelField"),
         sampleNameField,
         {sampleNameField, commentField},
         QStringLiteral("which field of the sample record labels the sample")},
        // The host-wide key.
        {QStringLiteral("importMachineName"),
         QStringLiteral("default"),
         {},
         QStringLiteral("the machine name recorded when the acquisition names no instrument")}};
    return declarations;
}

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

ImportSettings readImportSettings(const std::optional<PreferenceValues> &given)
{
    std::optional<QSettings> store;
    if (!given)
        store.emplace();
    ImportSettings settings;
    for (const PreferenceDeclaration &declaration : importPreferences())
        settings.asRead.append(
            {declaration.key,
             given ? given->value(declaration.key, declaration.defaultValue)
                   : store->value(declaration.key, declaration.defaultValue).toString()});
    const auto value = [&](Preference preference) { return settings.asRead.at(preference).second; };
    settings.timeLine = parseTimeLine(value(TimeLinePreference));
    settings.dateFormat = value(DateFormatPreference);
    settings.labelFieldText = value(LabelFieldPreference);
    settings.labelField = labelFieldOf(settings.labelFieldText);
    if (value(MachinePreference) != importPreferences().at(MachinePreference).defaultValue)
        settings.machineName = value(MachinePreference);
    return settings;
}

QString dateFormatKey()
{
    return importPreferences().at(DateFormatPreference).key;
}

QString timeLineText(StampLine line)
{
    return line == StampLine::Printed ? printedTime : acquiredTime;
}

QString labelFieldName(LabelField field)
{
    return field == LabelField::Comment ? QStringLiteral("Comment") : QStringLiteral("Sample Name");
}

std::optional<PreferenceValues> givenPreferences(const QVariant &property)
{
    if (!property.canConvert<PreferenceValues>())
        return std::nullopt;
    return property.value<PreferenceValues>();
}

Outcome<QTimeZone> importZone(const QVariant &property, const QString &path)
{
    const int type = property.userType();
    const bool text = type == QMetaType::QString || type == QMetaType::QByteArray;
    const QByteArray id = property.toByteArray();
    const QTimeZone zone = id.isEmpty() ? QTimeZone::systemTimeZone() : zoneNamed(id);
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
