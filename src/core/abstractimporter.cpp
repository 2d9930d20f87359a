#include "abstractimporter.h"

#include "importreport.h"

#include <QThread>

namespace {
void registerImporterTypes()
{
    qRegisterMetaType<ColumnPtr>("ColumnPtr");
    qRegisterMetaType<ChannelData>("ChannelData");
    qRegisterMetaType<MassMap>("MassMap");
    // Registered at load, before any import runs: Qt registers a container type and its
    // conversions the first time it is asked about them, and imports on several threads that
    // ask at once may each register them (Qt then warns).
    qRegisterMetaType<PreferenceValues>("PreferenceValues");
}
} // namespace
Q_CONSTRUCTOR_FUNCTION(registerImporterTypes)

AbstractImporter::AbstractImporter(const QString &importerName, QObject *parent)
    : QObject(parent), importerName(importerName)
{}

AbstractImporter::~AbstractImporter() = default;

void AbstractImporter::importDataAsync(bool addToSession)
{
    QThread *worker = QThread::create([this, addToSession] { importData(addToSession); });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}
