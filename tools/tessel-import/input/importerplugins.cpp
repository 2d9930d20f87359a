#include "input/importerplugins.h"

#include <QDir>
#include <QJsonObject>
#include <QLibrary>
#include <QPluginLoader>

#include <optional>

namespace {

std::unique_ptr<AbstractImporter> newImporter(TesselPlugin::PluginInterface *plugin)
{
    QObject *created = plugin->createInstance();
    auto *importer = qobject_cast<AbstractImporter *>(created);
    if (importer == nullptr)
        delete created;
    return std::unique_ptr<AbstractImporter>(importer);
}

// The importer a library provides, if it is a plug-in of ours with an importer at its root.
std::optional<ImporterPlugin> loadImporter(const QString &libraryPath, QStringList *problems)
{
    QPluginLoader loader(libraryPath);
    const QJsonObject metaData = loader.metaData();
    if (metaData.value(QLatin1String("IID")).toString() != QLatin1String(TesselPluginInterface_iid))
        return std::nullopt;
    const QString className = metaData.value(QLatin1String("className")).toString();

    QObject *root = loader.instance();
    if (root == nullptr) {
        problems->append(QStringLiteral("cannot load %1 (%2): %3")
                             .arg(className, libraryPath, loader.errorString()));
        return std::nullopt;
    }
    auto *plugin = qobject_cast<TesselPlugin::PluginInterface *>(root);
    if (plugin == nullptr) {
        problems->append(QStringLiteral("%1 (%2) does not implement the plug-in interface")
                             .arg(className, libraryPath));
        return std::nullopt;
    }
    auto *importer = qobject_cast<AbstractImporter *>(root);
    if (plugin->pluginMetaData().type != TesselPlugin::ImporterPlugin || importer == nullptr)
        return std::nullopt;
    return ImporterPlugin{className, libraryPath, plugin, importer};
}

} // namespace

ImporterPlugins ImporterPlugins::load(const QString &folder, QStringList *problems)
{
    ImporterPlugins plugins;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (!QLibrary::isLibrary(entry.fileName()))
            continue;
        if (auto importer = loadImporter(entry.absoluteFilePath(), problems))
            plugins.loaded.append(*importer);
    }
    return plugins;
}

RecognisingImporter ImporterPlugins::recognise(const QString &filePath) const
{
    for (const ImporterPlugin &candidate : loaded) {
        std::unique_ptr<AbstractImporter> importer = newImporter(candidate.plugin);
        if (importer == nullptr)
            continue;
        importer->fileName = filePath;
        if (importer->correctFormat())
            return {candidate.className, std::move(importer)};
    }
    return {};
}

PreferenceDeclarations ImporterPlugins::declaredPreferences() const
{
    PreferenceDeclarations declared;
    QStringList keys;
    for (const ImporterPlugin &importer : loaded) {
        for (const PreferenceDeclaration &declaration :
             importer.root->property("preferences").value<PreferenceDeclarations>()) {
            if (keys.contains(declaration.key))
                continue;
            keys.append(declaration.key);
            declared.append(declaration);
        }
    }
    return declared;
}
