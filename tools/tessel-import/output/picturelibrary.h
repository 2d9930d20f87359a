#pragma once

#include <QString>

class QCoreApplication;
struct ImportResult;
struct PictureStyle;

// The quick-look pictures live in a library of their own, loaded by the first run that draws
// them: Qt GUI and the libraries it brings take half of the program's start, and an import alone
// needs none of them.
struct PictureLibrary
{
    // The program's application object when it draws pictures: a QGuiApplication (text needs
    // the fonts that only a GUI application loads), off screen unless the user chose a platform.
    // argc must outlive it.
    QCoreApplication *(*makeApplication)(int *argc, char **argv);
    // writeQuickLook of picturefile.h.
    bool (*writeQuickLook)(const ImportResult &result, const QString &path,
                           const PictureStyle &style, QString *error);
};

// Loads the picture library once; null, with the reason in error, when it cannot be loaded.
const PictureLibrary *pictureLibrary(QString *error);
