#pragma once

#include <QByteArray>
#include <QString>

// The standard streams and the terminal behind stderr. Whatever about them differs between
// Windows and the other systems is decided here and nowhere else.

// Sets the standard streams up, once, before anything is written: stdout and stderr write the
// bytes they are given, so that a report or an export is the same file on every system
// (Windows's C library writes "\n" as CR LF); Qt's messages reach stderr in UTF-8, the encoding
// of everything the tool writes; a Windows console shows UTF-8.
void setUpStandardStreams();

// A diagnostic line on stderr, prefixed with the program's name.
void printDiagnostic(const QString &text);

// Writes text to stderr at once.
void writeToStderr(const QByteArray &text);

// What the terminal behind stderr can show; nothing when stderr is a file or a pipe.
struct Terminal
{
    bool present = false;
    bool takesEscapes = false; // ANSI escape sequences
};
Terminal stderrTerminal();

// Returns to the start of the line and clears the width characters drawn on it.
QByteArray clearLineText(const Terminal &terminal, int width);
