#include "plugininterface.h"

namespace TesselPlugin {

PluginMetaData::PluginMetaData(int type, const QString &className, const QString &description,
                               const QString &version, const QString &authors,
                               const QString &contact, const QString &dependencies,
                               const QString &iconPath, const QString &helpUrl,
                               bool enabledByDefault, bool experimental, bool userVisible)
    : type(type), className(className), description(description), version(version),
      authors(authors), contact(contact), dependencies(dependencies), iconPath(iconPath),
      helpUrl(helpUrl), enabledByDefault(enabledByDefault), experimental(experimental),
      userVisible(userVisible)
{}

PluginInterface::PluginInterface(const PluginMetaData &metaData) : metaData(metaData) {}

PluginInterface::~PluginInterface() = default;

} // namespace TesselPlugin
