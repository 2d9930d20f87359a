#pragma once

#include "tessel_core_global.h"

#include <QDateTime>
#include <QString>
#include <QVector>

#include <functional>
#include <mutex>

struct LogEntry
{
    enum Level { Debug, Warning };
    Level level;
    QString message;
    QString origin;
    QDateTime time;
};

TESSEL_CORE_EXPORT QString logLevelName(LogEntry::Level level);

// The host's log: keeps every entry and tells listeners, on the writing thread, as entries arrive.
// Safe to write from several threads.
class TESSEL_CORE_EXPORT Log
{
public:
    using Listener = std::function<void(const LogEntry &)>;

    void warning(const QString &message, const QDateTime &time);
    void warningWithOrigin(const QString &message, const QString &origin, const QDateTime &time);
    void debugWithOrigin(const QString &message, const QString &origin, const QDateTime &time);

    QVector<LogEntry> entries() const;
    void clear();

    int addListener(Listener listener);
    void removeListener(int id);

private:
    void record(LogEntry entry);

    mutable std::mutex mutex;
    QVector<LogEntry> log;
    QVector<QPair<int, Listener>> listeners;
    int nextListenerId = 1;
};

TESSEL_CORE_EXPORT Log &TsLog();
