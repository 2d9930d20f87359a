#include "options/preferences.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTextStream>
#include <QVariantMap>

#include <algorithm>

namespace {

// The user's settings files of this application, relative to the user's configuration folder:
// the application's own file and the organisation-wide one it falls back to.
QStringList userSettingsFiles()
{
    const QString organisation = QCoreApplication::organizationName();
    return {organisation + QLatin1Char('/') + QCoreApplication::applicationName() +
                QStringLiteral(".conf"),
            organisation + QStringLiteral(".conf")};
}

} // namespace

QVector<PreferenceDeclaration> preferenceDeclarations(const QVariant &property)
{
    QVector<PreferenceDeclaration> declarations;
    for (const QVariant &entry : property.toList()) {
        const QVariantMap fields = entry.toMap();
        const QString key = fields.value(QStringLiteral("key")).toString();
        if (!key.isEmpty())
            declarations.append({key, fields.value(QStringLiteral("default")).toString(),
                                 fields.value(QStringLiteral("values")).toStringList(),
                                 fields.value(QStringLiteral("meaning")).toString()});
    }
    return declarations;
}

bool PreferenceOverrides::apply(const QHash<QString, QString> &overrides, QString *error)
{
    values = overrides;
    if (overrides.isEmpty())
        return true;
    copyFolder = std::make_unique<QTemporaryDir>();
    userConfigFolder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (!copyFolder->isValid()) {
        *error = QStringLiteral("cannot create a temporary folder for the settings: %1")
                     .arg(copyFolder->errorString());
        return false;
    }
    if (!copyUserFiles(error))
        return false;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, copyFolder->path());
    return writeOverrides(error);
}

bool PreferenceOverrides::copyUserFiles(QString *error) const
{
    const QDir source(userConfigFolder);
    const QDir target(copyFolder->path());
    for (const QString &file : userSettingsFiles()) {
        if (!source.exists(file))
            continue;
        const QString copy = target.filePath(file);
        if (!target.mkpath(QFileInfo(copy).path()) || !QFile::copy(source.filePath(file), copy) ||
            !QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner)) {
            *error = QStringLiteral("cannot copy %1 to %2").arg(source.filePath(file), copy);
            return false;
        }
    }
    return true;
}

bool PreferenceOverrides::writeOverrides(QString *error) const
{
    QSettings settings;
    // Never write the user's own file, whatever the platform makes of the redirection.
    if (!settings.fileName().startsWith(copyFolder->path() + QLatin1Char('/'))) {
        *error = QStringLiteral("the settings store did not move to the temporary copy (%1)")
                     .arg(settings.fileName());
        return false;
    }
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        settings.setValue(it.key(), it.value());
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    *error = QStringLiteral("cannot write the overrides to %1").arg(settings.fileName());
    return false;
}

QString PreferenceOverrides::originalPath(const QString &settingsFile) const
{
    if (copyFolder == nullptr)
        return settingsFile;
    const QString copyPrefix = copyFolder->path() + QLatin1Char('/');
    if (!settingsFile.startsWith(copyPrefix))
        return settingsFile;
    return QDir(userConfigFolder).filePath(settingsFile.mid(copyPrefix.size()));
}

QString PreferenceOverrides::origin(const QString &key) const
{
    if (values.contains(key))
        return QStringLiteral("--set");
    const QString organisation = QCoreApplication::organizationName();
    const QString application = QCoreApplication::applicationName();
    // The files in the order a default-constructed QSettings consults them.
    for (const QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope}) {
        for (const QString &name : {application, QString()}) {
            QSettings file(scope, organisation, name);
            file.setFallbacksEnabled(false);
            if (file.contains(key))
                return originalPath(file.fileName());
        }
    }
    return QStringLiteral("default");
}

QStringList
PreferenceOverrides::undeclaredKeys(const QVector<PreferenceDeclaration> &declared) const
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

void PreferenceOverrides::writeReport(const QVector<PreferenceDeclaration> &declared,
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
