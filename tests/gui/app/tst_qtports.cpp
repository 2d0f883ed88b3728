// The window's real Qt ports, which the scripted ones stand in for
// everywhere else: how Qt sees the filters, the close prompt's box, Qt's
// buttons in Japanese, and the menus recomputing their items as they open.
#include "WindowFixture.h"

#include "app/QtPorts.h"
#include "app/Translation.h"

#include "document/DocumentCommands.h"
#include "imaging/PictureCommands.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace zel;
using namespace zel::test;

class QtPortsTest : public QObject
{
    Q_OBJECT
private slots:
    void realPorts();
};

void QtPortsTest::realPorts()
{
    QCOMPARE(QtDialogs::qtFilter(QString::fromUtf8(kDocumentFilter)),
             QStringLiteral("Zelvaneﾌｧｲﾙ(*.BMH)"));
    QCOMPARE(QtDialogs::qtFilter(QString::fromUtf8(kOpenPictureFilter)),
             QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟ･JPEGｲﾒｰｼﾞ (*.bmp *.jpg *.jpeg *.png);;ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp);;JPEGｲﾒｰｼﾞ (*.jpg *.jpeg);;PNGｲﾒｰｼﾞ (*.png)"));
    QCOMPARE(QtDialogs::qtFilter(QString::fromUtf8(kSavePictureFilter)),
             QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp);;JPEGｲﾒｰｼﾞ (*.jpg *.jpeg)"));

    // The close prompt: Yes, No and Cancel in Japanese, Yes the default,
    // no icon; the answer is the button pressed.
    QVERIFY(installJapaneseTranslation(*qApp));
    QWidget owner;
    QtDialogs dialogs(&owner);
    QStringList seen;
    QTimer::singleShot(0, [&seen] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen << box->windowTitle() << box->text() << QString::number(int(box->icon()));
        for (auto button : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
            seen << box->button(button)->text();
        seen << box->defaultButton()->text();
        box->button(QMessageBox::No)->click();
    });
    QCOMPARE(dialogs.askYesNoCancel(QStringLiteral("Zelvane"), QStringLiteral("編集されています。\r\n保存しますか？")),
             Answer::No);
    QCOMPARE(seen, (QStringList{QStringLiteral("Zelvane"), QStringLiteral("編集されています。\r\n保存しますか？"),
                                QString::number(int(QMessageBox::NoIcon)), QStringLiteral("はい(&Y)"),
                                QStringLiteral("いいえ(&N)"), QStringLiteral("キャンセル"),
                                QStringLiteral("はい(&Y)")}));

    // Each menu works out its items as it opens.
    WindowFixture f;
    f.paste(3, 3, 0xFF000000u);
    QVERIFY(!f.window->action(Item::SaveItem)->isEnabled());
    QVERIFY(!f.window->action(Item::UndoItem)->isEnabled());
    QVERIFY(!f.window->action(Item::SaveBitmapItem)->isEnabled());
    for (const char *menu : {"FileItem", "EditItem", "PictureItem"})
        emit f.window->menu(menu)->aboutToShow();
    QVERIFY(f.window->action(Item::SaveItem)->isEnabled());
    QVERIFY(f.window->action(Item::UndoItem)->isEnabled());
    QCOMPARE(f.window->action(Item::UndoItem)->text(), QStringLiteral("元に戻す(&U) 貼り付け"));
    QVERIFY(f.window->action(Item::SaveBitmapItem)->isEnabled());
}

QTEST_MAIN(QtPortsTest)
#include "tst_qtports.moc"
