#pragma once
// Shared by the fuzz targets: a Qt application with isolated settings, a scratch folder, and an
// import driven the way the host drives it, with the checks every import must pass.
#include "abstractimporter.h"
#include "datamanager.h"
#include "log.h"
#include "settingsstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace fuzzing {

// A scratch folder for the files of one input; removed when the process ends.
inline const QTemporaryDir &scratch()
{
    static const QTemporaryDir dir;
    return dir;
}

// Each target keeps its own settings file, so targets running side by side do not meet. Called
// once, before the first input is tried; answers true.
inline bool initialise(const char *targetName)
{
    static int argc = 1;
    static char *argv[] = {const_cast<char *>(targetName), nullptr};
    static QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("TesselFuzz"));
    QCoreApplication::setApplicationName(QString::fromLatin1(targetName));
    moveSettingsStore(scratch().path());
    QSettings().clear();
    return true;
}

inline void writeFile(const QString &path, const char *data, qsizetype size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data, size) != size) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::abort();
    }
}

inline void setPreference(const QString &key, const QString &value)
{
    QSettings settings;
    if (settings.value(key).toString() != value)
        settings.setValue(key, value);
}

[[noreturn]] inline void fail(const char *what)
{
    std::fprintf(stderr, "import contract broken: %s\n", what);
    std::abort();
}

// Runs the format test and the import of one file into the data store, the way the host
// does, and checks the import's contract: exactly one finished(), preceded by progress(100);
// either the data arrived in the store or a warning says why not.
inline void importAndCheck(AbstractImporter &importer, const QString &path)
{
    importer.fileName = path;
    importer.correctFormat();
    int finished = 0;
    double lastProgress = -1.0;
    QObject::connect(&importer, &AbstractImporter::finished, [&] { ++finished; });
    QObject::connect(&importer, &AbstractImporter::progress, [&](double p) { lastProgress = p; });
    importer.importData(true);
    if (finished != 1)
        fail("the import did not end with exactly one finished()");
    if (lastProgress != 100.0)
        fail("the last progress before finished() was not 100");
    bool warned = false;
    for (const LogEntry &entry : TsLog().entries())
        warned = warned || entry.level == LogEntry::Warning;
    if (Session()->data()->rawInputFor(path).isNull() && !warned)
        fail("nothing stored and no warning in the log");
    Session()->data()->clear();
    TsLog().clear();
}

} // namespace fuzzing
