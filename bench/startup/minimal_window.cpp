// The least a Qt Widgets program with a menu bar and a status bar does up to
// its first paint: what Zelvane's start-up is measured against.
#include "FirstPaint.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    for (const char *title : {"&File", "&Edit", "&Picture", "&Help"})
        window.menuBar()->addMenu(QString::fromLatin1(title))->addAction(QStringLiteral("Item"));
    auto *central = new QWidget;
    window.setCentralWidget(central);
    window.statusBar()->showMessage(QStringLiteral("ready"));
    window.resize(607, 506);
    QuitAfterFirstPaint quit;
    central->installEventFilter(&quit);
    window.show();
    return app.exec();
}
