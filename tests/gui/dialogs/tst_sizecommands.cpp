// The background-size and part-size commands: what they record, how they
// leave the part's display image, with the real modal dialogs.

#include "DialogTestSupport.h"
#include "dialogs/SizeCommands.h"
#include "dialogs/SizeDialogs.h"
#include "SceneTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace zel;
using namespace zel::test;

using zel::test::displayBitmap;
using zel::test::kAqua;
using zel::test::kNavy;

namespace {

const FakeScreen kScreen96(QSize(96, 96));
constexpr QRgb kPartColour = 0xFF3366CCu;

void pressKeys(QWidget *widget, Qt::Key key, int times)
{
    for (int i = 0; i < times; ++i)
        QTest::keyClick(widget, key);
}

} // namespace

class SizeCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void backgroundOkRecordsOneEntry();
    void backgroundOkWithoutChangeStillRecords();
    void backgroundCancelRecordsNothing_data();
    void backgroundCancelRecordsNothing();

    void partOkResizesAndRecords();
    void partCancelKeepsSizeAndRecordsNothing_data();
    void partCancelKeepsSizeAndRecordsNothing();
    void partPreviewStretchesWithoutFrame();
    void partSizeWithoutPartDoesNothing();
};

void SizeCommandsTest::backgroundOkRecordsOneEntry()
{
    SceneFixture f;
    f.scene.setBackgroundSize(QSize(400, 300));
    ReadScreenResolution(kScreen96);
    TForm2 dialog(f.scene);
    whenModal([](QDialog &d) {
        auto &form = static_cast<TForm2 &>(d);
        form.Edit1->selectAll();
        QTest::keyClicks(form.Edit1, QStringLiteral("800"));
        QTest::keyClick(form.Edit1, Qt::Key_Tab);
        pressKeys(form.Edit2, Qt::Key_Up, 2);
        QTest::keyClick(form.Edit2, Qt::Key_Return);
    });
    SizeItemClick(f.edit, dialog);
    QCOMPARE(f.scene.backgroundSize(), QSize(800, 302));
    QCOMPARE(f.history.count(), 1);
    const HistoryEntry &e = f.history.entry(0);
    QCOMPARE(int(e.Type), int(BackgroundSizeEntry));
    QCOMPARE(QList<int>({e.Value1, e.Value2, e.Value3, e.Value4}), QList<int>({400, 300, 800, 302}));
    QVERIFY(f.history.undo(f.scene));
    QCOMPARE(f.scene.backgroundSize(), QSize(400, 300));
    QVERIFY(f.history.redo(f.scene));
    QCOMPARE(f.scene.backgroundSize(), QSize(800, 302));
}

void SizeCommandsTest::backgroundOkWithoutChangeStillRecords()
{
    SceneFixture f;
    ReadScreenResolution(kScreen96);
    TForm2 dialog(f.scene);
    int shown = 0;
    whenModal([](QDialog &d) { QTest::mouseClick(static_cast<TForm2 &>(d).Button1, Qt::LeftButton); },
              &shown);
    SizeItemClick(f.edit, dialog);
    QCOMPARE(shown, 1);
    QCOMPARE(f.history.count(), 1);
    const HistoryEntry &e = f.history.entry(0);
    QCOMPARE(QList<int>({e.Value1, e.Value2, e.Value3, e.Value4}), QList<int>({514, 386, 514, 386}));
}

void SizeCommandsTest::backgroundCancelRecordsNothing_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("cancel button") << 0;
    QTest::newRow("escape") << 1;
    QTest::newRow("close box") << 2;
}

void SizeCommandsTest::backgroundCancelRecordsNothing()
{
    QFETCH(int, how);
    SceneFixture f;
    ReadScreenResolution(kScreen96);
    TForm2 dialog(f.scene);
    whenModal([how](QDialog &d) {
        auto &form = static_cast<TForm2 &>(d);
        pressKeys(form.Edit1, Qt::Key_Down, 14);
        QCOMPARE(form.Edit1->text(), QStringLiteral("500"));
        if (how == 0)
            QTest::mouseClick(form.Button2, Qt::LeftButton);
        else if (how == 1)
            QTest::keyClick(form.Edit1, Qt::Key_Escape);
        else
            form.close();
    });
    SizeItemClick(f.edit, dialog);
    QCOMPARE(f.scene.backgroundSize(), QSize(514, 386));
    QCOMPARE(f.history.count(), 0);
}

void SizeCommandsTest::partOkResizesAndRecords()
{
    SceneFixture f;
    f.addPart(10, 20, 100, 50, 200, 100);
    TForm6 dialog;
    whenModal([](QDialog &d) {
        auto &form = static_cast<TForm6 &>(d);
        pressKeys(form.Edit1, Qt::Key_Up, 3);
        QCOMPARE(form.Label3->text(), QStringLiteral("(51.5%)"));
        QTest::mouseClick(form.UpDown2->downButton(), Qt::LeftButton);
        QTest::keyClick(form.Edit1, Qt::Key_Return);
    });
    PartSizeItemClick(f.edit, dialog);
    const PartView &image = *f.scene.part(0).Image;
    QCOMPARE(image.bounds(), QRect(10, 20, 103, 49));
    // Drawn at the new size with the selected frame.
    QCOMPARE(image.frame(), PartFrame::Selected);
    QCOMPARE(displayBitmap(f.scene.part(0)).pixel(0, 0), kAqua);
    QCOMPARE(displayBitmap(f.scene.part(0)).pixel(50, 25), kPartColour);
    QCOMPARE(f.history.count(), 1);
    const HistoryEntry &e = f.history.entry(0);
    QCOMPARE(int(e.Type), int(PartSizeEntry));
    QCOMPARE(QList<int>({e.Value1, e.Value2, e.Value3, e.Value4}), QList<int>({100, 50, 103, 49}));
    // The status panel keeps the bounds it had.
    QCOMPARE(f.ui.statusText(1), QStringLiteral("(10, 20, 100, 50)"));
    QVERIFY(f.history.undo(f.scene));
    QCOMPARE(image.bounds(), QRect(10, 20, 100, 50));
    QVERIFY(f.history.redo(f.scene));
    QCOMPARE(image.bounds(), QRect(10, 20, 103, 49));
    QCOMPARE(dialog.target(), nullptr);
}

void SizeCommandsTest::partCancelKeepsSizeAndRecordsNothing_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("cancel button") << 0;
    QTest::newRow("escape") << 1;
    QTest::newRow("close box") << 2;
}

void SizeCommandsTest::partCancelKeepsSizeAndRecordsNothing()
{
    QFETCH(int, how);
    SceneFixture f;
    f.addPart(10, 20, 100, 50, 200, 100);
    TForm6 dialog;
    whenModal([how](QDialog &d) {
        auto &form = static_cast<TForm6 &>(d);
        QTest::mouseClick(form.UpDown1->upButton(), Qt::LeftButton);
        QTest::mouseClick(form.UpDown1->upButton(), Qt::LeftButton);
        QCOMPARE(form.Edit1->text(), QStringLiteral("102"));
        if (how == 0)
            QTest::mouseClick(form.Button2, Qt::LeftButton);
        else if (how == 1)
            QTest::keyClick(&form, Qt::Key_Escape);
        else
            form.close();
    });
    PartSizeItemClick(f.edit, dialog);
    const PartView &image = *f.scene.part(0).Image;
    QCOMPARE(image.bounds(), QRect(10, 20, 100, 50));
    QCOMPARE(displayBitmap(f.scene.part(0)).pixel(0, 0), kAqua);
    QCOMPARE(f.history.count(), 0);
}

void SizeCommandsTest::partPreviewStretchesWithoutFrame()
{
    SceneFixture f;
    f.addPart(0, 0, 40, 30, 40, 30);
    TForm6 dialog;
    bool checked = false;
    whenModal([&](QDialog &d) {
        const PartView &image = *f.scene.part(0).Image;
        // While the dialog is open the part is shown at the size chosen, frame gone.
        QCOMPARE(image.frame(), PartFrame::None);
        QCOMPARE(displayBitmap(f.scene.part(0)).pixel(0, 0), kPartColour);
        pressKeys(static_cast<TForm6 &>(d).Edit2, Qt::Key_Up, 10);
        QCOMPARE(image.bounds(), QRect(0, 0, 40, 40));
        QCOMPARE(displayBitmap(f.scene.part(0)).pixel(0, 39), kPartColour);
        checked = true;
        d.reject();
    });
    PartSizeItemClick(f.edit, dialog);
    QVERIFY(checked);
}

void SizeCommandsTest::partSizeWithoutPartDoesNothing()
{
    SceneFixture f;
    TForm6 dialog;
    int shown = 0;
    whenModal([](QDialog &) {}, &shown);
    PartSizeItemClick(f.edit, dialog);
    QCoreApplication::processEvents();
    QCOMPARE(shown, 0);
    QCOMPARE(f.history.count(), 0);
}

QTEST_MAIN(SizeCommandsTest)
#include "tst_sizecommands.moc"
