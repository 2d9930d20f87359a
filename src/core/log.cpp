#include "log.h"

QString logLevelName(LogEntry::Level level)
{
    return level == LogEntry::Warning ? QStringLiteral("warning") : QStringLiteral("debug");
}

void Log::warning(const QString &message, const QDateTime &time)
{
    record({LogEntry::Warning, message, QString(), time});
}

void Log::warningWithOrigin(const QString &message, const QString &origin, const QDateTime &time)
{
    record({LogEntry::Warning, message, origin, time});
}

void Log::debugWithOrigin(const QString &message, const QString &origin, const QDateTime &time)
{
    record({LogEntry::Debug, message, origin, time});
}

QVector<LogEntry> Log::entries() const
{
    const std::lock_guard<std::mutex> lock(mutex);
    return log;
}

void Log::clear()
{
    const std::lock_guard<std::mutex> lock(mutex);
    log.clear();
}

int Log::addListener(Listener listener)
{
    const std::lock_guard<std::mutex> lock(mutex);
    listeners.append({nextListenerId, std::move(listener)});
    return nextListenerId++;
}

void Log::removeListener(int id)
{
    const std::lock_guard<std::mutex> lock(mutex);
    for (int i = 0; i < listeners.size(); ++i) {
        if (listeners.at(i).first == id) {
            listeners.remove(i);
            return;
        }
    }
}

void Log::record(LogEntry entry)
{
    QVector<QPair<int, Listener>> toTell;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        log.append(entry);
        toTell = listeners;
    }
    // Listeners run outside the lock so that they may log or read the log themselves.
    for (const auto &listener : qAsConst(toTell))
        listener.second(entry);
}

Log &TsLog()
{
    static Log theLog;
    return theLog;
}
