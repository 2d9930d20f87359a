#pragma once

#include "output/outputpaths.h"

#include <QString>
#include <QStringList>

struct ImportResult;

// Draws the quick look of an import whose data reached the store and writes it to path; of
// the channels the style names, those the import has. Needs a QGuiApplication for the fonts.
bool writeQuickLook(const ImportResult &result, const QString &path, const PictureStyle &style,
                    QString *error);
