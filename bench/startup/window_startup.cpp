// Zelvane's start-up as main.cpp does it, up to the first paint of the
// picture; with a document argument, opened as at start-up first.
#include "FirstPaint.h"

#include "app/Canvas.h"
#include "app/MainWindow.h"
#include "app/Translation.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    zel::installJapaneseTranslation(app);
    zel::MainWindow window;
    QuitAfterFirstPaint quit;
    window.canvas()->installEventFilter(&quit);
    window.show();
    if (argc > 1)
        window.openAtStart(QString::fromLocal8Bit(argv[1]));
    return app.exec();
}
