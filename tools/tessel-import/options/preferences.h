#pragma once

#include "importreport.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimeZone>

#include <memory>

class QSettings;
class QTextStream;

// The value of every declared preference as the run's settings store holds it, or its default:
// what each import would read from the store, read once for the run (under Windows the store is
// the registry, and each import's reading of it took a dozen queries to the system).
PreferenceValues effectivePreferences(const PreferenceDeclarations &declared);

// How to read again a file whose import failed: when an error quotes the value in use of a
// declared preference, the --set that changes it for one run ("to read it under another
// agilentDateFormat than \"dd MM yyyy hh mm ss\", give --set \"agilentDateFormat=...\""); empty
// when no error quotes one. The importers name such a value when it may not fit the file.
QString preferenceAdvice(const QStringList &errors, const PreferenceDeclarations &declared);

// How to read a stamp that failed under the date format in force: every other order of day,
// month and year that reads it, as the --set to copy and the instant it gives in the zone
// ("the stamp \"2 28 2020 11 59 00 AM\" reads under --set \"agilentDateFormat=MM dd yyyy hh mm
// ss\" as 2020-02-28T11:59:00.000+01:00"); empty when no order reads it. The orders are written
// in the shape of the format in force, or of the declared default when it lacks a field.
QString stampAdvice(const UnreadStampReport &stamp, const QTimeZone &zone,
                    const PreferenceDeclarations &declared);

// Lets one run read its preferences from a file of its own and override some, never writing the
// host's settings store: the application's store moves to a temporary INI file that holds the
// values of the source (the named file, or the user's and the system's settings) and the
// overrides. With neither, the run reads the host's store as the application does.
class PreferenceOverrides
{
public:
    // Must run before any QSettings object exists, so that every default-constructed QSettings
    // of the run, the plug-ins' included, reads the copy.
    bool apply(const QString &settingsFile, const QHash<QString, QString> &overrides,
               QString *error);

    // The overridden keys that none of the declarations names, sorted.
    QStringList undeclaredKeys(const PreferenceDeclarations &declared) const;

    // Where the effective value of a key comes from: "--set", the settings file, the user's or
    // the system's settings (a file, or a registry key on Windows) that holds it, or "default".
    QString origin(const QString &key) const;

    // The effective value of every declared key, in declaration order, then of every key that
    // is only overridden, with default and origin.
    void writeReport(const PreferenceDeclarations &declared, QTextStream &out) const;

private:
    bool writeCopy(const QSettings &source, QString *error) const;

    QString settingsFile;
    std::unique_ptr<QTemporaryDir> copyFolder;
    QHash<QString, QString> values;
};
