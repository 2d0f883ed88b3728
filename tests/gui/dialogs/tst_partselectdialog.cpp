// The part selection dialog: its rows, the live preview, and what OK and
// the other ways of closing leave in the scene and the history.

#include "DialogTestSupport.h"
#include "dialogs/Fonts.h"
#include "dialogs/PartSelectDialog.h"
#include "SceneTestSupport.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace zel;
using namespace zel::test;

using zel::test::displayBitmap;
using zel::test::kAqua;
using zel::test::kNavy;

namespace {


// Three parts; the top one was inserted last. Returns the part order as
// their source colours, top first.
QList<QRgb> order(const Scene &scene)
{
    QList<QRgb> colours;
    for (int i = 0; i < scene.count(); ++i)
        colours << scene.part(i).Source.image.pixel(0, 0);
    return colours;
}

QList<QRgb> stackingFrontFirst(const Scene &scene)
{
    QList<QRgb> colours;
    for (auto it = scene.stacking().rbegin(); it != scene.stacking().rend(); ++it)
        colours << scene.part(scene.indexOf(*it)).Source.image.pixel(0, 0);
    return colours;
}

const QRgb kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu;

void fillThree(SceneFixture &f)
{
    f.addPart(0, 0, 30, 30, 30, 30, kBlue);   // ends at index 2
    f.addPart(5, 5, 30, 30, 60, 60, kGreen);  // index 1
    f.addPart(10, 10, 30, 30, 90, 90, kRed);  // index 0, selected
}

void clickRow(QListWidget *list, int row)
{
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

class PartSelectDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void rowText_data();
    void rowText();
    void layout();
    void listFontIsFixedPitchGothic();

    void rowsAndPreview();
    void okAfterRowTwoRecordsOneEntry();
    void okOnRowZeroRecordsNothing();
    void otherClosesRestoreOrder_data();
    void otherClosesRestoreOrder();
    void previewNeverAccumulates();
    void clickBesideRowsKeepsPreviewAccounted();
    void listEmptiedAndPreviewReset();
    void emptySceneDoesNothing();
};

void PartSelectDialogTest::rowText_data()
{
    QTest::addColumn<QRect>("bounds");
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QString>("text");
    QTest::newRow("example") << QRect(10, 20, 31, 40) << QSize(62, 80)
                             << "(  10,  20,  31,  40)    (  62,  80)";
    QTest::newRow("resized from source") << QRect(10, 20, 40, 40) << QSize(200, 100)
                                         << "(  10,  20,  40,  40)    ( 200, 100)";
    QTest::newRow("negative left") << QRect(-5, -120, 16, 16) << QSize(16, 16)
                                   << "(  -5,-120,  16,  16)    (  16,  16)";
    QTest::newRow("wide numbers") << QRect(-12345, 20, 10000, 40) << QSize(10000, 3)
                                  << "(-12345,  20,10000,  40)    (10000,   3)";
}

void PartSelectDialogTest::rowText()
{
    QFETCH(QRect, bounds);
    QFETCH(QSize, source);
    QFETCH(QString, text);
    SceneFixture f;
    f.scene.InsertPart(bounds.x(), bounds.y(), bounds.width(), bounds.height(),
                       solidBitmap(source.width(), source.height()), 0, 0, 1);
    QCOMPARE(partRowText(f.scene.part(0)), text);

    TForm7 dialog;
    whenModal([&](QDialog &) {
        QCOMPARE(dialog.ListBox1->count(), 1);
        QCOMPARE(dialog.ListBox1->item(0)->text(), text);
    });
    SelectItemClick(f.edit, dialog);
}

void PartSelectDialogTest::layout()
{
    TForm7 d;
    QCOMPARE(d.windowTitle(), QStringLiteral("部品選択"));
    QCOMPARE(d.size(), QSize(301, 300));
    QCOMPARE(d.minimumSize(), d.maximumSize());
    QVERIFY(d.windowFlags() & Qt::WindowCloseButtonHint);
    QCOMPARE(d.font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(d.font().pixelSize(), 13);
    QCOMPARE(d.HeaderControl1->geometry(), QRect(0, 0, 301, 21));
    QCOMPARE(d.HeaderControl1->count(), 2);
    QCOMPARE(d.HeaderControl1->sectionSize(0), 180);
    QCOMPARE(d.HeaderControl1->sectionSize(1), 120);
    QCOMPARE(d.HeaderControl1->model()->headerData(0, Qt::Horizontal).toString(),
             QStringLiteral("部品ｻｲｽﾞ"));
    QCOMPARE(d.HeaderControl1->model()->headerData(1, Qt::Horizontal).toString(),
             QStringLiteral("ｲﾒｰｼﾞｻｲｽﾞ"));
    QVERIFY(!d.HeaderControl1->sectionsClickable());
    QCOMPARE(d.HeaderControl1->sectionResizeMode(0), QHeaderView::Fixed);
    QCOMPARE(d.HeaderControl1->sectionResizeMode(1), QHeaderView::Fixed);
    QCOMPARE(d.ListBox1->geometry(), QRect(0, 21, 301, 252));
    QCOMPARE(d.Panel1->geometry(), QRect(0, 273, 301, 27));
    QCOMPARE(d.Button_Ok->text(), QStringLiteral("OK"));
    QCOMPARE(d.Button_Ok->geometry().size(), QSize(89, 23));
    QCOMPARE(d.Button_Ok->x(), 48);
    QCOMPARE(d.Button_Cancel->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    QCOMPARE(d.Button_Cancel->geometry().size(), QSize(89, 23));
    QCOMPARE(d.Button_Cancel->x(), 168);
    QVERIFY(d.Button_Ok->isDefault());
}

void PartSelectDialogTest::listFontIsFixedPitchGothic()
{
    registerFontSubstitutions();
    registerFontSubstitutions();
    // Registered once however often asked (Qt keeps the names lower-cased).
    QCOMPARE(QFont::substitutes(QStringLiteral("ＭＳ ゴシック")), QStringList{QStringLiteral("ipagothic")});
    QCOMPARE(QFont::substitutes(QStringLiteral("ＭＳ Ｐゴシック")),
             QStringList{QStringLiteral("ipapgothic")});
    TForm7 d;
    const QFont font = d.ListBox1->font();
    QCOMPARE(font.family(), QStringLiteral("ＭＳ ゴシック"));
    QCOMPARE(font.pixelSize(), 13);
    QVERIFY(font.fixedPitch());
    const QFontInfo info(font);
    if (info.family() != QStringLiteral("IPAGothic"))
        QSKIP("IPAGothic (fonts-ipafont-gothic) is not installed");
    // The columns line up: digits, blanks, signs and brackets are one width.
    const QFontMetrics metrics(font);
    const int advance = metrics.horizontalAdvance(QLatin1Char('0'));
    for (QChar c : QStringLiteral(" 19-,()"))
        QCOMPARE(metrics.horizontalAdvance(c), advance);
    QCOMPARE(QFontInfo(d.font()).family(), QStringLiteral("IPAPGothic"));
}

void PartSelectDialogTest::rowsAndPreview()
{
    SceneFixture f;
    fillThree(f);
    TForm7 dialog;
    whenModal([&](QDialog &) {
        QCOMPARE(dialog.ListBox1->count(), 3);
        QCOMPARE(dialog.ListBox1->currentRow(), 0);
        QCOMPARE(dialog.ListBox1->item(0)->text(),
                 QStringLiteral("(  10,  10,  30,  30)    (  90,  90)"));
        QCOMPARE(dialog.ListBox1->item(2)->text(),
                 QStringLiteral("(   0,   0,  30,  30)    (  30,  30)"));
        QCOMPARE(QApplication::focusWidget(), dialog.ListBox1);
        QCOMPARE(dialog.PreviewRow, 0);

        clickRow(dialog.ListBox1, 2);
        QCOMPARE(dialog.PreviewRow, 2);
        QCOMPARE(order(f.scene), QList<QRgb>({kBlue, kRed, kGreen}));
        QCOMPARE(stackingFrontFirst(f.scene), QList<QRgb>({kBlue, kRed, kGreen}));
        QCOMPARE(f.ui.statusText(1), QStringLiteral("(0, 0, 30, 30)"));
        QCOMPARE(displayBitmap(f.scene.part(0)).pixel(0, 0), kAqua);
        QCOMPARE(displayBitmap(f.scene.part(1)).pixel(0, 0), kNavy);

        // Back to row 0 by keyboard: the order at opening, the top part selected.
        QTest::keyClick(dialog.ListBox1, Qt::Key_Home);
        QCOMPARE(dialog.ListBox1->currentRow(), 0);
        QCOMPARE(dialog.PreviewRow, 0);
        QCOMPARE(order(f.scene), QList<QRgb>({kRed, kGreen, kBlue}));
        QCOMPARE(stackingFrontFirst(f.scene), QList<QRgb>({kRed, kGreen, kBlue}));
        QCOMPARE(f.ui.statusText(1), QStringLiteral("(10, 10, 30, 30)"));
        QCOMPARE(displayBitmap(f.scene.part(0)).pixel(0, 0), kAqua);
        QTest::mouseClick(dialog.Button_Ok, Qt::LeftButton);
    });
    SelectItemClick(f.edit, dialog);
    QCOMPARE(dialog.result(), int(mrOk));
    QCOMPARE(order(f.scene), QList<QRgb>({kRed, kGreen, kBlue}));
    QCOMPARE(f.history.count(), 0);
}

void PartSelectDialogTest::okAfterRowTwoRecordsOneEntry()
{
    SceneFixture f;
    fillThree(f);
    TForm7 dialog;
    whenModal([&](QDialog &) {
        QTest::keyClick(dialog.ListBox1, Qt::Key_Down);
        QTest::keyClick(dialog.ListBox1, Qt::Key_Down);
        QCOMPARE(dialog.PreviewRow, 2);
        QTest::keyClick(dialog.ListBox1, Qt::Key_Return);
    });
    SelectItemClick(f.edit, dialog);
    QCOMPARE(dialog.result(), int(mrOk));
    QCOMPARE(order(f.scene), QList<QRgb>({kBlue, kRed, kGreen}));
    QCOMPARE(f.scene.SelectedIndex(), 0);
    QCOMPARE(f.history.count(), 1);
    QCOMPARE(int(f.history.entry(0).Type), int(SelectEntry));
    QCOMPARE(f.history.entry(0).Value1, 2);
    QVERIFY(f.history.undo(f.scene));
    QCOMPARE(order(f.scene), QList<QRgb>({kRed, kGreen, kBlue}));
    QCOMPARE(stackingFrontFirst(f.scene), QList<QRgb>({kRed, kGreen, kBlue}));
    QCOMPARE(displayBitmap(f.scene.part(0)).pixel(0, 0), kAqua);
    QVERIFY(f.history.redo(f.scene));
    QCOMPARE(order(f.scene), QList<QRgb>({kBlue, kRed, kGreen}));
}

void PartSelectDialogTest::okOnRowZeroRecordsNothing()
{
    SceneFixture f;
    fillThree(f);
    f.history.AddHistoryEntry(MoveEntry, 0, 0, 1, 1);
    f.history.undo(f.scene); // an entry that could be redone must survive
    TForm7 dialog;
    whenModal([&](QDialog &) { QTest::keyClick(dialog.ListBox1, Qt::Key_Return); });
    SelectItemClick(f.edit, dialog);
    QCOMPARE(dialog.result(), int(mrOk));
    QCOMPARE(order(f.scene), QList<QRgb>({kRed, kGreen, kBlue}));
    QCOMPARE(f.history.count(), 1);
    QCOMPARE(f.history.HistoryPos(), 0);
    QCOMPARE(displayBitmap(f.scene.part(0)).pixel(0, 0), kAqua);
}

void PartSelectDialogTest::otherClosesRestoreOrder_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("cancel button") << 0;
    QTest::newRow("escape") << 1;
    QTest::newRow("close box") << 2;
}

void PartSelectDialogTest::otherClosesRestoreOrder()
{
    QFETCH(int, how);
    SceneFixture f;
    fillThree(f);
    f.history.AddHistoryEntry(MoveEntry, 0, 0, 1, 1); // something already recorded
    TForm7 dialog;
    bool ran = false;
    whenModal([&](QDialog &) {
        clickRow(dialog.ListBox1, 1);
        QCOMPARE(order(f.scene), QList<QRgb>({kGreen, kRed, kBlue}));
        clickRow(dialog.ListBox1, 2);
        QCOMPARE(order(f.scene), QList<QRgb>({kBlue, kRed, kGreen}));
        if (how == 0)
            QTest::mouseClick(dialog.Button_Cancel, Qt::LeftButton);
        else if (how == 1)
            QTest::keyClick(dialog.ListBox1, Qt::Key_Escape);
        else
            QVERIFY(dialog.close());
        ran = !dialog.isVisible();
    });
    SelectItemClick(f.edit, dialog);
    QVERIFY(ran);
    QCOMPARE(dialog.result(), int(mrCancel));
    QCOMPARE(order(f.scene), QList<QRgb>({kRed, kGreen, kBlue}));
    QCOMPARE(stackingFrontFirst(f.scene), QList<QRgb>({kRed, kGreen, kBlue}));
    QCOMPARE(f.scene.SelectedIndex(), 0);
    QCOMPARE(displayBitmap(f.scene.part(0)).pixel(0, 0), kAqua);
    QCOMPARE(displayBitmap(f.scene.part(1)).pixel(0, 0), kNavy);
    QCOMPARE(f.ui.statusText(1), QStringLiteral("(10, 10, 30, 30)"));
    QCOMPARE(f.history.count(), 1);
    QCOMPARE(f.history.HistoryPos(), 1);
}

void PartSelectDialogTest::previewNeverAccumulates()
{
    SceneFixture f;
    fillThree(f);
    f.addPart(15, 15, 30, 30, 120, 120, 0xFF808080u); // four parts: grey, red, green, blue
    TForm7 dialog;
    whenModal([&](QDialog &) {
        // Rows keep meaning the order at opening whatever was previewed.
        for (int row : {3, 1, 2, 3, 1}) {
            clickRow(dialog.ListBox1, row);
            const QList<QRgb> opening{0xFF808080u, kRed, kGreen, kBlue};
            QList<QRgb> expected = opening;
            expected.move(row, 0);
            QCOMPARE(order(f.scene), expected);
            QCOMPARE(stackingFrontFirst(f.scene), expected);
        }
        QTest::mouseClick(dialog.Button_Ok, Qt::LeftButton);
    });
    SelectItemClick(f.edit, dialog);
    QCOMPARE(f.history.count(), 1);
    QCOMPARE(f.history.entry(0).Value1, 1);
    QVERIFY(f.history.undo(f.scene));
    QCOMPARE(order(f.scene), QList<QRgb>({0xFF808080u, kRed, kGreen, kBlue}));
}

void PartSelectDialogTest::clickBesideRowsKeepsPreviewAccounted()
{
    for (bool ok : {true, false}) {
        SceneFixture f;
        fillThree(f);
        TForm7 dialog;
        whenModal([&](QDialog &) {
            clickRow(dialog.ListBox1, 2);
            QTest::mouseClick(dialog.ListBox1->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              dialog.ListBox1->visualItemRect(dialog.ListBox1->item(2)).center());
            QTest::mouseClick(dialog.ListBox1->viewport(), Qt::LeftButton, {}, QPoint(150, 200));
            QCOMPARE(dialog.PreviewRow, 2);
            QTest::mouseClick(ok ? dialog.Button_Ok : dialog.Button_Cancel, Qt::LeftButton);
        });
        SelectItemClick(f.edit, dialog);
        // Whatever the list shows highlighted, the preview is either recorded
        // or put back.
        if (ok) {
            QCOMPARE(order(f.scene), QList<QRgb>({kBlue, kRed, kGreen}));
            QCOMPARE(f.history.count(), 1);
            QCOMPARE(f.history.entry(0).Value1, 2);
        } else {
            QCOMPARE(order(f.scene), QList<QRgb>({kRed, kGreen, kBlue}));
            QCOMPARE(f.history.count(), 0);
        }
    }
}

void PartSelectDialogTest::listEmptiedAndPreviewReset()
{
    SceneFixture f;
    fillThree(f);
    TForm7 dialog;
    whenModal([&](QDialog &) {
        clickRow(dialog.ListBox1, 1);
        QTest::mouseClick(dialog.Button_Ok, Qt::LeftButton);
    });
    SelectItemClick(f.edit, dialog);
    QCOMPARE(dialog.ListBox1->count(), 0);
    QCOMPARE(order(f.scene), QList<QRgb>({kGreen, kRed, kBlue}));
    // The next opening starts with no preview: Cancel changes nothing.
    whenModal([&](QDialog &) {
        QCOMPARE(dialog.PreviewRow, 0);
        QCOMPARE(dialog.ListBox1->currentRow(), 0);
        QCOMPARE(dialog.ListBox1->item(0)->text(),
                 QStringLiteral("(   5,   5,  30,  30)    (  60,  60)"));
        QTest::mouseClick(dialog.Button_Cancel, Qt::LeftButton);
    });
    SelectItemClick(f.edit, dialog);
    QCOMPARE(order(f.scene), QList<QRgb>({kGreen, kRed, kBlue}));
    QCOMPARE(f.history.count(), 1);
}

void PartSelectDialogTest::emptySceneDoesNothing()
{
    SceneFixture f;
    TForm7 dialog;
    int shown = 0;
    whenModal([](QDialog &) {}, &shown);
    SelectItemClick(f.edit, dialog);
    QCoreApplication::processEvents();
    QCOMPARE(shown, 0);
    QCOMPARE(f.history.count(), 0);
}

QTEST_MAIN(PartSelectDialogTest)
#include "tst_partselectdialog.moc"
