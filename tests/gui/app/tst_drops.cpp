// Files dropped onto the window from a file manager.
#include "WindowFixture.h"

#include "EditHistory.h"
#include "app/Canvas.h"
#include "app/EditorView.h"

#include <QLabel>
#include <QScrollBar>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

using namespace zel;
using namespace zel::test;

class DropsTest : public QObject
{
    Q_OBJECT

private slots:
    void picturesArePastedEach_data();
    void picturesArePastedEach();
    void documentAsksWhenModified();
    void otherFilesAreRefused_data();
    void otherFilesAreRefused();
    void refusedDuringKeyboardMove();
    void droppedBesideTheBackground();

private:
    static bool enter(MainWindow &window, QMimeData &data, QPoint at = QPoint(50, 50))
    {
        QDragEnterEvent event(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&window, &event);
        return event.isAccepted();
    }
    // A drop always follows the drag's entering the window.
    static void drop(MainWindow &window, QMimeData &data, QPoint at = QPoint(50, 50))
    {
        enter(window, data, at);
        QDropEvent event(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&window, &event);
    }
    static QMimeData *files(const QStringList &paths)
    {
        auto *data = new QMimeData;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        data->setUrls(urls);
        return data;
    }
    QTemporaryDir m_dir;
};

void DropsTest::picturesArePastedEach_data()
{
    QTest::addColumn<qint64>("num");
    QTest::addColumn<qint64>("den");
    QTest::addColumn<QPoint>("at");
    QTest::newRow("100 %") << qint64(1) << qint64(1) << QPoint(37, 25);
    QTest::newRow("50 %, far down the background") << qint64(1) << qint64(2) << QPoint(301, 243);
    QTest::newRow("300 %") << qint64(3) << qint64(1) << QPoint(60, 40);
}

void DropsTest::picturesArePastedEach()
{
    QFETCH(qint64, num);
    QFETCH(qint64, den);
    QFETCH(QPoint, at);
    const QString a = m_dir.filePath(QStringLiteral("a.bmp"));
    const QString b = m_dir.filePath(QStringLiteral("B.BMP"));
    QVERIFY(WindowFixture::solid(20, 10, qRgb(255, 0, 0)).save(a, "BMP"));
    QVERIFY(WindowFixture::solid(30, 40, qRgb(0, 0, 255)).save(b, "BMP"));
    WindowFixture f;
    f.window->show();
    f.window->editorView()->setScale(RenderScale::of(num, den), QPoint(0, 0));
    Canvas *canvas = f.window->canvas();
    const QPoint point = canvas->mapTo(f.window.get(), canvas->canvasPointOf(at));
    std::unique_ptr<QMimeData> data(files({a, b}));
    QVERIFY(enter(*f.window, *data, point));
    drop(*f.window, *data, point);
    QCOMPARE(f.scene().count(), 2);
    // Each lands with its top-left at the drop point, in background pixels.
    QCOMPARE(f.scene().part(0).Image->bounds(), QRect(at, QSize(30, 40)));
    QCOMPARE(f.scene().part(1).Image->bounds(), QRect(at, QSize(20, 10)));
    QCOMPARE(f.history().entry(0).Value1, at.x());
    QCOMPARE(f.history().entry(0).Value2, at.y());
    QCOMPARE(f.scene().part(0).Transparent, 1);
    QCOMPARE(f.history().count(), 2);
    QCOMPARE(f.history().entry(1).Type, quint8(PasteEntry));
    f.window->trigger(Item::UndoItem);
    f.window->trigger(Item::RedoItem);
    QCOMPARE(f.scene().part(0).Image->bounds(), QRect(at, QSize(30, 40)));

    // A part that comes in outside the scrolled view is brought into it.
    QScrollBar *across = f.window->editorView()->horizontalScrollBar();
    across->setValue(across->maximum());
    f.paste(5, 5, 0xFF00FF00u);
    QCOMPARE(across->value(), 0);
}

void DropsTest::documentAsksWhenModified()
{
    const QString doc = m_dir.filePath(QStringLiteral("drop.bmh"));
    {
        WindowFixture f;
        f.paste(12, 12, 0xFF00FF00u);
        f.dialogs.files.push_back(doc);
        f.window->trigger(Item::SaveAsItem);
    }
    WindowFixture f;
    f.paste(5, 5, 0xFF000000u);
    std::unique_ptr<QMimeData> data(files({doc}));
    QVERIFY(enter(*f.window, *data));
    drop(*f.window, *data); // the prompt is cancelled: nothing changes
    QCOMPARE(f.dialogs.questions.size(), 1);
    QCOMPARE(f.scene().part(0).Image->bounds(), QRect(0, 0, 5, 5));
    f.dialogs.answers.push_back(Answer::No);
    drop(*f.window, *data);
    QCOMPARE(f.dialogs.questions.size(), 2);
    QVERIFY2(f.dialogs.messages.isEmpty(), qPrintable(f.dialogs.messages.join(QLatin1Char('\n'))));
    QCOMPARE(f.scene().count(), 1);
    QCOMPARE(f.scene().part(0).Image->bounds(), QRect(0, 0, 12, 12));
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Zelvane - ") + doc);
    QCOMPARE(f.history().count(), 0);
}

void DropsTest::otherFilesAreRefused_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::newRow("gif") << QStringList{QStringLiteral("x.gif")};
    QTest::newRow("picture and gif") << QStringList{QStringLiteral("a.bmp"), QStringLiteral("x.gif")};
    QTest::newRow("two documents") << QStringList{QStringLiteral("a.BMH"), QStringLiteral("b.BMH")};
    QTest::newRow("document and picture") << QStringList{QStringLiteral("a.BMH"), QStringLiteral("a.bmp")};
}

void DropsTest::otherFilesAreRefused()
{
    QFETCH(QStringList, names);
    QStringList paths;
    for (const QString &name : names)
        paths << m_dir.filePath(name);
    WindowFixture f;
    std::unique_ptr<QMimeData> data(files(paths));
    QVERIFY(!enter(*f.window, *data));
    drop(*f.window, *data);
    QCOMPARE(f.scene().count(), 0);
    QVERIFY(f.dialogs.errors.isEmpty());
}

void DropsTest::refusedDuringKeyboardMove()
{
    const QString a = m_dir.filePath(QStringLiteral("moving.bmp"));
    QVERIFY(WindowFixture::solid(20, 10, qRgb(255, 0, 0)).save(a, "BMP"));
    WindowFixture f;
    f.paste(31, 40, 0xFF00FF00u);
    f.window->trigger(Item::MoveItem);
    QVERIFY(f.window->mover().Dragging());
    std::unique_ptr<QMimeData> data(files({a}));
    QVERIFY(!enter(*f.window, *data));
    drop(*f.window, *data);
    QCOMPARE(f.scene().count(), 1);
    QCOMPARE(f.scene().part(0).Image->bounds(), QRect(0, 0, 31, 40));
}

// On the status bar or the grey beyond the background: the part lands on
// the nearest point of the background the window shows.
void DropsTest::droppedBesideTheBackground()
{
    const QString a = m_dir.filePath(QStringLiteral("side.bmp"));
    QVERIFY(WindowFixture::solid(20, 10, qRgb(255, 0, 0)).save(a, "BMP"));
    WindowFixture f;
    f.window->show();
    std::unique_ptr<QMimeData> data(files({a}));
    Canvas *canvas = f.window->canvas();
    const QPoint below = f.window->statusPanel(0)->mapTo(f.window.get(), QPoint(40, 5));
    drop(*f.window, *data, below);
    QCOMPARE(f.scene().part(0).Image->bounds().topLeft(),
             QPoint(canvas->mapFrom(f.window.get(), below).x(), 385));
    const QPoint right = canvas->mapTo(f.window.get(), QPoint(canvas->width() + 40, 30));
    drop(*f.window, *data, right);
    QCOMPARE(f.scene().part(0).Image->bounds().topLeft(), QPoint(513, 30));
}

QTEST_MAIN(DropsTest)
#include "tst_drops.moc"
