#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

enum ExitCode { ExitSuccess = 0, ExitFailure = 1, ExitUsage = 2 };

enum class ToolMode { Import, ListImporters, Detect, ShowSettings };

struct ToolOptions
{
    ToolMode mode = ToolMode::Import;
    QStringList paths;
    QString pluginDir;
    bool json = false;
    QString exportDir;
    QHash<QString, QString> overrides;
    int jobs = 1;
};

struct ParsedOptions
{
    std::optional<ToolOptions> options;
    QString usageError;
};

// Reads the command line. Answers --help and --version itself and then ends the process.
ParsedOptions parseOptions(const QStringList &arguments);
