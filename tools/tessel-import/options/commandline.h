#pragma once

#include <QHash>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

enum class ToolMode { Import, ListImporters, Detect, ShowSettings };

struct ToolOptions
{
    ToolMode mode = ToolMode::Import;
    QStringList paths;
    QString pluginDir;
    bool json = false;
    QString exportDir;
    bool overwrite = false; // --overwrite: outputs may replace files of an earlier run
    QString settingsFile;   // --settings: preferences from this INI file; empty: the host's
    QHash<QString, QString> overrides;
    int jobs = 1;
    QString plotTarget; // --plot: a picture file, or a folder for one picture per file
    QSize plotSize{1600, 900};
    QString plotFormat; // "png" or "svg" for the pictures written into a folder; empty: not given
    QStringList plotChannels; // --channels: the channels to draw; empty: all
    bool linearAxis = false;  // --linear: a linear intensity axis instead of a logarithmic one
    bool timings = false;     // --timings: each file's stage times on stderr
    QString timeZone; // --timezone: the zone times are read and shown in; empty: the computer's
};

// What the command line asks for: options to run with, a text that answers it (--help,
// --version), or the usage error that refuses it.
struct ParsedOptions
{
    std::optional<ToolOptions> options;
    QString answer;
    QString usageError;
};

// Reads the command line (the program's name first).
ParsedOptions parseOptions(const QStringList &arguments);

// Whether the command line asks for pictures, which need a GUI application object; looked up
// before any application object exists.
bool picturesRequested(int argc, char *argv[]);
