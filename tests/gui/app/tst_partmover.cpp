// Moving parts with real mouse and key events on the window.
#include "WindowFixture.h"

#include "app/Canvas.h"
#include "app/EditorView.h"
#include "EditHistory.h"

#include <QLabel>
#include <QScrollBar>
#include <QWheelEvent>

#include <functional>

#include <cmath>
#include <QtTest>

using namespace zel;
using namespace zel::test;

class PartMoverTest : public QObject
{
    Q_OBJECT

private slots:
    void pressAndReleaseOnlySelects();
    void dragRecordsOneMove();
    void shiftSnapsAndReleaseFollowsAgain();
    void escapeDuringMouseDrag();
    void moveItemWithKeys();
    void escapeDuringKeyboardMove();
    void enterWithoutStepsRecordsEqualPositions();
    void arrowsDoNothingWhileIdle();
    void dragToNegativePlace();
    void releaseOutsideBackgroundRefusesMove();
    void clickEndsKeyboardMove();
    void commandsWaitForTheDrop_data();
    void commandsWaitForTheDrop();
    void pressedPartRemovedBeforeDrag();
    void movesAtEveryScale_data();
    void movesAtEveryScale();
    void ctrlWheelZoomsAboutThePointer();
    void viewRepaintsWhatChanges();

private:
    struct Moving : WindowFixture {
        QList<QPoint> pointer;
        Moving()
        {
            window = std::make_unique<MainWindow>(WindowPorts{
                &dialogs, &clipboard, [this](const QPoint &p) { pointer << p; }});
            window->show();
        }
        Canvas *canvas() { return window->canvas(); }
        QString panel1() { return window->statusPanel(1)->text(); }
        void key(Qt::Key k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(canvas(), k, m); }
    };

    static void placeTop(Moving &m, const QRect &bounds)
    {
        m.scene().part(0).Image->setBounds(bounds);
    }
};

void PartMoverTest::pressAndReleaseOnlySelects()
{
    Moving m;
    m.paste(40, 40, 0xFFFF0000u);
    m.paste(40, 40, 0xFF00FF00u);
    placeTop(m, QRect(100, 100, 40, 40));
    PartView *red = m.scene().part(1).Image.get();
    QTest::mousePress(m.canvas(), Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(m.canvas(), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(m.scene().part(0).Image.get(), red);
    QCOMPARE(m.history().count(), 3);
    QCOMPARE(m.history().entry(2).Type, quint8(SelectEntry));
    QCOMPARE(red->bounds(), QRect(0, 0, 40, 40));
    QVERIFY(!m.window->mover().Dragging());
}

void PartMoverTest::dragRecordsOneMove()
{
    Moving m;
    m.paste(40, 40, 0xFFFF0000u);
    placeTop(m, QRect(50, 50, 40, 40));
    QTest::mousePress(m.canvas(), Qt::LeftButton, {}, QPoint(60, 60));
    QTest::mouseMove(m.canvas(), QPoint(73, 55));
    QCOMPARE(m.panel1(), QStringLiteral("(13, -5)"));
    QCOMPARE(m.scene().part(0).Image->bounds(), QRect(63, 45, 40, 40));
    QCOMPARE(m.canvas()->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseRelease(m.canvas(), Qt::LeftButton, {}, QPoint(73, 55));
    QCOMPARE(m.panel1(), QStringLiteral("(63, 45, 40, 40)"));
    QCOMPARE(m.history().count(), 2);
    const HistoryEntry &move = m.history().entry(1);
    QCOMPARE(move.Type, quint8(MoveEntry));
    QCOMPARE(QRect(move.Value1, move.Value2, move.Value3, move.Value4), QRect(50, 50, 63, 45));

    m.window->trigger(Item::UndoItem);
    QCOMPARE(m.scene().part(0).Image->bounds(), QRect(50, 50, 40, 40));
    QCOMPARE(m.panel1(), QStringLiteral("(50, 50, 40, 40)"));
    m.window->trigger(Item::RedoItem);
    QCOMPARE(m.scene().part(0).Image->bounds(), QRect(63, 45, 40, 40));
}

void PartMoverTest::shiftSnapsAndReleaseFollowsAgain()
{
    Moving m;
    m.paste(40, 40, 0xFFFF0000u);
    placeTop(m, QRect(50, 50, 40, 40));
    QTest::mousePress(m.canvas(), Qt::LeftButton, {}, QPoint(60, 60));
    QTest::mouseMove(m.canvas(), QPoint(73, 55));
    QTest::keyPress(m.canvas(), Qt::Key_Shift);
    QCOMPARE(m.scene().part(0).Image->bounds().topLeft(), QPoint(66, 42));
    QCOMPARE(m.panel1(), QStringLiteral("(16, -8)"));
    QTest::keyRelease(m.canvas(), Qt::Key_Shift);
    QTest::mouseMove(m.canvas(), QPoint(74, 55));
    QCOMPARE(m.scene().part(0).Image->bounds().topLeft(), QPoint(64, 45));
    QCOMPARE(m.panel1(), QStringLiteral("(14, -5)"));
    QTest::mouseRelease(m.canvas(), Qt::LeftButton, {}, QPoint(74, 55));
    QCOMPARE(m.history().count(), 2);

    // Shift already down when the drag begins snaps from its first step.
    QTest::mousePress(m.canvas(), Qt::LeftButton, Qt::ShiftModifier, QPoint(70, 50));
    QTest::mouseEvent(QTest::MouseMove, m.canvas(), Qt::NoButton, Qt::ShiftModifier, QPoint(81, 47));
    QCOMPARE(m.scene().part(0).Image->bounds().topLeft(), QPoint(72, 45));
    QCOMPARE(m.panel1(), QStringLiteral("(8, 0)"));
    QTest::mouseRelease(m.canvas(), Qt::LeftButton, Qt::ShiftModifier, QPoint(81, 47));
}

void PartMoverTest::escapeDuringMouseDrag()
{
    Moving m;
    m.paste(40, 40, 0xFFFF0000u);
    placeTop(m, QRect(50, 50, 40, 40));
    QTest::mousePress(m.canvas(), Qt::LeftButton, {}, QPoint(60, 60));
    QTest::mouseMove(m.canvas(), QPoint(90, 90));
    m.key(Qt::Key_Escape);
    QCOMPARE(m.scene().part(0).Image->bounds(), QRect(50, 50, 40, 40));
    QCOMPARE(m.panel1(), QStringLiteral("(50, 50, 40, 40)"));
    QTest::mouseRelease(m.canvas(), Qt::LeftButton, {}, QPoint(90, 90));
    QCOMPARE(m.history().count(), 1);
    QCOMPARE(m.scene().part(0).Image->bounds(), QRect(50, 50, 40, 40));
}

void PartMoverTest::moveItemWithKeys()
{
    Moving m;
    m.paste(31, 40, 0xFFFF0000u);
    placeTop(m, QRect(10, 20, 31, 40));
    m.window->trigger(Item::MoveItem);
    QCOMPARE(m.pointer.last(), m.canvas()->mapToGlobal(QPoint(25, 40)));
    QCOMPARE(m.panel1(), QStringLiteral("(0, 0)"));
    m.key(Qt::Key_Right);
    m.key(Qt::Key_Right);
    m.key(Qt::Key_Right);
    QTest::keyPress(m.canvas(), Qt::Key_Shift);
    m.key(Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyRelease(m.canvas(), Qt::Key_Shift);
    QCOMPARE(m.scene().part(0).Image->bounds().topLeft(), QPoint(13, 28));
    QCOMPARE(m.panel1(), QStringLiteral("(3, 8)"));
    QCOMPARE(m.pointer.last(), m.canvas()->mapToGlobal(QPoint(28, 48)));
    m.key(Qt::Key_Return);
    QCOMPARE(m.history().count(), 2);
    const HistoryEntry &move = m.history().entry(1);
    QCOMPARE(QRect(move.Value1, move.Value2, move.Value3, move.Value4), QRect(10, 20, 13, 28));
    QCOMPARE(m.panel1(), QStringLiteral("(13, 28, 31, 40)"));
    QVERIFY(!m.window->mover().Dragging());
    QVERIFY(!m.window->mover().KeyboardMove());
    QVERIFY(!m.window->mover().ShiftHeld());
}

void PartMoverTest::escapeDuringKeyboardMove()
{
    Moving m;
    m.paste(31, 40, 0xFFFF0000u);
    placeTop(m, QRect(10, 20, 31, 40));
    m.window->trigger(Item::MoveItem);
    m.key(Qt::Key_Left);
    m.key(Qt::Key_Up);
    m.key(Qt::Key_Escape);
    QCOMPARE(m.scene().part(0).Image->bounds(), QRect(10, 20, 31, 40));
    QCOMPARE(m.panel1(), QStringLiteral("(10, 20, 31, 40)"));
    QCOMPARE(m.history().count(), 1);
    m.key(Qt::Key_Left); // idle again
    QCOMPARE(m.scene().part(0).Image->bounds(), QRect(10, 20, 31, 40));
}

void PartMoverTest::enterWithoutStepsRecordsEqualPositions()
{
    Moving m;
    m.paste(31, 40, 0xFFFF0000u);
    m.window->trigger(Item::MoveItem);
    m.key(Qt::Key_Return);
    QCOMPARE(m.history().count(), 2);
    const HistoryEntry &move = m.history().entry(1);
    QCOMPARE(move.Type, quint8(MoveEntry));
    QCOMPARE(QRect(move.Value1, move.Value2, move.Value3, move.Value4), QRect(0, 0, 0, 0));
}

void PartMoverTest::arrowsDoNothingWhileIdle()
{
    Moving m;
    m.paste(31, 40, 0xFFFF0000u);
    for (Qt::Key k : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_Return,
                      Qt::Key_Escape, Qt::Key_Shift})
        m.key(k);
    QCOMPARE(m.scene().part(0).Image->bounds(), QRect(0, 0, 31, 40));
    QCOMPARE(m.history().count(), 1);
    QCOMPARE(m.panel1(), QStringLiteral("(0, 0, 31, 40)"));
}

void PartMoverTest::dragToNegativePlace()
{
    Moving m;
    m.paste(40, 40, 0xFFFF0000u);
    placeTop(m, QRect(10, 10, 40, 40));
    QTest::mousePress(m.canvas(), Qt::LeftButton, {}, QPoint(30, 30));
    QTest::mouseMove(m.canvas(), QPoint(5, 8));
    QTest::mouseRelease(m.canvas(), Qt::LeftButton, {}, QPoint(5, 8));
    QCOMPARE(m.scene().part(0).Image->bounds(), QRect(-15, -12, 40, 40));
    QCOMPARE(m.panel1(), QStringLiteral("(-15, -12, 40, 40)"));
    // Only what lies on the background is painted.
    QCOMPARE(m.canvas()->grabArea(QRect(0, 0, 30, 30)).pixel(10, 10), qRgb(255, 0, 0));
}

void PartMoverTest::releaseOutsideBackgroundRefusesMove()
{
    Moving m;
    m.paste(40, 40, 0xFFFF0000u);
    placeTop(m, QRect(10, 10, 40, 40));
    QTest::mousePress(m.canvas(), Qt::LeftButton, {}, QPoint(30, 30));
    QTest::mouseMove(m.canvas(), QPoint(60, 60));
    QTest::mouseMove(m.canvas(), QPoint(-20, 60));
    QCOMPARE(m.canvas()->cursor().shape(), Qt::ForbiddenCursor);
    QTest::mouseRelease(m.canvas(), Qt::LeftButton, {}, QPoint(-20, 60));
    QCOMPARE(m.scene().part(0).Image->bounds(), QRect(10, 10, 40, 40));
    QCOMPARE(m.history().count(), 1);
    QVERIFY(!m.window->mover().Dragging());
}

void PartMoverTest::clickEndsKeyboardMove()
{
    Moving m;
    m.paste(31, 40, 0xFFFF0000u);
    m.window->trigger(Item::MoveItem);
    m.key(Qt::Key_Right);
    QTest::mouseClick(m.canvas(), Qt::LeftButton, {}, QPoint(16, 20));
    QVERIFY(!m.window->mover().Dragging());
    QVERIFY(!m.window->mover().KeyboardMove());
    QCOMPARE(m.history().count(), 2);
    QCOMPARE(m.history().entry(1).Type, quint8(MoveEntry));
}

void PartMoverTest::commandsWaitForTheDrop_data()
{
    QTest::addColumn<int>("item");
    QTest::newRow("clear") << int(Item::ClearItem);
    QTest::newRow("cut") << int(Item::CutItem);
    QTest::newRow("undo") << int(Item::UndoItem);
    QTest::newRow("new") << int(Item::NewItem);
}

void PartMoverTest::commandsWaitForTheDrop()
{
    QFETCH(int, item);
    Moving m;
    m.paste(40, 40, 0xFFFF0000u);
    placeTop(m, QRect(10, 10, 40, 40));
    QTest::mousePress(m.canvas(), Qt::LeftButton, {}, QPoint(30, 30));
    QTest::mouseMove(m.canvas(), QPoint(60, 60));
    QVERIFY(m.window->mover().Dragging());
    m.window->trigger(Item(item));
    QCOMPARE(m.scene().count(), 1);
    QCOMPARE(m.history().count(), 1);
    // Released off the background: the part goes back where it was.
    QTest::mouseRelease(m.canvas(), Qt::LeftButton, {}, QPoint(-20, 60));
    QCOMPARE(m.scene().part(0).Image->bounds(), QRect(10, 10, 40, 40));
    QVERIFY(!m.window->mover().Dragging());
    m.dialogs.answers.push_back(Answer::No); // New asks about the modified document
    m.window->trigger(Item(item)); // and works again once the move is over
    QVERIFY(m.scene().isEmpty());
}

void PartMoverTest::pressedPartRemovedBeforeDrag()
{
    Moving m;
    m.paste(40, 40, 0xFFFF0000u);
    QTest::mousePress(m.canvas(), Qt::LeftButton, {}, QPoint(20, 20));
    m.window->trigger(Item::ClearItem);
    QVERIFY(m.scene().isEmpty());
    m.paste(40, 40, 0xFF00FF00u);
    QTest::mouseMove(m.canvas(), QPoint(35, 35));
    QTest::mouseRelease(m.canvas(), Qt::LeftButton, {}, QPoint(35, 35));
    QCOMPARE(m.scene().part(0).Image->bounds(), QRect(0, 0, 40, 40));
    QCOMPARE(m.history().count(), 3);
    QVERIFY(!m.window->mover().Dragging());
}

void PartMoverTest::movesAtEveryScale_data()
{
    QTest::addColumn<qint64>("num");
    QTest::addColumn<qint64>("den");
    QTest::addColumn<QString>("label");
    QTest::newRow("50 %") << qint64(1) << qint64(2) << QStringLiteral("50%");
    QTest::newRow("100 %") << qint64(1) << qint64(1) << QStringLiteral("100%");
    QTest::newRow("150 %") << qint64(3) << qint64(2) << QStringLiteral("150%");
    QTest::newRow("200 %") << qint64(2) << qint64(1) << QStringLiteral("200%");
    QTest::newRow("800 %") << qint64(8) << qint64(1) << QStringLiteral("800%");
}

// Clicks, drags, keys and every status text stay in background pixels at
// any scale; the frame stays one screen pixel wide.
void PartMoverTest::movesAtEveryScale()
{
    QFETCH(qint64, num);
    QFETCH(qint64, den);
    QFETCH(QString, label);
    Moving m;
    m.paste(40, 40, 0xFFFF0000u);
    placeTop(m, QRect(41, 41, 40, 40));
    m.window->editorView()->setScale(RenderScale::of(num, den), QPoint(0, 0));
    m.window->editorView()->ensureVisible(QRect(41, 35, 54, 47)); // where the drag goes
    QCOMPARE(m.window->findChild<QLabel *>(QStringLiteral("ScaleLabel"))->text(), label);
    Canvas *canvas = m.canvas();
    // No widget grows with the scale.
    QVERIFY(canvas->width() <= m.window->width() && canvas->height() <= m.window->height());
    const auto at = [canvas](int x, int y) { return canvas->canvasPointOf(QPoint(x, y)); };
    for (const QPoint p : {QPoint(61, 61), QPoint(75, 55), QPoint(41, 41)})
        QCOMPARE(canvas->pictureAt(canvas->canvasPointOf(p)), p);

    // The frame: its corner pixel, and the next screen pixel in is the part.
    const QPoint corner = canvas->canvasRectOf(QRect(41, 41, 40, 40)).topLeft();
    QCOMPARE(canvas->grabArea(QRect(corner, QSize(2, 2))).pixel(0, 0), 0xFF00FFFFu); // aqua
    QCOMPARE(canvas->grabArea(QRect(corner, QSize(2, 2))).pixel(1, 1), 0xFFFF0000u);

    QTest::mousePress(canvas, Qt::LeftButton, {}, at(61, 61));
    // The drag threshold is the system's, in screen pixels, at any scale.
    QTest::mouseMove(canvas, at(61, 61) + QPoint(QApplication::startDragDistance() - 1, 0));
    QCOMPARE(m.scene().part(0).Image->bounds(), QRect(41, 41, 40, 40));
    QTest::mouseMove(canvas, at(68, 61));
    QTest::mouseMove(canvas, at(75, 55));
    QCOMPARE(m.panel1(), QStringLiteral("(14, -6)"));
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, at(75, 55));
    QCOMPARE(m.scene().part(0).Image->bounds(), QRect(55, 35, 40, 40));
    QCOMPARE(m.panel1(), QStringLiteral("(55, 35, 40, 40)"));

    // A key steps one background pixel; the pointer goes to the nearest
    // screen pixel, and the pointer arriving there does not undo the step.
    m.window->trigger(Item::MoveItem);
    QCOMPARE(m.pointer.last(), canvas->mapToGlobal(at(75, 55)));
    // Key repeat outrunning the pointer: the echoes arrive late, in order.
    for (int i = 0; i < 3; ++i)
        m.key(Qt::Key_Right);
    for (const QPoint &placed : m.pointer.mid(m.pointer.size() - 3))
        QTest::mouseMove(canvas, canvas->mapFromGlobal(placed));
    QCOMPARE(m.panel1(), QStringLiteral("(3, 0)"));
    QTest::keyPress(canvas, Qt::Key_Shift);
    m.key(Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyRelease(canvas, Qt::Key_Shift);
    QCOMPARE(m.panel1(), QStringLiteral("(3, 8)"));
    QCOMPARE(m.pointer.last(), canvas->mapToGlobal(at(78, 63)));
    m.key(Qt::Key_Return);
    QCOMPARE(m.scene().part(0).Image->bounds(), QRect(58, 43, 40, 40));
    QCOMPARE(m.history().count(), 3);
}

void PartMoverTest::ctrlWheelZoomsAboutThePointer()
{
    Moving m;
    m.paste(40, 40, 0xFFFF0000u);
    EditorView *view = m.window->editorView();
    Canvas *canvas = m.canvas();
    const auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers, const QPoint &at) {
        QWheelEvent event(QPointF(at), QPointF(canvas->mapToGlobal(at)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(canvas, &event);
    };
    // The background point under the pointer stays under it, step by step,
    // wherever the view can scroll.
    const QPoint pointer = canvas->canvasPointOf(QPoint(301, 201));
    const QPoint global = canvas->mapToGlobal(pointer);
    for (const double factor : {1.5, 2.0, 3.0, 2.0, 1.5, 1.0, 2.0 / 3.0}) {
        wheel(factor >= view->scale().factor() ? 120 : -120, Qt::ControlModifier, canvas->mapFromGlobal(global));
        QCOMPARE(view->scale().factor(), factor);
        if (factor < 1.5)
            continue; // the whole background fits: nothing to scroll
        QVERIFY(std::abs(canvas->pictureAt(canvas->mapFromGlobal(global)).x() - 301) <= 1);
        QVERIFY(std::abs(canvas->pictureAt(canvas->mapFromGlobal(global)).y() - 201) <= 1);
    }
    // A fine wheel zooms one step a notch of 120.
    for (int i = 0; i < 7; ++i)
        wheel(15, Qt::ControlModifier, pointer);
    QCOMPARE(view->scale().factor(), 2.0 / 3.0);
    wheel(15, Qt::ControlModifier, pointer);
    QCOMPARE(view->scale().factor(), 1.0);
    wheel(-120, Qt::ControlModifier, pointer);
    // Without Ctrl the wheel scrolls; during the preview nothing zooms, and
    // editing comes back scrolled where it was.
    wheel(120, {}, pointer);
    QCOMPARE(view->scale().factor(), 2.0 / 3.0);
    view->setScale(RenderScale{4, 1});
    view->horizontalScrollBar()->setValue(700);
    m.window->trigger(Item::PrintPreviewItem);
    QVERIFY(m.window->isPreviewShown());
    QWheelEvent event(QPointF(10, 10), QPointF(view->viewport()->mapToGlobal(QPoint(10, 10))),
                      QPoint(), QPoint(0, 120), Qt::NoButton, Qt::ControlModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view->viewport(), &event);
    m.window->trigger(Item::ZoomInItem);
    QCOMPARE(view->scale().factor(), 4.0);
    m.window->print().ToolButton_CloseClick();
    QCOMPARE(view->horizontalScrollBar()->value(), 700);
}

// What changes on screen is painted again: the old and new places of a
// moved part, everything after a new colour or scale.
void PartMoverTest::viewRepaintsWhatChanges()
{
    Moving m;
    m.paste(40, 40, 0xFFFF0000u);
    QVERIFY(QTest::qWaitForWindowExposed(m.window.get()));
    Canvas *canvas = m.canvas();
    struct Painted : QObject {
        QRegion region;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                region += static_cast<QPaintEvent *>(event)->region();
            return false;
        }
    } painted;
    canvas->installEventFilter(&painted);
    const auto after = [&](const std::function<void()> &change) {
        QCoreApplication::processEvents();
        painted.region = QRegion();
        change();
        QCoreApplication::processEvents();
        return painted.region;
    };
    const QRegion moved = after([&] { placeTop(m, QRect(200, 100, 40, 40)); });
    QVERIFY(moved.contains(canvas->canvasRectOf(QRect(0, 0, 40, 40))));
    QVERIFY(moved.contains(canvas->canvasRectOf(QRect(200, 100, 40, 40))));
    QVERIFY(!moved.contains(QPoint(120, 60))); // nothing between the two
    QCOMPARE(after([&] { m.scene().setBackgroundColour(0x00112233); }), QRegion(canvas->rect()));
    m.window->editorView()->setScale(RenderScale{1, 8});
    const QRegion tiny = after([&] { m.scene().SetMonochrome(-1); });
    QVERIFY(tiny.contains(canvas->canvasRectOf(QRect(200, 100, 40, 40))));
}

QTEST_MAIN(PartMoverTest)
#include "tst_partmover.moc"
