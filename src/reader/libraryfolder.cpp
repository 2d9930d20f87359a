#include "libraryfolder.h"

#include <QFileInfo>

#ifdef Q_OS_WIN
#include <windows.h>

#include <iterator>
#else
#include <QFile>

#include <dlfcn.h>
#endif

// Any address inside the library names it.
static const char anchor = 0;

QString libraryFolder()
{
#ifdef Q_OS_WIN
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&anchor), &module))
        return QString();
    wchar_t path[32768];
    const DWORD length = GetModuleFileNameW(module, path, DWORD(std::size(path)));
    if (length == 0 || length >= std::size(path))
        return QString();
    return QFileInfo(QString::fromWCharArray(path, int(length))).absolutePath();
#else
    Dl_info info;
    if (dladdr(&anchor, &info) == 0 || info.dli_fname == nullptr)
        return QString();
    return QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath();
#endif
}
