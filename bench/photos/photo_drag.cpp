// Dragging a photo in the window, step by step: a document is opened as at
// start-up, its top part is pressed and moved one pixel a step, and each
// step is timed from the pointer event to the end of the repaint it causes.
// Done at 1:1 and at the scale that fits the window.
//
// usage: bench_photo_drag DOC.BMH [STEPS]   (QT_QPA_PLATFORM=offscreen)
// Prints the median and the longest step at each scale, in milliseconds.

#include "app/Canvas.h"
#include "app/EditorView.h"
#include "app/MainWindow.h"
#include "scene/Scene.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void send(QWidget *widget, QEvent::Type type, const QPoint &at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, {});
    QCoreApplication::sendEvent(widget, &event);
}

void drag(zel::MainWindow &window, const char *label, int steps)
{
    zel::Canvas *canvas = window.canvas();
    const QRect part = window.scene().part(0).Image->bounds();
    window.editorView()->ensureVisible(part);
    QCoreApplication::processEvents();
    // Pressed well inside both the part and what the window shows of it.
    const QRect shown = canvas->canvasRectOf(part) & canvas->rect();
    QPoint at = shown.center();
    send(canvas, QEvent::MouseButtonPress, at, Qt::LeftButton);
    std::vector<double> ms;
    QElapsedTimer timer;
    for (int i = 0; i < steps; ++i) {
        at += (i / 40) % 2 == 0 ? QPoint(1, 1) : QPoint(-1, -1);
        timer.start();
        send(canvas, QEvent::MouseMove, at, Qt::LeftButton);
        QCoreApplication::processEvents(); // the repaint the move asked for
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    send(canvas, QEvent::MouseButtonRelease, at, Qt::NoButton);
    const QPoint moved = window.scene().part(0).Image->bounds().topLeft() - part.topLeft();
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    // The first steps begin the drag (past the threshold): left out.
    std::printf("%-8s scale %6.2f%%  median %.3f ms  max %.3f ms  (%d steps, moved %d, %d)\n", label,
                window.editorView()->scale().factor() * 100.0, sorted[sorted.size() / 2],
                *std::max_element(ms.begin() + std::min<size_t>(8, ms.size() - 1), ms.end()),
                steps, moved.x(), moved.y());
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_photo_drag DOC.BMH [STEPS]\n");
        return 2;
    }
    const int steps = argc > 2 ? std::atoi(argv[2]) : 200;
    zel::MainWindow window;
    window.show();
    window.openAtStart(QString::fromLocal8Bit(argv[1]));
    if (window.scene().isEmpty()) {
        std::fprintf(stderr, "bench_photo_drag: %s has no parts\n", argv[1]);
        return 1;
    }
    QCoreApplication::processEvents();
    drag(window, "1:1", steps);
    window.editorView()->setScale(window.editorView()->fitScale());
    drag(window, "fitted", steps);
    return 0;
}
