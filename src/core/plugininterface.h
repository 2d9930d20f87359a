#pragma once

#include "tessel_core_global.h"

#include <QObject>
#include <QString>

namespace TesselPlugin {

enum PluginType { ImporterPlugin = 0, ExporterPlugin = 1, ProcessingPlugin = 2 };

// What a plug-in tells the host about itself.
struct TESSEL_CORE_EXPORT PluginMetaData
{
    PluginMetaData(int type, const QString &className, const QString &description,
                   const QString &version, const QString &authors, const QString &contact,
                   const QString &dependencies, const QString &iconPath, const QString &helpUrl,
                   bool enabledByDefault, bool experimental, bool userVisible);

    int type;
    QString className;
    QString description;
    QString version;
    QString authors;
    QString contact;
    QString dependencies;
    QString iconPath;
    QString helpUrl;
    bool enabledByDefault;
    bool experimental;
    bool userVisible;
};

class TESSEL_CORE_EXPORT PluginInterface
{
public:
    explicit PluginInterface(const PluginMetaData &metaData);
    virtual ~PluginInterface();

    // A new object of the plug-in's class; the caller owns it.
    virtual QObject *createInstance() = 0;

    const PluginMetaData &pluginMetaData() const { return metaData; }

private:
    PluginMetaData metaData;
};

} // namespace TesselPlugin

#define TesselPluginInterface_iid "org.tessel.TesselPlugin.PluginInterface"
Q_DECLARE_INTERFACE(TesselPlugin::PluginInterface, TesselPluginInterface_iid)
