#pragma once

#include "log.h"

#include <QVector>

// Collects the host log's entries written on the constructing thread while the collector lives.
// Log listeners run on the writing thread, so a per-thread current collector attributes each
// entry to the import running on that thread, however many imports run at once.
class LogCollector
{
public:
    LogCollector();
    ~LogCollector();
    LogCollector(const LogCollector &) = delete;
    LogCollector &operator=(const LogCollector &) = delete;

    const QVector<LogEntry> &entries() const { return collected; }

private:
    QVector<LogEntry> collected;
    LogCollector *outer;
};
