#pragma once

#include "importoutcome.h"

#include <QString>
#include <QStringList>

// The host log entries of an import. Every entry names the stage that writes it: warnings (and
// the import's own debug note) by the stage's full signature as the host's compiler renders it,
// the other debug entries by "source:line function", the line being the caller's in the
// importer's source file.
namespace ImportLog {

enum class Stage { Import, Stamp, Folder, Format };

void warning(Stage stage, const QString &text);
void warnings(Stage stage, const QStringList &texts);
// A debug entry with the stage's signature as its origin.
void note(Stage stage, const QString &text);
// A debug entry from line of the importer's source file.
void debug(Stage stage, int line, const QString &text);

// How a failure ends an import for the host.
enum class ErrorSignal { None, Message, Warning };
struct Exit
{
    bool hasOrigin; // false: a plain warning, without origin
    Stage origin;
    ErrorSignal error; // importError with the message, with the warning, or none
    QString message;
    bool progressBeforeMessage;
};
const Exit &exitOf(Failure failure);
// The failure's log entries: its stage's earlier warnings, then its own.
void failure(const ImportFailure &failure);

} // namespace ImportLog
