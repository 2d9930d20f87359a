#include "options/preferences.h"

#include "abstractimporter.h"
#include "report/isotime.h"
#include "settingsstore.h"
#include "zonetime.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QTextStream>

#include <algorithm>
#include <array>

namespace {

// The host application's own settings, as a default-constructed QSettings reads them before the
// store moves: its user file or key, falling back to the organisation's and the system's.
std::unique_ptr<QSettings> hostSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QCoreApplication::organizationName(),
                                       QCoreApplication::applicationName());
}

// The day, month and year fields of a date format ("dd", "MM", "yyyy") where they stand.
QVector<QRegularExpressionMatch> dateFields(const QString &format)
{
    static const QRegularExpression field(QStringLiteral("d+|M+|y+"));
    QVector<QRegularExpressionMatch> fields;
    QString letters;
    for (auto it = field.globalMatch(format); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (letters.contains(match.captured().at(0)))
            return {};
        letters += match.captured().at(0);
        fields.append(match);
    }
    return fields.size() == 3 ? fields : QVector<QRegularExpressionMatch>();
}

// The format with its date fields in every other order, the fields' places kept.
QStringList otherDateOrders(const QString &format)
{
    const QVector<QRegularExpressionMatch> fields = dateFields(format);
    if (fields.isEmpty())
        return {};
    QStringList formats;
    std::array<int, 3> order{0, 1, 2};
    while (std::next_permutation(order.begin(), order.end())) {
        QString reordered = format;
        // From the last place to the first, so that the earlier places still hold.
        for (int place = 2; place >= 0; --place)
            reordered.replace(fields[place].capturedStart(), fields[place].capturedLength(),
                              fields[order[size_t(place)]].captured());
        formats.append(reordered);
    }
    return formats;
}

QString declaredDefault(const PreferenceDeclarations &declared, const QString &key)
{
    for (const PreferenceDeclaration &declaration : declared) {
        if (declaration.key == key)
            return declaration.defaultValue;
    }
    return QString();
}

} // namespace

QString stampAdvice(const UnreadStampReport &stamp, const QTimeZone &zone,
                    const PreferenceDeclarations &declared)
{
    QStringList formats = otherDateOrders(stamp.dateFormat);
    if (formats.isEmpty()) {
        const QString shape = declaredDefault(declared, stamp.preference);
        formats = otherDateOrders(shape) << shape;
    }
    QStringList readings;
    for (const QString &format : formats) {
        const QDateTime wallClock = AbstractImporter::convertTimeStamp(stamp.stamp, format);
        const QDateTime read = fromWallClock(wallClock.date(), wallClock.time(), zone);
        if (read.isValid())
            readings.append(QStringLiteral("under --set \"%1=%2\" as %3")
                                .arg(stamp.preference, format, isoTimeText(read)));
    }
    if (readings.isEmpty())
        return QString();
    return QStringLiteral("the stamp \"%1\" reads ").arg(stamp.stamp) +
           readings.join(QStringLiteral(", or "));
}

PreferenceValues effectivePreferences(const PreferenceDeclarations &declared)
{
    const QSettings settings;
    PreferenceValues values;
    for (const PreferenceDeclaration &declaration : declared)
        values.insert(declaration.key,
                      settings.value(declaration.key, declaration.defaultValue).toString());
    return values;
}

QString preferenceAdvice(const QStringList &errors, const PreferenceDeclarations &declared)
{
    const PreferenceValues values = effectivePreferences(declared);
    for (const PreferenceDeclaration &declaration : declared) {
        const QString value = values.value(declaration.key);
        // A one-word value ("default") may stand in any message; a longer one is quoted.
        if (!value.trimmed().contains(QLatin1Char(' ')))
            continue;
        const QRegularExpression quoted(
            QStringLiteral("(^|\\W)%1(\\W|$)").arg(QRegularExpression::escape(value)));
        if (std::any_of(errors.cbegin(), errors.cend(),
                        [&](const QString &error) { return error.contains(quoted); }))
            return QStringLiteral("to read it under another %1 than \"%2\", give --set \"%1=...\"")
                .arg(declaration.key, value);
    }
    return QString();
}

bool PreferenceOverrides::apply(const QString &file, const QHash<QString, QString> &overrides,
                                QString *error)
{
    settingsFile = file;
    values = overrides;
    if (overrides.isEmpty() && file.isEmpty())
        return true;
    if (!file.isEmpty() && !QFileInfo(file).isFile()) {
        *error = QStringLiteral("--settings %1: no such file").arg(file);
        return false;
    }
    const std::unique_ptr<QSettings> source =
        file.isEmpty() ? hostSettings() : std::make_unique<QSettings>(file, QSettings::IniFormat);
    if (source->status() != QSettings::NoError) {
        *error = QStringLiteral("--settings %1: not a readable INI file").arg(file);
        return false;
    }
    copyFolder = std::make_unique<QTemporaryDir>();
    if (!copyFolder->isValid()) {
        *error = QStringLiteral("cannot create a temporary folder for the settings: %1")
                     .arg(copyFolder->errorString());
        return false;
    }
    moveSettingsStore(copyFolder->path());
    return writeCopy(*source, error);
}

bool PreferenceOverrides::writeCopy(const QSettings &source, QString *error) const
{
    QSettings settings;
    // Never write the user's own store, whatever the platform makes of the move.
    if (!settings.fileName().startsWith(copyFolder->path() + QLatin1Char('/'))) {
        *error = QStringLiteral("the settings store did not move to the temporary copy (%1)")
                     .arg(settings.fileName());
        return false;
    }
    for (const QString &key : source.allKeys())
        settings.setValue(key, source.value(key));
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        settings.setValue(it.key(), it.value());
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    *error = QStringLiteral("cannot write the preferences to %1").arg(settings.fileName());
    return false;
}

QString PreferenceOverrides::origin(const QString &key) const
{
    if (values.contains(key))
        return QStringLiteral("--set");
    if (!settingsFile.isEmpty())
        return QSettings(settingsFile, QSettings::IniFormat).contains(key)
                   ? settingsFile
                   : QStringLiteral("default");
    const QString organisation = QCoreApplication::organizationName();
    const QString application = QCoreApplication::applicationName();
    // The places in the order the host's settings consult them.
    for (const QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope}) {
        for (const QString &name : {application, QString()}) {
            QSettings place(QSettings::NativeFormat, scope, organisation, name);
            place.setFallbacksEnabled(false);
            if (place.contains(key))
                return place.fileName();
        }
    }
    return QStringLiteral("default");
}

QStringList PreferenceOverrides::undeclaredKeys(const PreferenceDeclarations &declared) const
{
    QStringList keys;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const bool isDeclared =
            std::any_of(declared.cbegin(), declared.cend(),
                        [&](const PreferenceDeclaration &one) { return one.key == it.key(); });
        if (!isDeclared)
            keys.append(it.key());
    }
    keys.sort();
    return keys;
}

void PreferenceOverrides::writeReport(const PreferenceDeclarations &declared,
                                      QTextStream &out) const
{
    const QSettings settings;
    const auto writeEntry = [&](const QString &key, const QString *fallback) {
        out << key << " = \"" << settings.value(key, fallback ? *fallback : QString()).toString()
            << "\"\n    default: "
            << (fallback ? QStringLiteral("\"%1\"").arg(*fallback) : QStringLiteral("none"))
            << ", from: " << origin(key) << '\n';
    };
    for (const PreferenceDeclaration &declaration : declared)
        writeEntry(declaration.key, &declaration.defaultValue);
    for (const QString &key : undeclaredKeys(declared))
        writeEntry(key, nullptr);
}
