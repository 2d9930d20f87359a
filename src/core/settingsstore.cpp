#include "settingsstore.h"

#include <QSettings>

void moveSettingsStore(const QString &folder)
{
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope,
                       folder + QStringLiteral("/system"));
}
