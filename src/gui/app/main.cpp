#include "MainWindow.h"
#include "Translation.h"

#include "fileio/NativePath.h"

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv); // takes Qt's own options out of argv
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fputs("usage: zelvane [DOCUMENT.BMH]\n", stderr);
        return argc == 2 && std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
    }
    zel::installJapaneseTranslation(app);
    // Zelvane keeps nothing between runs. Qt's own dialogs would remember
    // folders and layouts in the user's settings; give them a folder that
    // goes away with the process instead.
    QTemporaryDir scratchSettings;
    if (scratchSettings.isValid()) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, scratchSettings.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, scratchSettings.path());
    }
    zel::MainWindow window;
    window.show();
    // A document named on the command line (as the file manager hands it
    // over) opens as Open opens it; the name is taken byte for byte.
    if (argc == 2)
        window.openAtStart(QDir::current().absoluteFilePath(zel::decodePath(QByteArray(argv[1]))));
    return app.exec();
}
