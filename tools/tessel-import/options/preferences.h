#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <QVector>

#include <memory>

class QTextStream;

// A preference as an importer declares it: its key, its default, the values it recognises
// (empty: any text) and what it decides.
struct PreferenceDeclaration
{
    QString key;
    QString defaultValue;
    QStringList recognisedValues;
    QString meaning;
};

// The declarations an importer carries in its "preferences" property: a list of maps with
// "key", "default", "values" and "meaning". Entries without a key are left out.
QVector<PreferenceDeclaration> preferenceDeclarations(const QVariant &property);

// Lets one run override preferences without writing the user's settings: the application's
// settings store is redirected to a temporary copy of the user's files that holds the overrides.
class PreferenceOverrides
{
public:
    // Must run before any QSettings object exists, so that every default-constructed QSettings
    // of the run, the plug-ins' included, reads the copy.
    bool apply(const QHash<QString, QString> &overrides, QString *error);

    // The overridden keys that none of the declarations names, sorted.
    QStringList undeclaredKeys(const QVector<PreferenceDeclaration> &declared) const;

    // Where the effective value of a key comes from: "--set", the user's or the system's
    // settings file that holds it, or "default".
    QString origin(const QString &key) const;

    // The effective value of every declared key, in declaration order, then of every key that
    // is only overridden, with default and origin.
    void writeReport(const QVector<PreferenceDeclaration> &declared, QTextStream &out) const;

private:
    bool copyUserFiles(QString *error) const;
    bool writeOverrides(QString *error) const;
    QString originalPath(const QString &settingsFile) const;

    QString userConfigFolder;
    std::unique_ptr<QTemporaryDir> copyFolder;
    QHash<QString, QString> values;
};
