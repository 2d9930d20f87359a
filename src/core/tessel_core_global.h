#pragma once

#include <QtCore/qglobal.h>

#if defined(TESSEL_CORE_LIBRARY)
#define TESSEL_CORE_EXPORT Q_DECL_EXPORT
#else
#define TESSEL_CORE_EXPORT Q_DECL_IMPORT
#endif
