// The background-size and part-size dialogs, driven through their widgets.

#include "DialogTestSupport.h"
#include "dialogs/SizeDialogs.h"

#include "printing/ScreenResolution.h"

#include <QFocusEvent>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace zel;
using namespace zel::test;

namespace {

const FakeScreen kScreen96(QSize(96, 96));

void typeInto(QLineEdit *field, const QString &text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
}

} // namespace

class SizeDialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void oneDecimal_data();
    void oneDecimal();

    void layout_data();
    void layout();
    void valuesBeforeFirstOpening();

    void backgroundOpensWithMillimetres();
    void labelsAtTheScreensResolution_data();
    void labelsAtTheScreensResolution();
    void formCreateKeepsResolutionWithoutScreen();

    void typing2048AndTabPreviewsAtOnce();
    void typing2049AndTabChangesNothing();
    void lettersPreviewOpeningWidth();
    void enterAppliesWithoutLeavingField();
    void widthValidHeightInvalidAtOk();
    void focusLostToAnotherWindowIsNoExit();

    void upThreeTimesInPartWidth();
    void partLabelRoundsHalfAwayFromZero();
    void heightFieldSteps();
    void upDownButtonsKeepTheirOwnPosition();
    void stepsStopAtTheLimits_data();
    void stepsStopAtTheLimits();
    void partSmallerThanLimitStepsFromItsSize();

    void closesOtherThanOkRestore_data();
    void closesOtherThanOkRestore();
    void reopeningStartsAfresh();

private:
    SceneFixture *m_fixture = nullptr;
};

void SizeDialogsTest::init()
{
    ScreenDpiX = 96;
    ScreenDpiY = 96;
}

void SizeDialogsTest::oneDecimal_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("exact tenth") << 51.5 << "51.5";
    QTest::newRow("half up") << 6.25 << "6.3";
    QTest::newRow("quarter") << 0.25 << "0.3";
    QTest::newRow("below") << 105.83333 << "105.8";
    QTest::newRow("mm half") << 79.375 << "79.4";
    QTest::newRow("binary just below half") << 0.15 << "0.1";
    QTest::newRow("binary just above half") << 0.05 << "0.1";
    QTest::newRow("binary 2.675") << 2.675 << "2.7";
    QTest::newRow("0.95 is below") << 0.95 << "0.9";
    QTest::newRow("carry") << 9.96 << "10.0";
    QTest::newRow("zero") << 0.0 << "0.0";
    QTest::newRow("negative half") << -6.25 << "-6.3";
    QTest::newRow("large") << 204800.0 << "204800.0";
    QTest::newRow("float mm") << double(float(300 * 25.4L / 96)) << "79.4";
}

void SizeDialogsTest::oneDecimal()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(formatOneDecimal(value), text);
}

void SizeDialogsTest::layout_data()
{
    QTest::addColumn<bool>("background");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("client");
    QTest::newRow("background") << true << "画像ｻｲｽﾞ設定" << QSize(265, 100);
    QTest::newRow("part") << false << "部品ｻｲｽﾞ変更" << QSize(265, 101);
}

void SizeDialogsTest::layout()
{
    QFETCH(bool, background);
    QFETCH(QString, caption);
    QFETCH(QSize, client);
    SceneFixture f;
    ReadScreenResolution(kScreen96);
    TForm2 form2(f.scene);
    TForm6 form6;
    SizeDialog &d = background ? static_cast<SizeDialog &>(form2) : form6;

    QCOMPARE(d.windowTitle(), caption);
    QCOMPARE(d.size(), client);
    QCOMPARE(d.minimumSize(), client);
    QCOMPARE(d.maximumSize(), client);
    QVERIFY(d.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(d.windowFlags() & Qt::WindowContextHelpButtonHint));
    QCOMPARE(d.font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(d.font().pixelSize(), 12);

    QCOMPARE(d.Label1->text(), QStringLiteral("幅 (ﾋﾟｸｾﾙ) (&W):"));
    QCOMPARE(d.Label2->text(), QStringLiteral("高さ (ﾋﾟｸｾﾙ) (&H):"));
    QCOMPARE(d.Label1->buddy(), d.Edit1);
    QCOMPARE(d.Label2->buddy(), d.Edit2);
    QCOMPARE(d.Label1->pos(), QPoint(16, 16));
    QCOMPARE(d.Label2->pos(), QPoint(16, 40));
    QCOMPARE(d.Edit1->geometry(), QRect(112, 12, 57, 20));
    QCOMPARE(d.UpDown1->geometry(), QRect(169, 12, 16, 20));
    QCOMPARE(d.Edit2->geometry(), QRect(112, 36, 57, 20));
    QCOMPARE(d.UpDown2->geometry(), QRect(169, 36, 16, 20));
    QCOMPARE(d.Label3->pos(), QPoint(192, 16));
    QCOMPARE(d.Label4->pos(), QPoint(192, 40));
    QCOMPARE(d.Button1->geometry(), QRect(48, 72, 75, 20));
    QCOMPARE(d.Button2->geometry(), QRect(144, 72, 75, 20));
    QCOMPARE(d.Button1->text(), QStringLiteral("OK"));
    QCOMPARE(d.Button2->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    QVERIFY(d.Button1->isDefault());
    QVERIFY(!d.Button2->isDefault());
    // The up-downs never take the focus, so the arrow keys stay with the fields.
    QCOMPARE(d.UpDown1->focusPolicy(), Qt::NoFocus);
    QCOMPARE(d.UpDown1->upButton()->focusPolicy(), Qt::NoFocus);
    QCOMPARE(d.UpDown2->downButton()->focusPolicy(), Qt::NoFocus);
    QCOMPARE(d.UpDown1->minimum(), background ? 100 : 16);
    QCOMPARE(d.UpDown2->maximum(), 2048);
}

void SizeDialogsTest::valuesBeforeFirstOpening()
{
    SceneFixture f;
    ReadScreenResolution(kScreen96);
    TForm2 form2(f.scene);
    TForm6 form6;
    QCOMPARE(form2.Edit1->text(), QStringLiteral("100"));
    QCOMPARE(form2.Edit2->text(), QStringLiteral("100"));
    QCOMPARE(form2.UpDown1->position(), 100);
    QCOMPARE(form6.Edit1->text(), QStringLiteral("16"));
    QCOMPARE(form6.Edit2->text(), QStringLiteral("16"));
    QCOMPARE(form6.UpDown2->position(), 16);
}

void SizeDialogsTest::backgroundOpensWithMillimetres()
{
    SceneFixture f;
    f.scene.setBackgroundSize(QSize(400, 300));
    ReadScreenResolution(kScreen96);
    TForm2 d(f.scene);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QCOMPARE(d.Edit1->text(), QStringLiteral("400"));
    QCOMPARE(d.Edit2->text(), QStringLiteral("300"));
    QCOMPARE(d.Label3->text(), QStringLiteral("(105.8mm)"));
    QCOMPARE(d.Label4->text(), QStringLiteral("(79.4mm)"));
    QCOMPARE(d.UpDown1->position(), 400);
    QCOMPARE(d.UpDown2->position(), 300);
    QCOMPARE(d.OpenWidth, 400);
    QCOMPARE(d.OpenHeight, 300);
    QCOMPARE(QApplication::focusWidget(), d.Edit1);
    QCOMPARE(d.Edit1->selectedText(), QStringLiteral("400"));
    d.reject();
}

void SizeDialogsTest::labelsAtTheScreensResolution_data()
{
    QTest::addColumn<QSize>("dpi");
    QTest::addColumn<QString>("width");  // 400 px
    QTest::addColumn<QString>("height"); // 300 px
    QTest::newRow("96") << QSize(96, 96) << QStringLiteral("(105.8mm)") << QStringLiteral("(79.4mm)");
    QTest::newRow("120") << QSize(120, 120) << QStringLiteral("(84.7mm)") << QStringLiteral("(63.5mm)");
    QTest::newRow("144") << QSize(144, 144) << QStringLiteral("(70.6mm)") << QStringLiteral("(52.9mm)");
    QTest::newRow("120 x 144") << QSize(120, 144) << QStringLiteral("(84.7mm)") << QStringLiteral("(52.9mm)");
}

void SizeDialogsTest::labelsAtTheScreensResolution()
{
    QFETCH(QSize, dpi);
    QFETCH(QString, width);
    QFETCH(QString, height);
    SceneFixture f;
    f.scene.setBackgroundSize(QSize(400, 300));
    QVERIFY(ReadScreenResolution(FakeScreen(dpi)));
    TForm2 d(f.scene);
    d.show();
    QCOMPARE(d.Label3->text(), width);
    QCOMPARE(d.Label4->text(), height);
    d.reject();
}

void SizeDialogsTest::formCreateKeepsResolutionWithoutScreen()
{
    SceneFixture f;
    ScreenDpiX = 72;
    ScreenDpiY = 72;
    ReadScreenResolution(FakeScreen(QSize()));
    TForm2 d(f.scene);
    QCOMPARE(ScreenDpiX, 72);
    QCOMPARE(ScreenDpiY, 72);
    QVERIFY(!ReadScreenResolution(FakeScreen(QSize(96, 0))));
    QCOMPARE(ScreenDpiY, 72);
    QVERIFY(ReadScreenResolution(FakeScreen(QSize(96, 96))));
    QCOMPARE(ScreenDpiY, 96);
}

void SizeDialogsTest::typing2048AndTabPreviewsAtOnce()
{
    SceneFixture f;
    f.scene.setBackgroundSize(QSize(400, 300));
    ReadScreenResolution(kScreen96);
    TForm2 d(f.scene);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    typeInto(d.Edit1, QStringLiteral("2048"));
    QCOMPARE(f.scene.backgroundSize(), QSize(400, 300)); // typing alone shows nothing
    QTest::keyClick(d.Edit1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), d.Edit2);
    QCOMPARE(f.scene.backgroundSize(), QSize(2048, 300));
    QCOMPARE(f.scene.frameSize(), QSize(2048 + 6, 306));
    QCOMPARE(d.UpDown1->position(), 2048);
    QCOMPARE(d.Label3->text(), QStringLiteral("(541.9mm)"));
    d.reject();
    QCOMPARE(f.scene.backgroundSize(), QSize(400, 300));
}

void SizeDialogsTest::typing2049AndTabChangesNothing()
{
    SceneFixture f;
    f.scene.setBackgroundSize(QSize(400, 300));
    ReadScreenResolution(kScreen96);
    TForm2 d(f.scene);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    typeInto(d.Edit1, QStringLiteral("2049"));
    QTest::keyClick(d.Edit1, Qt::Key_Tab);
    QCOMPARE(f.scene.backgroundSize(), QSize(400, 300));
    QCOMPARE(d.UpDown1->position(), 400);
    QCOMPARE(d.Label3->text(), QStringLiteral("(105.8mm)"));
    QCOMPARE(d.Edit1->text(), QStringLiteral("2049")); // left as typed
    // Below the lower limit is just as invalid.
    typeInto(d.Edit2, QStringLiteral("99"));
    QTest::keyClick(d.Edit2, Qt::Key_Backtab);
    QCOMPARE(f.scene.backgroundSize(), QSize(400, 300));
    QCOMPARE(d.UpDown2->position(), 300);
    d.reject();
}

void SizeDialogsTest::lettersPreviewOpeningWidth()
{
    SceneFixture f;
    f.scene.setBackgroundSize(QSize(400, 300));
    ReadScreenResolution(kScreen96);
    TForm2 d(f.scene);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    typeInto(d.Edit1, QStringLiteral("640"));
    QTest::keyClick(d.Edit1, Qt::Key_Tab);
    QCOMPARE(f.scene.backgroundSize().width(), 640);
    typeInto(d.Edit1, QStringLiteral("abc"));
    QTest::keyClick(d.Edit1, Qt::Key_Tab);
    QCOMPARE(f.scene.backgroundSize().width(), 400);
    QCOMPARE(d.Edit1->text(), QStringLiteral("abc"));
    QCOMPARE(d.Label3->text(), QStringLiteral("(105.8mm)"));
    // An empty field counts the same; OK takes the opening width for it.
    typeInto(d.Edit1, QString());
    QTest::keyClick(d.Edit1, Qt::Key_Backspace);
    d.Edit2->setText(QStringLiteral("500"));
    QTest::keyClick(d.Edit1, Qt::Key_Return);
    QCOMPARE(d.result(), int(mrOk));
    QCOMPARE(f.scene.backgroundSize(), QSize(400, 500));
}

void SizeDialogsTest::enterAppliesWithoutLeavingField()
{
    SceneFixture f;
    f.scene.setBackgroundSize(QSize(400, 300));
    ReadScreenResolution(kScreen96);
    TForm2 d(f.scene);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    typeInto(d.Edit1, QStringLiteral("120"));
    QCOMPARE(f.scene.backgroundSize(), QSize(400, 300)); // no preview before Enter
    QTest::keyClick(d.Edit1, Qt::Key_Return);
    QVERIFY(!d.isVisible());
    QCOMPARE(d.result(), int(mrOk));
    QCOMPARE(f.scene.backgroundSize(), QSize(120, 300));
    QCOMPARE(d.UpDown1->position(), 400); // the field was never left
}

void SizeDialogsTest::widthValidHeightInvalidAtOk()
{
    SceneFixture f;
    PartView &part = f.addPart(5, 7, 100, 80, 200, 160);
    TForm6 d;
    d.setTarget(&part, &f.scene.part(0).Source);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QTest::keyClick(d.Edit1, Qt::Key_Up); // previews 101 x 80
    QCOMPARE(part.bounds(), QRect(5, 7, 101, 80));
    typeInto(d.Edit1, QStringLiteral("300"));
    typeInto(d.Edit2, QStringLiteral("5000"));
    QTest::mouseClick(d.Button1, Qt::LeftButton);
    QVERIFY(!d.isVisible());
    QCOMPARE(d.result(), int(mrOk));
    // Leaving the width field for the height field previewed 300; OK
    // itself applied nothing, so the last preview stands.
    QCOMPARE(part.bounds(), QRect(5, 7, 300, 80));

    // Both typed without leaving either: OK applies neither.
    d.setTarget(&part, &f.scene.part(0).Source);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    d.Edit2->setText(QStringLiteral("5000"));
    typeInto(d.Edit1, QStringLiteral("150"));
    QTest::keyClick(d.Edit1, Qt::Key_Enter);
    QCOMPARE(d.result(), int(mrOk));
    QCOMPARE(part.bounds(), QRect(5, 7, 300, 80));
}

void SizeDialogsTest::focusLostToAnotherWindowIsNoExit()
{
    SceneFixture f;
    f.scene.setBackgroundSize(QSize(400, 300));
    ReadScreenResolution(kScreen96);
    TForm2 d(f.scene);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    typeInto(d.Edit1, QStringLiteral("640"));
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(d.Edit1, &away);
    QCOMPARE(f.scene.backgroundSize(), QSize(400, 300));
    QFocusEvent tabbed(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(d.Edit1, &tabbed);
    QCOMPARE(f.scene.backgroundSize(), QSize(640, 300));
    d.reject();
    QCOMPARE(f.scene.backgroundSize(), QSize(400, 300));
}

void SizeDialogsTest::upThreeTimesInPartWidth()
{
    SceneFixture f;
    PartView &part = f.addPart(10, 20, 100, 50, 200, 100);
    TForm6 d;
    d.setTarget(&part, &f.scene.part(0).Source);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QCOMPARE(d.Label3->text(), QStringLiteral("(50.0%)"));
    QCOMPARE(d.Label4->text(), QStringLiteral("(50.0%)"));
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(d.Edit1, Qt::Key_Up);
    QCOMPARE(d.Edit1->text(), QStringLiteral("103"));
    QCOMPARE(d.Label3->text(), QStringLiteral("(51.5%)"));
    QCOMPARE(part.bounds(), QRect(10, 20, 103, 50));
    QCOMPARE(d.UpDown1->position(), 100); // keys do not move the up-down
    QTest::mouseClick(d.Button2, Qt::LeftButton);
    QCOMPARE(d.result(), int(mrCancel));
    QCOMPARE(part.bounds(), QRect(10, 20, 100, 50));
}

void SizeDialogsTest::partLabelRoundsHalfAwayFromZero()
{
    SceneFixture f;
    PartView &part = f.addPart(0, 0, 16, 16, 256, 3);
    TForm6 d;
    d.setTarget(&part, &f.scene.part(0).Source);
    d.show();
    QCOMPARE(d.Label3->text(), QStringLiteral("(6.3%)"));
    QCOMPARE(d.Label4->text(), QStringLiteral("(533.3%)"));
    d.reject();
}

void SizeDialogsTest::heightFieldSteps()
{
    SceneFixture f;
    f.scene.setBackgroundSize(QSize(400, 300));
    ReadScreenResolution(kScreen96);
    TForm2 d(f.scene);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QTest::keyClick(d.Edit1, Qt::Key_Tab);
    QTest::keyClick(d.Edit2, Qt::Key_Down);
    QTest::keyClick(d.Edit2, Qt::Key_Down);
    QCOMPARE(d.Edit2->text(), QStringLiteral("298"));
    QCOMPARE(d.Label4->text(), QStringLiteral("(78.8mm)"));
    QCOMPARE(f.scene.backgroundSize(), QSize(400, 298));
    // Other keys are the field's own.
    QTest::keyClick(d.Edit2, Qt::Key_End);
    QTest::keyClick(d.Edit2, Qt::Key_1);
    QCOMPARE(d.Edit2->text(), QStringLiteral("2981"));
    QCOMPARE(f.scene.backgroundSize(), QSize(400, 298));
    QTest::keyClick(&d, Qt::Key_Escape);
    QCOMPARE(d.result(), int(mrCancel));
    QCOMPARE(f.scene.backgroundSize(), QSize(400, 300));
}

void SizeDialogsTest::upDownButtonsKeepTheirOwnPosition()
{
    SceneFixture f;
    f.scene.setBackgroundSize(QSize(2046, 300));
    ReadScreenResolution(kScreen96);
    TForm2 d(f.scene);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QToolButton *up = d.UpDown1->upButton();
    QTest::mouseClick(up, Qt::LeftButton);
    QCOMPARE(d.Edit1->text(), QStringLiteral("2047"));
    QCOMPARE(f.scene.backgroundSize().width(), 2047);
    QCOMPARE(QApplication::focusWidget(), d.Edit1); // the buttons take no focus
    QTest::mouseClick(up, Qt::LeftButton);
    QCOMPARE(d.UpDown1->position(), 2048);
    // The field goes back to 2000 by keys; the up-down stays at its end,
    // so its up button does nothing while the down button steps the field.
    typeInto(d.Edit1, QStringLiteral("2000"));
    QTest::mouseClick(up, Qt::LeftButton);
    QCOMPARE(d.Edit1->text(), QStringLiteral("2000"));
    QCOMPARE(f.scene.backgroundSize().width(), 2048);
    QTest::mouseClick(d.UpDown1->downButton(), Qt::LeftButton);
    QCOMPARE(d.UpDown1->position(), 2047);
    QCOMPARE(d.Edit1->text(), QStringLiteral("1999"));
    QCOMPARE(f.scene.backgroundSize().width(), 1999);
    // Leaving the field with a valid value moves the up-down there.
    typeInto(d.Edit1, QStringLiteral("150"));
    QTest::keyClick(d.Edit1, Qt::Key_Tab);
    QCOMPARE(d.UpDown1->position(), 150);
    QTest::mouseClick(d.UpDown2->upButton(), Qt::LeftButton);
    QCOMPARE(d.Edit2->text(), QStringLiteral("301"));
    QCOMPARE(f.scene.backgroundSize(), QSize(150, 301));
    d.reject();
}

void SizeDialogsTest::stepsStopAtTheLimits_data()
{
    QTest::addColumn<int>("opening");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");
    QTest::newRow("down at 16") << 16 << QString() << int(Qt::Key_Down) << 16;
    QTest::newRow("down at 17") << 17 << QString() << int(Qt::Key_Down) << 16;
    QTest::newRow("up at 2048") << 2048 << QString() << int(Qt::Key_Up) << 2048;
    QTest::newRow("typed zero, down") << 100 << "0" << int(Qt::Key_Down) << 16;
    QTest::newRow("typed negative, up") << 100 << "-40" << int(Qt::Key_Up) << 16;
    QTest::newRow("typed huge, down") << 100 << "99999999" << int(Qt::Key_Down) << 2048;
    QTest::newRow("typed beyond int, up") << 100 << "99999999999" << int(Qt::Key_Up) << 101;
    QTest::newRow("part wider than the limit, down") << 3000 << QString() << int(Qt::Key_Down)
                                                     << 2999;
    QTest::newRow("part wider than the limit, up") << 3000 << QString() << int(Qt::Key_Up)
                                                   << 3000;
}

void SizeDialogsTest::stepsStopAtTheLimits()
{
    QFETCH(int, opening);
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(int, expected);
    SceneFixture f;
    PartView &part = f.addPart(0, 0, opening, 40, 100, 40);
    TForm6 d;
    d.setTarget(&part, &f.scene.part(0).Source);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    if (!typed.isEmpty())
        typeInto(d.Edit1, typed);
    QTest::keyClick(d.Edit1, Qt::Key(key));
    QCOMPARE(d.Edit1->text(), QString::number(expected));
    QCOMPARE(part.width(), expected);
    QVERIFY(part.width() > 0);
    d.reject();
    QCOMPARE(part.width(), opening);
}

void SizeDialogsTest::partSmallerThanLimitStepsFromItsSize()
{
    SceneFixture f;
    PartView &part = f.addPart(0, 0, 5, 5, 5, 5);
    TForm6 d;
    d.setTarget(&part, &f.scene.part(0).Source);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QCOMPARE(d.UpDown1->position(), 16); // the up-down keeps within its limits
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(d.Edit1, Qt::Key_Down);
    QCOMPARE(part.width(), 5); // never below where it was, never zero
    QTest::keyClick(d.Edit1, Qt::Key_Up);
    QCOMPARE(part.width(), 6);
    QCOMPARE(d.Label3->text(), QStringLiteral("(120.0%)"));
    // A 5-pixel side is not valid for OK; the preview stays.
    QTest::keyClick(d.Edit1, Qt::Key_Return);
    QCOMPARE(d.result(), int(mrOk));
    QCOMPARE(part.bounds(), QRect(0, 0, 6, 5));
}

void SizeDialogsTest::closesOtherThanOkRestore_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("cancel button") << 0;
    QTest::newRow("escape") << 1;
    QTest::newRow("close box") << 2;
}

void SizeDialogsTest::closesOtherThanOkRestore()
{
    QFETCH(int, how);
    SceneFixture f;
    f.scene.setBackgroundSize(QSize(400, 300));
    PartView &part = f.addPart(3, 4, 100, 60, 100, 60);
    TForm6 partDialog;
    ReadScreenResolution(kScreen96);
    TForm2 backgroundDialog(f.scene);
    for (SizeDialog *d : {static_cast<SizeDialog *>(&partDialog),
                          static_cast<SizeDialog *>(&backgroundDialog)}) {
        if (d == &partDialog)
            partDialog.setTarget(&part, &f.scene.part(0).Source);
        d->show();
        QVERIFY(QTest::qWaitForWindowActive(d));
        QTest::mouseClick(d->UpDown1->upButton(), Qt::LeftButton);
        typeInto(d->Edit2, QStringLiteral("200"));
        QTest::keyClick(d->Edit2, Qt::Key_Tab);
        if (how == 0)
            QTest::mouseClick(d->Button2, Qt::LeftButton);
        else if (how == 1)
            QTest::keyClick(d->Edit1, Qt::Key_Escape);
        else
            QVERIFY(d->close());
        QVERIFY(!d->isVisible());
        QCOMPARE(d->result(), int(mrCancel));
    }
    QCOMPARE(part.bounds(), QRect(3, 4, 100, 60));
    QCOMPARE(f.scene.backgroundSize(), QSize(400, 300));
    QCOMPARE(partDialog.target(), nullptr); // let go on closing
}

void SizeDialogsTest::reopeningStartsAfresh()
{
    SceneFixture f;
    f.scene.setBackgroundSize(QSize(400, 300));
    ReadScreenResolution(kScreen96);
    TForm2 d(f.scene);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    typeInto(d.Edit1, QStringLiteral("800"));
    QTest::keyClick(d.Edit1, Qt::Key_Return);
    QCOMPARE(f.scene.backgroundSize(), QSize(800, 300));
    f.scene.setBackgroundSize(QSize(640, 480)); // e.g. undo, or a document opened
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QCOMPARE(d.Edit1->text(), QStringLiteral("640"));
    QCOMPARE(d.Edit2->text(), QStringLiteral("480"));
    QCOMPARE(d.UpDown1->position(), 640);
    QTest::keyClick(d.Edit1, Qt::Key_Up);
    QVERIFY(d.close());
    QCOMPARE(f.scene.backgroundSize(), QSize(640, 480));
}

QTEST_MAIN(SizeDialogsTest)
#include "tst_sizedialogs.moc"
