#pragma once

#include "importoutcome.h"
#include "importreport.h"

#include <QString>
#include <QTimeZone>
#include <QVariant>

#include <optional>

// The preferences an import reads from the host's settings store, read once at its start.
// Each key, its default and its recognised values are declared in importsettings.cpp alone; hosts
// read the declarations through the importer's "preferences" property.

// Which header line of the export gives the start: the time-line preference's words "Acquired"
// and "Printed" ask for a stamp line, which the exact texts name (any other text with those words
// names no line, and its stamp is empty).
enum class StampLine { None, Acquired, Printed, Unnamed };

struct TimeLine
{
    QString text; // as the preference holds it
    StampLine stampLine = StampLine::None;
    bool acquisitionTime = false; // the text holds "XML": the acquisition folder's own time
};

TimeLine parseTimeLine(const QString &text);

// Which field of the sample record labels the sample; Unknown fails the folder lookup.
enum class LabelField { SampleName, Comment, Unknown };

struct ImportSettings
{
    TimeLine timeLine;
    QString dateFormat; // the order of day, month and year in the stamps: "dd MM yyyy hh mm ss"
    LabelField labelField = LabelField::SampleName;
    QString labelFieldText;
    // Recorded when the acquisition names no instrument; none when the preference keeps its
    // default.
    std::optional<QString> machineName;
    // Every key with the value read, for the import's report.
    QVector<QPair<QString, QString>> asRead;
};

// From the values given, or from the host's settings store when none are given.
ImportSettings readImportSettings(const std::optional<PreferenceValues> &given);

// The values a host gave in the importer's "preferenceValues" property; none when it gave none.
std::optional<PreferenceValues> givenPreferences(const QVariant &property);

const PreferenceDeclarations &importPreferences();

// The key of the date format, which the warnings name so that the user can change it.
QString dateFormatKey();

// The exact time-line texts that name the two stamp lines.
QString timeLineText(StampLine line);

// "Sample Name" or "Comment": the sample record's field that the preference names.
QString labelFieldName(LabelField field);

// The zone whose wall clock the export's stamps show, as the importer's "timeZone" property names
// it (an IANA id, as text), the computer's when it names none. A zone not known here ends the
// import: reading in any other would give every time a wrong instant.
Outcome<QTimeZone> importZone(const QVariant &property, const QString &path);
