#include "output/picturelibrary.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

struct Loaded
{
    PictureLibrary library{};
    QString error;
};

// The library is looked up where the program's own libraries are: beside it on Windows, along
// its run path elsewhere (dlopen searches the run path of the program that calls it).
Loaded load()
{
    Loaded loaded;
    const char *name = TESSEL_PICTURE_LIBRARY;
#ifdef Q_OS_WIN
    const HMODULE module =
        LoadLibraryW(reinterpret_cast<const wchar_t *>(QString::fromUtf8(name).utf16()));
    const auto symbol = [module](const char *entry) {
        return reinterpret_cast<void *>(GetProcAddress(module, entry));
    };
    const QString failure =
        module == nullptr ? QStringLiteral("Windows error %1").arg(GetLastError()) : QString();
#else
    void *const module = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    const auto symbol = [module](const char *entry) { return dlsym(module, entry); };
    const QString failure = module == nullptr ? QString::fromLocal8Bit(dlerror()) : QString();
#endif
    if (module == nullptr) {
        loaded.error = QStringLiteral("the picture library %1 could not be loaded (%2)")
                           .arg(QString::fromUtf8(name), failure);
        return loaded;
    }
    loaded.library.makeApplication = reinterpret_cast<decltype(PictureLibrary::makeApplication)>(
        symbol("tesselMakePictureApplication"));
    loaded.library.writeQuickLook =
        reinterpret_cast<decltype(PictureLibrary::writeQuickLook)>(symbol("tesselWriteQuickLook"));
    if (loaded.library.makeApplication == nullptr || loaded.library.writeQuickLook == nullptr)
        loaded.error = QStringLiteral("the picture library %1 lacks its entry points")
                           .arg(QString::fromUtf8(name));
    return loaded;
}

} // namespace

const PictureLibrary *pictureLibrary(QString *error)
{
    static const Loaded loaded = load(); // the library stays loaded for the process
    if (!loaded.error.isEmpty()) {
        *error = loaded.error;
        return nullptr;
    }
    return &loaded.library;
}
