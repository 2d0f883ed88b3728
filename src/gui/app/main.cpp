#include "MainWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    zel::MainWindow window;
    window.show();
    return app.exec();
}
