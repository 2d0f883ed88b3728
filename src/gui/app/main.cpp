#include "MainWindow.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
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
