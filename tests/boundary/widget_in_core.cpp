// Compiled with the core library's settings only: it must not build, since
// the core never sees Qt Widgets.
#include <QWidget>

int widgetInCore()
{
    QWidget widget;
    return widget.width();
}
