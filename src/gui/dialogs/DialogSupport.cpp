#include "DialogSupport.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>

namespace zel {

void makeFixedDialog(QDialog &dialog, int clientWidth, int clientHeight)
{
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    dialog.setFixedSize(clientWidth, clientHeight);
    dialog.setSizeGripEnabled(false);
}

void centreOnScreen(QWidget &window)
{
    QScreen *screen = window.screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect frame = window.frameGeometry();
    frame.moveCenter(area.center());
    window.move(frame.topLeft());
}

} // namespace zel
