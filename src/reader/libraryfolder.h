#pragma once

#include <QString>

// The folder of the file this library was loaded from; empty when the system does not say.
QString libraryFolder();
