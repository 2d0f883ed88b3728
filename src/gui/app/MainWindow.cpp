#include "MainWindow.h"

namespace zel {

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Zelvane - (無題)"));
    resize(607, 506);
}

} // namespace zel
