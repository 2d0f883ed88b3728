// The main window's menus and the commands that change the scene directly,
// driven through the window's own actions with scripted dialogs.
#include "WindowFixture.h"

#include "app/Canvas.h"
#include "EditHistory.h"
#include "app/MenuTable.h"
#include "SceneTestSupport.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

using namespace zel;
using namespace zel::test;

using zel::test::displayBitmap;
using zel::test::kAqua;
using zel::test::kNavy;

namespace {


QRgb framePixel(const Scene &scene, int index)
{
    return displayBitmap(scene.part(index)).pixel(0, 0);
}

} // namespace

class EditCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void startUpStateOfEveryItem_data();
    void startUpStateOfEveryItem();
    void windowIsPlacedWithItsFrame();
    void captionsAndShortcuts();
    void menusOpenedWithAndWithoutParts();
    void hintsGoToPanelZero();
    void pasteUndoRedo();
    void pasteWithoutBitmapDoesNothing();
    void cutThenUndoRestoresPartAndFrames();
    void deleteLeavesClipboardAlone();
    void clickingAPartUnderOthersSelectsIt();
    void togglesWithEmptyScene();
    void monochromeThenGrayscaleCaptions();
    void backgroundColourAlwaysRecords();
    void shortcutsRespectPreconditions();
    void shortcutsWorkBeforeMenusOpen();
    void newEntryDiscardsRedo();
    void fitPartToBackground_data();
    void fitPartToBackground();
};

void EditCommandsTest::startUpStateOfEveryItem_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("checked");
    const QList<Item> enabled = {Item::OpenItem, Item::PageSetupItem, Item::ExitItem,
                                 Item::PasteFromFileItem, Item::SelectItem,
                                 Item::TransparentModeItem, Item::SizeItem, Item::BKColorItem,
                                 Item::ZoomInItem, Item::ZoomOutItem, Item::ActualSizeItem,
                                 Item::FitWindowItem, Item::AboutItem};
    for (int i = 0; i < kItemCount; ++i)
        QTest::newRow(itemName(Item(i))) << i << enabled.contains(Item(i))
                                         << (Item(i) == Item::TransparentModeItem);
}

void EditCommandsTest::windowIsPlacedWithItsFrame()
{
    // 607 x 506 frame included (the offscreen platform frames windows with
    // two pixels a side), centred on the screen's available area.
    WindowFixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QCOMPARE(f.window->frameGeometry().size(), QSize(607, 506));
    QVERIFY(f.window->size() != QSize(607, 506));
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY((f.window->frameGeometry().center() - available.center()).manhattanLength() <= 2);
}

void EditCommandsTest::startUpStateOfEveryItem()
{
    QFETCH(int, item);
    QFETCH(bool, enabled);
    QFETCH(bool, checked);
    WindowFixture f;
    QAction *action = f.window->action(Item(item));
    QVERIFY(action);
    QCOMPARE(action->isEnabled(), enabled);
    QCOMPARE(action->isChecked(), checked);
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Zelvane - (無題)"));
    QCOMPARE(f.window->statusPanel(1)->text(), QString());
}

void EditCommandsTest::captionsAndShortcuts()
{
    WindowFixture f;
    QCOMPARE(f.window->menu("FileItem")->title(), QStringLiteral("ﾌｧｲﾙ(&F)"));
    QCOMPARE(f.window->menu("EditItem")->title(), QStringLiteral("部品(&E)"));
    QCOMPARE(f.window->menu("PictureItem")->title(), QStringLiteral("画像(&B)"));
    QCOMPARE(f.window->menu("ViewItem")->title(), QStringLiteral("表示(&V)"));
    QCOMPARE(f.window->menu("HelpItem")->title(), QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    // The view menu stands between the picture and help menus.
    const QList<QAction *> bar = f.window->menuBar()->actions();
    QCOMPARE(bar.size(), 5);
    QCOMPARE(bar[3]->menu(), f.window->menu("ViewItem"));
    const QList<QAction *> view = f.window->menu("ViewItem")->actions();
    QCOMPARE(view.size(), 4);
    const QStringList viewCaptions = {QStringLiteral("拡大(&I)"), QStringLiteral("縮小(&O)"),
                                      QStringLiteral("実寸表示(&A)"),
                                      QStringLiteral("ｳｨﾝﾄﾞｳに合わせる(&W)")};
    const QList<QKeySequence> viewKeys = {QKeySequence(Qt::CTRL | Qt::Key_Plus),
                                          QKeySequence(Qt::CTRL | Qt::Key_Minus),
                                          QKeySequence(Qt::CTRL | Qt::Key_0),
                                          QKeySequence(Qt::CTRL | Qt::Key_9)};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(view[i]->text(), viewCaptions[i]);
        QCOMPARE(view[i]->shortcut(), viewKeys[i]);
        QVERIFY(!view[i]->statusTip().isEmpty());
    }
    QCOMPARE(f.window->action(Item::FitPartItem)->text(), QStringLiteral("背景に合わせる(&B)"));
    QCOMPARE(f.window->action(Item::SaveBitmapItem)->text(),
             QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟとしてﾌｧｲﾙに保存(&S)..."));
    QCOMPARE(f.window->action(Item::UndoItem)->text(), QStringLiteral("元に戻す(&U)"));
    QCOMPARE(f.window->action(Item::ExitItem)->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F4));
    QCOMPARE(f.window->action(Item::ClearItem)->shortcut(), QKeySequence(Qt::Key_Delete));
    QCOMPARE(f.window->action(Item::RedoItem)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Y));
    QVERIFY(f.window->action(Item::SaveAsItem)->shortcut().isEmpty());
    // Separators stand where the menu table has them.
    const QList<QAction *> file = f.window->menu("FileItem")->actions();
    QCOMPARE(file.size(), 10);
    QVERIFY(file[4]->isSeparator());
    QVERIFY(file[8]->isSeparator());
    const QList<QAction *> edit = f.window->menu("EditItem")->actions();
    QCOMPARE(edit.size(), 18);
    QCOMPARE(edit[13], f.window->action(Item::PartSizeItem));
    QCOMPARE(edit[14], f.window->action(Item::FitPartItem));
    QVERIFY(edit[2]->isSeparator() && edit[8]->isSeparator() && edit[10]->isSeparator()
            && edit[12]->isSeparator());
}

void EditCommandsTest::menusOpenedWithAndWithoutParts()
{
    WindowFixture f;
    f.openMenus();
    for (Item item : {Item::NewItem, Item::SaveItem, Item::SaveAsItem, Item::PrintPreviewItem,
                      Item::PrintItem, Item::UndoItem, Item::RedoItem, Item::PasteItem,
                      Item::SelectItem, Item::SaveBitmapItem, Item::SaveClipboardItem})
        QVERIFY2(!f.window->action(item)->isEnabled(), itemName(item));
    QCOMPARE(f.window->action(Item::UndoItem)->text(), QStringLiteral("元に戻す(&U) "));
    QCOMPARE(f.window->action(Item::RedoItem)->text(), QStringLiteral("やり直し(&R) "));
    QVERIFY(f.window->action(Item::TransparentModeItem)->isEnabled());
    QVERIFY(f.window->action(Item::TransparentModeItem)->isChecked());

    f.paste(20, 10, 0xFF336699u);
    f.clipboard.image = QImage();
    f.openMenus();
    for (Item item : {Item::NewItem, Item::SaveItem, Item::SaveAsItem, Item::PrintPreviewItem,
                      Item::PrintItem, Item::UndoItem, Item::SelectItem, Item::SaveBitmapItem,
                      Item::SaveClipboardItem, Item::CutItem, Item::CopyItem, Item::ClearItem,
                      Item::MoveItem, Item::PartSizeItem, Item::MonochromeItem, Item::GrayItem})
        QVERIFY2(f.window->action(item)->isEnabled(), itemName(item));
    QVERIFY(!f.window->action(Item::PasteItem)->isEnabled());
    QVERIFY(!f.window->action(Item::RedoItem)->isEnabled());
    f.clipboard.image = WindowFixture::solid(1, 1, 0xFF000000u);
    f.window->EditItemClick();
    QVERIFY(f.window->action(Item::PasteItem)->isEnabled());
}

void EditCommandsTest::hintsGoToPanelZero()
{
    WindowFixture f;
    QAction *open = f.window->action(Item::OpenItem);
    open->showStatusText(f.window->menuBar());
    QCOMPARE(f.window->statusPanel(0)->text(), QStringLiteral("既存のﾌｧｲﾙを開きます。"));
    QCOMPARE(f.window->statusBar()->currentMessage(), QString());
    f.window->action(Item::ExitItem)->showStatusText(f.window->menuBar());
    QCOMPARE(f.window->statusPanel(0)->text(), QStringLiteral("Zelvaneを終了します。"));
    // An item without a hint empties the panel.
    f.window->action(Item::MoveItem)->showStatusText(f.window->menuBar());
    QCOMPARE(f.window->statusPanel(0)->text(), QString());
    QCOMPARE(shortHint(QStringLiteral("short|long")), QStringLiteral("short"));
}

void EditCommandsTest::pasteUndoRedo()
{
    WindowFixture f;
    f.paste(100, 50, 0xFF102030u);
    QCOMPARE(f.scene().count(), 1);
    QCOMPARE(f.scene().part(0).Image->bounds(), QRect(0, 0, 100, 50));
    QCOMPARE(f.scene().part(0).Transparent, 1);
    QCOMPARE(f.scene().part(0).Monochrome, 0);
    QCOMPARE(f.window->statusPanel(1)->text(), QStringLiteral("(0, 0, 100, 50)"));
    QCOMPARE(f.history().count(), 1);
    f.window->EditItemClick();
    QCOMPARE(f.window->action(Item::UndoItem)->text(), QStringLiteral("元に戻す(&U) 貼り付け"));

    f.window->trigger(Item::UndoItem);
    QCOMPARE(f.scene().count(), 0);
    QCOMPARE(f.window->statusPanel(1)->text(), QString());
    QVERIFY(!f.window->action(Item::CutItem)->isEnabled());
    f.window->EditItemClick();
    QCOMPARE(f.window->action(Item::RedoItem)->text(), QStringLiteral("やり直し(&R) 貼り付け"));
    QVERIFY(!f.window->action(Item::UndoItem)->isEnabled());

    f.window->trigger(Item::RedoItem);
    QCOMPARE(f.scene().count(), 1);
    QCOMPARE(f.scene().part(0).Image->bounds(), QRect(0, 0, 100, 50));
    QCOMPARE(f.scene().SelectedIndex(), 0);
    QCOMPARE(f.history().count(), 1);
    QCOMPARE(f.history().HistoryPos(), 1);
    QCOMPARE(f.scene().part(0).Source.image.pixel(5, 5), 0xFF102030u);
}

void EditCommandsTest::pasteWithoutBitmapDoesNothing()
{
    WindowFixture f;
    f.window->trigger(Item::PasteItem);
    QCOMPARE(f.scene().count(), 0);
    QCOMPARE(f.history().count(), 0);
}

void EditCommandsTest::cutThenUndoRestoresPartAndFrames()
{
    WindowFixture f;
    f.paste(40, 30, 0xFF0000FFu);  // A
    f.paste(60, 20, 0xFF00FF00u);  // B, on top
    f.scene().part(0).Image->setBounds(QRect(7, 9, 30, 20)); // displayed smaller than its source
    f.scene().FrameSelectedPart();
    f.window->trigger(Item::MonochromeItem);
    f.window->trigger(Item::CutItem);

    QCOMPARE(f.clipboard.image.size(), QSize(30, 20));
    QCOMPARE(f.clipboard.image.pixel(3, 3), 0xFF00FF00u); // source pixels, flags not applied
    QCOMPARE(f.scene().count(), 1);
    QCOMPARE(framePixel(f.scene(), 0), kAqua);
    QCOMPARE(f.history().entry(f.history().count() - 1).Type, quint8(CutEntry));

    f.window->trigger(Item::UndoItem);
    QCOMPARE(f.scene().count(), 2);
    QCOMPARE(f.scene().part(0).Image->bounds(), QRect(7, 9, 30, 20));
    QVERIFY(f.scene().part(0).Monochrome != 0);
    QCOMPARE(f.scene().part(0).Transparent, 1);
    QCOMPARE(framePixel(f.scene(), 0), kAqua);
    QCOMPARE(framePixel(f.scene(), 1), kNavy);
    QVERIFY(f.window->action(Item::MonochromeItem)->isChecked());
    QCOMPARE(f.window->statusPanel(1)->text(), QStringLiteral("(7, 9, 30, 20)"));
}

void EditCommandsTest::deleteLeavesClipboardAlone()
{
    WindowFixture f;
    f.paste(10, 10, 0xFFFF0000u);
    const QImage before = f.clipboard.image;
    const int writes = f.clipboard.writes;
    f.window->trigger(Item::ClearItem);
    QCOMPARE(f.scene().count(), 0);
    QCOMPARE(f.clipboard.writes, writes);
    QCOMPARE(f.clipboard.image, before);
    QCOMPARE(f.history().entry(1).Type, quint8(DeleteEntry));
    QVERIFY(!f.window->action(Item::SaveBitmapItem)->isEnabled());
    QVERIFY(f.window->action(Item::TransparentModeItem)->isEnabled());
    f.window->trigger(Item::UndoItem);
    QCOMPARE(f.scene().count(), 1);
    QCOMPARE(f.scene().part(0).Source.image.pixel(0, 0), 0xFFFF0000u);
}

void EditCommandsTest::clickingAPartUnderOthersSelectsIt()
{
    WindowFixture f;
    f.paste(50, 50, 0xFFFF0000u);  // will be index 2
    f.paste(10, 10, 0xFF00FF00u);
    f.scene().part(0).Image->setBounds(QRect(100, 100, 10, 10));
    f.paste(10, 10, 0xFF0000FFu);
    f.scene().part(0).Image->setBounds(QRect(200, 0, 10, 10));
    PartView *red = f.scene().part(2).Image.get();
    const int entries = f.history().count();

    QTest::mouseClick(f.window->canvas(), Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(f.scene().part(0).Image.get(), red);
    QCOMPARE(f.history().count(), entries + 1);
    QCOMPARE(f.history().entry(entries).Type, quint8(SelectEntry));
    QCOMPARE(f.history().entry(entries).Value1, 2);
    QCOMPARE(f.scene().stacking().back(), red);
    f.window->EditItemClick();
    QCOMPARE(f.window->action(Item::UndoItem)->text(), QStringLiteral("元に戻す(&U) 選択"));

    // Clicking the selected part again records nothing; a right click selects nothing.
    QTest::mouseClick(f.window->canvas(), Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(f.history().count(), entries + 1);
    QTest::mouseClick(f.window->canvas(), Qt::RightButton, {}, QPoint(105, 105));
    QCOMPARE(f.history().count(), entries + 1);
    QCOMPARE(f.scene().part(0).Image.get(), red);

    f.window->trigger(Item::UndoItem);
    QCOMPARE(f.scene().part(2).Image.get(), red);
    QCOMPARE(f.scene().stacking().front(), red);
}

void EditCommandsTest::togglesWithEmptyScene()
{
    WindowFixture f;
    f.window->trigger(Item::TransparentModeItem);
    QVERIFY(!f.window->action(Item::TransparentModeItem)->isChecked());
    QCOMPARE(f.history().count(), 1);
    QCOMPARE(f.history().entry(0).Type, quint8(TransparentModeEntry));
    QCOMPARE(f.history().entry(0).Value1, -1);
    f.window->EditItemClick();
    QCOMPARE(f.window->action(Item::UndoItem)->text(),
             QStringLiteral("元に戻す(&U) 透過ﾓｰﾄﾞ ｵﾌ"));
    f.window->trigger(Item::UndoItem);
    QVERIFY(f.window->action(Item::TransparentModeItem)->isChecked());
    QCOMPARE(f.scene().count(), 0);

    // Monochrome and grayscale need a part.
    f.window->trigger(Item::MonochromeItem);
    f.window->trigger(Item::GrayItem);
    QCOMPARE(f.history().count(), 1);
    QVERIFY(!f.window->action(Item::MonochromeItem)->isChecked());
}

void EditCommandsTest::monochromeThenGrayscaleCaptions()
{
    WindowFixture f;
    f.paste(4, 4, qRgb(200, 100, 0)); // sum 300: black in monochrome, 100 in gray
    f.window->trigger(Item::MonochromeItem);
    f.window->trigger(Item::GrayItem);
    QCOMPARE(displayBitmap(f.scene().part(0)).pixel(1, 1), qRgb(0, 0, 0));
    f.window->trigger(Item::MonochromeItem);
    QCOMPARE(displayBitmap(f.scene().part(0)).pixel(1, 1), qRgb(100, 100, 100));
    f.window->EditItemClick();
    QCOMPARE(f.window->action(Item::UndoItem)->text(), QStringLiteral("元に戻す(&U) ﾓﾉｸﾛ ｵﾌ"));
    f.window->trigger(Item::UndoItem);
    f.window->EditItemClick();
    QCOMPARE(f.window->action(Item::UndoItem)->text(), QStringLiteral("元に戻す(&U) ｸﾞﾚｲｽｹｰﾙ"));
    QCOMPARE(f.window->action(Item::RedoItem)->text(), QStringLiteral("やり直し(&R) ﾓﾉｸﾛ ｵﾌ"));
    QVERIFY(f.window->action(Item::MonochromeItem)->isChecked());
    QVERIFY(f.window->action(Item::GrayItem)->isChecked());
    QCOMPARE(displayBitmap(f.scene().part(0)).pixel(1, 1), qRgb(0, 0, 0));
}

void EditCommandsTest::backgroundColourAlwaysRecords()
{
    WindowFixture f;
    f.dialogs.colours.push_back(Colour(0x00FFFFFF));
    f.dialogs.colours.push_back(Colour(0x000000FF));
    f.dialogs.colours.push_back(std::nullopt);
    f.window->trigger(Item::BKColorItem);
    QCOMPARE(f.history().count(), 1); // unchanged colour still records
    f.window->trigger(Item::BKColorItem);
    QCOMPARE(f.scene().backgroundColour(), Colour(0x000000FF));
    QCOMPARE(f.window->canvas()->grabArea(QRect(0, 0, 1, 1)).pixel(0, 0), qRgb(255, 0, 0));
    f.window->trigger(Item::BKColorItem); // cancelled
    QCOMPARE(f.history().count(), 2);
    QCOMPARE(f.dialogs.colourPresets,
             (QList<Colour>{0x00FFFFFF, 0x00FFFFFF, 0x000000FF}));
    f.window->trigger(Item::UndoItem);
    QCOMPARE(f.scene().backgroundColour(), Colour(0x00FFFFFF));
}

void EditCommandsTest::shortcutsRespectPreconditions()
{
    WindowFixture f;
    // Nothing to act on: none of these may change anything or crash.
    for (Item item : {Item::UndoItem, Item::RedoItem, Item::CutItem, Item::CopyItem,
                      Item::ClearItem, Item::PasteItem, Item::NewItem, Item::SaveItem,
                      Item::SaveAsItem, Item::SaveBitmapItem, Item::SaveClipboardItem,
                      Item::MonochromeItem, Item::GrayItem})
        f.window->trigger(item);
    QCOMPARE(f.history().count(), 0);
    QCOMPARE(f.clipboard.writes, 0);
    QVERIFY(f.dialogs.fileRequests.isEmpty());
}

void EditCommandsTest::shortcutsWorkBeforeMenusOpen()
{
    WindowFixture f;
    f.window->show();
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.clipboard.image = WindowFixture::solid(8, 6, qRgb(0, 0, 255));
    QTest::keyClick(f.window.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.scene().count(), 1);
    QTest::keyClick(f.window.get(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(f.scene().isEmpty());
    QTest::keyClick(f.window.get(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(f.scene().count(), 1);
    QCOMPARE(f.history().HistoryPos(), 1);
}

void EditCommandsTest::newEntryDiscardsRedo()
{
    WindowFixture f;
    f.paste(5, 5, 0xFF000000u);
    f.window->trigger(Item::MonochromeItem);
    f.window->trigger(Item::GrayItem);
    f.window->trigger(Item::TransparentModeItem);
    f.window->trigger(Item::UndoItem);
    f.window->trigger(Item::UndoItem);
    f.window->trigger(Item::UndoItem);
    QCOMPARE(f.history().HistoryPos(), 1);
    f.window->trigger(Item::ClearItem);
    QCOMPARE(f.history().count(), 2);
    f.window->EditItemClick();
    QVERIFY(!f.window->action(Item::RedoItem)->isEnabled());
}

void EditCommandsTest::fitPartToBackground_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QSize>("shown");
    QTest::addColumn<QSize>("fitted"); // on the 514 x 386 background
    QTest::newRow("photo, wider than the background") << QSize(4000, 3000) << QSize(4000, 3000)
                                                      << QSize(514, 385);
    QTest::newRow("portrait, height bound") << QSize(3000, 4000) << QSize(30, 40)
                                            << QSize(289, 386);
    QTest::newRow("small, shown enlarged wrongly") << QSize(20, 10) << QSize(5, 90)
                                                   << QSize(514, 257);
    QTest::newRow("same proportions as the background") << QSize(257, 193) << QSize(1, 1)
                                                        << QSize(514, 386);
    QTest::newRow("a thread, never below one pixel") << QSize(1, 2000) << QSize(1, 2000)
                                                     << QSize(1, 386);
}

void EditCommandsTest::fitPartToBackground()
{
    QFETCH(QSize, source);
    QFETCH(QSize, shown);
    QFETCH(QSize, fitted);
    WindowFixture f;
    f.window->trigger(Item::FitPartItem); // nothing selected: nothing to do
    QCOMPARE(f.history().count(), 0);
    f.paste(source.width(), source.height(), 0xFF808080u);
    f.scene().part(0).Image->setBounds(QRect(QPoint(-40, 700), shown));
    QVERIFY(f.window->action(Item::FitPartItem)->isEnabled());
    f.window->trigger(Item::FitPartItem);
    // By size alone: the place stays, whatever it is.
    QCOMPARE(f.scene().part(0).Image->bounds(), QRect(QPoint(-40, 700), fitted));
    QCOMPARE(f.history().count(), 2);
    const HistoryEntry &entry = f.history().entry(1);
    QCOMPARE(int(entry.Type), int(PartSizeEntry));
    QCOMPARE(QList<int>({entry.Value1, entry.Value2, entry.Value3, entry.Value4}),
             QList<int>({shown.width(), shown.height(), fitted.width(), fitted.height()}));
    f.window->EditItemClick();
    QCOMPARE(f.window->action(Item::UndoItem)->text(), QStringLiteral("元に戻す(&U) 部品ｻｲｽﾞ"));
    f.window->trigger(Item::UndoItem);
    QCOMPARE(f.scene().part(0).Image->bounds(), QRect(QPoint(-40, 700), shown));
    f.window->trigger(Item::RedoItem);
    QCOMPARE(f.scene().part(0).Image->bounds(), QRect(QPoint(-40, 700), fitted));
    f.window->trigger(Item::ClearItem);
    QVERIFY(!f.window->action(Item::FitPartItem)->isEnabled());
}

QTEST_MAIN(EditCommandsTest)
#include "tst_editcommands.moc"
