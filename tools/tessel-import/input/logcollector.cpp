#include "input/logcollector.h"

namespace {

thread_local LogCollector *currentCollector = nullptr;

} // namespace

LogCollector::LogCollector() : outer(currentCollector)
{
    // One listener for the whole process, routing each entry to its thread's collector.
    static const int listener = TsLog().addListener([](const LogEntry &entry) {
        if (currentCollector != nullptr)
            currentCollector->collected.append(entry);
    });
    Q_UNUSED(listener)
    currentCollector = this;
}

LogCollector::~LogCollector()
{
    currentCollector = outer;
}
