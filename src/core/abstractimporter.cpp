#include "abstractimporter.h"

#include <QThread>

namespace {
void registerImporterTypes()
{
    qRegisterMetaType<ColumnPtr>("ColumnPtr");
    qRegisterMetaType<ChannelData>("ChannelData");
    qRegisterMetaType<MassMap>("MassMap");
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
