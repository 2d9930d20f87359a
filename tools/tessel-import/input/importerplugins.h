#pragma once

#include "abstractimporter.h"
#include "importreport.h"
#include "plugininterface.h"

#include <QStringList>
#include <QVector>

#include <memory>

struct ImporterPlugin
{
    QString className;
    QString libraryPath;
    TesselPlugin::PluginInterface *plugin = nullptr;
    AbstractImporter *root = nullptr; // the library's root object; the plug-in system owns it
};

struct RecognisingImporter
{
    QString className;
    std::unique_ptr<AbstractImporter> importer;
};

// The importer plug-ins of one folder, loaded as the host application loads them.
class ImporterPlugins
{
public:
    // Loads every importer plug-in in the folder; libraries that fail to load are described
    // in problems and left out.
    static ImporterPlugins load(const QString &folder, QStringList *problems);

    const QVector<ImporterPlugin> &importers() const { return loaded; }

    // A fresh importer, with fileName set, from the first plug-in that recognises the file;
    // no importer when none does. Safe to call from several threads.
    RecognisingImporter recognise(const QString &filePath) const;

    // The preferences the importers declare, in the order of the plug-ins and of their
    // declarations; a key that two importers declare keeps its first declaration.
    PreferenceDeclarations declaredPreferences() const;

private:
    QVector<ImporterPlugin> loaded;
};
