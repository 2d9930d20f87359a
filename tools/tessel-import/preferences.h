#pragma once

#include <QHash>
#include <QString>
#include <QTemporaryDir>
#include <QTextStream>
#include <QVector>

#include <memory>
#include <optional>

struct KnownPreference
{
    QString key;
    QString defaultValue;
};

// The preferences the importers read, with the defaults they apply.
const QVector<KnownPreference> &knownPreferences();
// The default of a known preference; none for a key no importer is known to read.
std::optional<QString> preferenceDefault(const QString &key);

// Lets one run override preferences without writing the user's settings: the application's
// settings store is redirected to a temporary copy of the user's files that holds the overrides.
class PreferenceOverrides
{
public:
    // Must run before any QSettings object exists, so that every default-constructed QSettings
    // of the run, the plug-ins' included, reads the copy.
    bool apply(const QHash<QString, QString> &overrides, QString *error);

    // Where the effective value of a key comes from: "--set", the user's or the system's
    // settings file that holds it, or "default".
    QString origin(const QString &key) const;

    // The effective value of every known or overridden key, with default and origin.
    void writeReport(QTextStream &out) const;

private:
    bool copyUserFiles(QString *error) const;
    bool writeOverrides(QString *error) const;
    QString originalPath(const QString &settingsFile) const;

    QString userConfigFolder;
    std::unique_ptr<QTemporaryDir> copyFolder;
    QHash<QString, QString> values;
};
