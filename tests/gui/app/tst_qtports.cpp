// The window's real Qt ports, which the scripted ones stand in for
// everywhere else: how Qt sees the filters, the close prompt's box, Qt's
// buttons in Japanese, and the menus recomputing their items as they open.
#include "WindowFixture.h"

#include "app/QtPorts.h"
#include "app/Translation.h"

#include "document/DocumentCommands.h"
#include "imaging/JpegCodec.h"
#include "imaging/PictureCommands.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
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
    void clipboardJpegComesInUpright();
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

    // The recovery offer: Yes and No alone, Yes the default, no icon;
    // Escape answers No.
    seen.clear();
    QTimer::singleShot(0, [&seen] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen << box->windowTitle() << box->text() << QString::number(int(box->icon()));
        for (QAbstractButton *button : box->buttons())
            seen << button->text();
        seen << box->defaultButton()->text();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    const QString offer = QStringLiteral("前回、保存されずに終了した作業があります。\r\n復元しますか？");
    QCOMPARE(dialogs.askYesNo(QStringLiteral("Zelvane"), offer), Answer::No);
    QCOMPARE(seen, (QStringList{QStringLiteral("Zelvane"), offer, QString::number(int(QMessageBox::NoIcon)),
                                QStringLiteral("はい(&Y)"), QStringLiteral("いいえ(&N)"),
                                QStringLiteral("はい(&Y)")}));
    QTimer::singleShot(0, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            QTest::keyClick(box, Qt::Key_Return);
    });
    QCOMPARE(dialogs.askYesNo(QStringLiteral("Zelvane"), offer), Answer::Yes);

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

// A phone's photo on the clipboard as image/jpeg alone: our decoder reads
// it, upright by its EXIF Orientation; beside a PNG, Qt's PNG counts.
void QtPortsTest::clipboardJpegComesInUpright()
{
    QImage stored(32, 16, QImage::Format_RGB32); // red on the left, blue on the right
    stored.fill(qRgb(230, 20, 20));
    for (int y = 0; y < 16; ++y)
        for (int x = 16; x < 32; ++x)
            stored.setPixel(x, y, qRgb(20, 20, 230));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString error;
    QVERIFY2(encodeJpeg(buffer, stored, &error), qPrintable(error));
    // APP1 with a big-endian EXIF block: Orientation 6, rotate 90 clockwise.
    const QByteArray exif("\xFF\xE1\x00\x22" "Exif\0\0" "MM\0\x2A\0\0\0\x08" "\0\x01"
                          "\x01\x12\0\x03\0\0\0\x01\0\x06\0\0" "\0\0\0\0", 36);
    const QByteArray jpeg = buffer.data().left(2) + exif + buffer.data().mid(2);

    auto *offer = new QMimeData;
    offer->setData(QStringLiteral("image/jpeg"), jpeg);
    QGuiApplication::clipboard()->setMimeData(offer);
    QtClipboard clipboard;
    QVERIFY(clipboard.hasBitmap());
    const QImage upright = clipboard.bitmap();
    QCOMPARE(upright.size(), QSize(16, 32));
    const auto near = [](QRgb p, QRgb q) {
        return std::abs(qRed(p) - qRed(q)) <= 8 && std::abs(qGreen(p) - qGreen(q)) <= 8
            && std::abs(qBlue(p) - qBlue(q)) <= 8;
    };
    QVERIFY(near(upright.pixel(8, 8), qRgb(230, 20, 20)));  // the left is now the top
    QVERIFY(near(upright.pixel(8, 24), qRgb(20, 20, 230)));

    QImage green(5, 3, QImage::Format_RGB32);
    green.fill(qRgb(0, 200, 0));
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    QVERIFY(green.save(&png, "PNG"));
    offer = new QMimeData; // as Qt offers a picture: the image, and the PNG it makes
    offer->setImageData(green);
    offer->setData(QStringLiteral("image/png"), png.data());
    offer->setData(QStringLiteral("image/jpeg"), jpeg);
    QGuiApplication::clipboard()->setMimeData(offer);
    QCOMPARE(clipboard.bitmap().size(), QSize(5, 3));

    offer = new QMimeData;
    offer->setData(QStringLiteral("image/jpeg"), QByteArray("not a JPEG"));
    QGuiApplication::clipboard()->setMimeData(offer);
    QVERIFY(clipboard.bitmap().isNull()); // nothing to paste, no failure
}

QTEST_MAIN(QtPortsTest)
#include "tst_qtports.moc"
