#include "importreport.h"

#include <QDir>
#include <QFileInfo>

QString batchFolderOf(const QString &exportPath)
{
    QDir parent = QFileInfo(exportPath).absoluteDir();
    if (parent.cdUp() && parent.dirName().endsWith(QLatin1String(".b"), Qt::CaseInsensitive))
        return parent.absolutePath();
    return QString();
}
