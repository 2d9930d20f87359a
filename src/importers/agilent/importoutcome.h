#pragma once

#include "importreport.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// The most channels an import takes: every (first, second) mass pair of a tandem method over the
// instruments' whole mass range, 2 to 260 u. Each channel costs the host a column and its
// records, so a header of a million empty headings must not get that far.
const int maxChannels = 260 * 260;

// Every way an import can fail; each has its own log origin, message and closing signals.
enum class Failure {
    Open,              // the file cannot be opened
    Load,              // the file cannot be read or holds no usable table
    TimeLine,          // XML time without folder metadata, or an unknown time-line option
    TimeZone,          // the host names a time zone that is not known
    ChannelHeader,     // the channel header is not recognised
    StampMissing,      // no header line for the time-line option
    StampUnrecognised, // the line holds no date and time
    StampImpossible    // the date and time do not fit the format
};

// Why an import ends: the failure, the warning that says so, and what comes before it.
struct ImportFailure
{
    ImportFailure(Failure failure, QString warning, QString debugLine = QString(),
                  QStringList earlierWarnings = QStringList())
        : failure(failure), warning(std::move(warning)), debugLine(std::move(debugLine)),
          earlierWarnings(std::move(earlierWarnings))
    {}

    Failure failure;
    QString warning;
    QString debugLine;           // for the toolkit's debug output first; empty: none
    QStringList earlierWarnings; // what the failing stage found before it failed
    std::optional<UnreadStampReport> unreadStamp; // StampImpossible: the stamp, for the report
};

// A file that cannot be loaded, for the reason that follows "Could not load the file "path" ".
inline ImportFailure loadFailure(const QString &path, const QString &reason,
                                 const QStringList &earlierWarnings = {})
{
    return {Failure::Load, QStringLiteral("Could not load the file \"%1\" ").arg(path) + reason,
            QString(), earlierWarnings};
}

// What a stage of an import answers: its value, or the failure that ends the import.
template<typename Value> class Outcome
{
public:
    Outcome(Value value) : result(std::move(value)) {}
    Outcome(ImportFailure failure) : failed(std::move(failure)) {}

    explicit operator bool() const { return result.has_value(); }
    Value &operator*() { return *result; }
    const Value &operator*() const { return *result; }
    Value *operator->() { return &*result; }
    const Value *operator->() const { return &*result; }
    const ImportFailure &failure() const { return *failed; }

private:
    std::optional<Value> result;
    std::optional<ImportFailure> failed;
};
