#include "MainWindow.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The whole interface is Japanese, so Qt's own dialogs speak Japanese
    // too, whatever the system's language.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTexts);
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
    return app.exec();
}
