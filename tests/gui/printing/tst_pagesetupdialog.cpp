// The page setup dialog on the fake printer, driven through its widgets.

#include "FakePrinter.h"
#include "MarginText.h"
#include "printing/PageSetupDialog.h"
#include "PrinterSettings.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace zel;
using namespace zel::test;

namespace {

const PaperSize kA4{2100, 2970};
const PaperSize kA3{2970, 4200};
const PaperSize kB5{1820, 2570};

struct Fixture {
    FakePrinter printer;
    PageSettings settings;
    PaperList papers;
    MessageLog log;
    ScriptedPrinterChooser chooser;
    std::unique_ptr<TForm3> dialog;

    Fixture()
    {
        printer.forms[FakePrinter::formsKey(printer.device, printer.port)] =
            FakePrinter::paperList({{QStringLiteral("A3"), kA3, 8},
                                    {QStringLiteral("A4"), kA4, 9},
                                    {QStringLiteral("B5"), kB5, 13}});
        chooser.printer = &printer;
        RefreshPrinter(settings, printer);
        dialog = std::make_unique<TForm3>(settings, papers, printer, log.fn(), &chooser);
    }

    // Runs the page setup command; while the dialog is up, act works on it
    // and returns how it is closed.
    int pageSetup(const std::function<void(TForm3 &)> &act)
    {
        return PageSetupItemClick(settings, papers, printer, *dialog, log.fn(),
                                  [&](TForm3 &shown) {
                                      shown.show();
                                      if (!QTest::qWaitForWindowActive(&shown))
                                          qWarning("page setup dialog not active");
                                      act(shown);
                                      if (shown.isVisible())
                                          shown.reject();
                                      return shown.result();
                                  });
    }
};

// Types text into a margin box and moves the focus on, as the user does.
void typeMargin(TForm3 &dialog, int index, const QString &text)
{
    QLineEdit *edit = dialog.MarginEdits[size_t(index)];
    edit->setFocus(Qt::TabFocusReason);
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Tab);
}

void chooseOrientation(TForm3 &dialog, int item)
{
    QTest::mouseClick(dialog.RadioItems[size_t(item)], Qt::LeftButton);
}

// Picks a paper in the closed combo box with the keyboard.
void choosePaper(TForm3 &dialog, int index)
{
    QComboBox *combo = dialog.ComboBox1;
    combo->setFocus(Qt::TabFocusReason);
    while (combo->currentIndex() < index)
        QTest::keyClick(combo, Qt::Key_Down);
    while (combo->currentIndex() > index)
        QTest::keyClick(combo, Qt::Key_Up);
}

qint64 miniatureKey(const TForm3 &dialog)
{
    return dialog.Image1->pixmap().cacheKey();
}

// What the printer setup does when the user picks the printer "Second",
// with A4 and B5, B5 current.
bool chooseSecondPrinter(FakePrinter &printer)
{
    printer.device = QStringLiteral("Second");
    printer.devMode.dmPaperSize = 13;
    printer.devMode.dmOrientation = kDmPortrait;
    printer.forms[FakePrinter::formsKey(printer.device, printer.port)] =
        FakePrinter::paperList({{QStringLiteral("A4"), kA4, 9}, {QStringLiteral("B5"), kB5, 13}});
    return true;
}

} // namespace

class PageSetupDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void laidOutAsDesigned()
    {
        Fixture f;
        TForm3 &d = *f.dialog;
        QCOMPARE(d.windowTitle(), QStringLiteral("ﾍﾟｰｼﾞ設定"));
        QCOMPARE(d.size(), QSize(418, 358));
        QCOMPARE(d.Image1->size(), QSize(401, 129));
        QCOMPARE(d.GroupBox1->title(), QStringLiteral("用紙"));
        QCOMPARE(d.Label1->text(), QStringLiteral("ｻｲｽﾞ(&Z):"));
        QCOMPARE(d.ComboBox1->maxVisibleItems(), 12);
        QVERIFY(d.ComboBox2->isHidden());
        QVERIFY(!d.ComboBox2->isEnabled());
        QCOMPARE(d.ComboBox2->itemText(0), QStringLiteral("ｵｰﾄｼｰﾄﾌｨｰﾀﾞ"));
        QCOMPARE(d.RadioGroup1->title(), QStringLiteral("印刷の向き"));
        QCOMPARE(d.RadioItems[0]->text(), QStringLiteral("縦(&O)"));
        QCOMPARE(d.RadioItems[1]->text(), QStringLiteral("横(&A)"));
        QCOMPARE(d.GroupBox2->title(), QStringLiteral("余白 (ﾐﾘ)"));
        const QStringList captions{QStringLiteral("左(&L):"), QStringLiteral("右(&R):"),
                                   QStringLiteral("上(&T):"), QStringLiteral("下(&B):")};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(d.MarginLabels[size_t(i)]->text(), captions[i]);
            QCOMPARE(d.MarginLabels[size_t(i)]->buddy(), d.MarginEdits[size_t(i)]);
            QCOMPARE(d.MarginEdits[size_t(i)]->text(), QStringLiteral("20mm"));
        }
        QCOMPARE(d.Button1->text(), QStringLiteral("OK"));
        QVERIFY(d.Button1->isDefault());
        QCOMPARE(d.Button2->text(), QStringLiteral("ｷｬﾝｾﾙ"));
        QCOMPARE(d.Button3->text(), QStringLiteral("ﾌﾟﾘﾝﾀの設定(&P)..."));

        QCOMPARE(d.ComboBox1->nextInFocusChain(), d.RadioItems[0]);
        QCOMPARE(d.RadioItems[1]->nextInFocusChain(), d.MarginEdits[0]);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(d.MarginEdits[size_t(i)]->nextInFocusChain(), d.MarginEdits[size_t(i + 1)]);
        QCOMPARE(d.MarginEdits[3]->nextInFocusChain(), d.Button1);
        QCOMPARE(d.Button1->nextInFocusChain(), d.Button2);
        QCOMPARE(d.Button2->nextInFocusChain(), d.Button3);
    }

    void createdWithThePrintersPaper()
    {
        Fixture f;
        QCOMPARE(f.dialog->ComboBox1->count(), 3);
        QCOMPARE(f.dialog->ComboBox1->currentIndex(), 1);
        QCOMPARE(f.dialog->ComboBox1->currentText(), QStringLiteral("A4"));
        QCOMPARE(f.settings.paperWidth, 210.0f);
    }

    void showingShowsTheSettings()
    {
        Fixture f;
        f.settings.margins = {12.345f, 20.0f, 5.0f, 7.5f};
        f.pageSetup([](TForm3 &d) {
            QCOMPARE(d.MarginEdits[0]->text(), QStringLiteral("12.35mm"));
            QCOMPARE(d.MarginEdits[2]->text(), QStringLiteral("5mm"));
            QCOMPARE(d.MarginEdits[3]->text(), QStringLiteral("7.5mm"));
            QVERIFY(d.RadioItems[0]->isChecked());
            QCOMPARE(d.Image1->pixmap().size(), QSize(91, 128));
            QCOMPARE(QApplication::focusWidget(), d.ComboBox1);
        });
    }

    void marginTexts_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<float>("margin");
        QTest::addColumn<bool>("redrawn");
        QTest::newRow("12.345") << "12.345" << "12.35mm" << 12.345f << true;
        QTest::newRow("15mmX") << "15mmX" << "15mm" << 15.0f << true;
        QTest::newRow("0") << "0" << "20mm" << 20.0f << false;
        QTest::newRow("-5") << "-5" << "20mm" << 20.0f << false;
        QTest::newRow("abc") << "abc" << "20mm" << 20.0f << false;
        QTest::newRow("12MM") << "12MM" << "20mm" << 20.0f << false;
        QTest::newRow("20 is no change") << "20" << "20mm" << 20.0f << false;
        QTest::newRow("1e99 is too large") << "1e99" << "20mm" << 20.0f << false;
    }
    void marginTexts()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(float, margin);
        QFETCH(bool, redrawn);
        Fixture f;
        f.pageSetup([&](TForm3 &d) {
            const qint64 before = miniatureKey(d);
            typeMargin(d, 1, typed);
            QCOMPARE(d.MarginEdits[1]->text(), shown);
            QCOMPARE(d.Working.margins[1], margin);
            QCOMPARE(miniatureKey(d) != before, redrawn);
            QCOMPARE(d.Working.margins[0], 20.0f);
        });
        QCOMPARE(f.settings.margins[1], 20.0f); // cancelled
    }

    void marginsFollowTheLocale()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Fixture f;
        f.pageSetup([](TForm3 &d) {
            typeMargin(d, 0, QStringLiteral("12,345"));
            QCOMPARE(d.MarginEdits[0]->text(), QStringLiteral("12,35mm"));
            QCOMPARE(d.Working.margins[0], 12.345f);
            typeMargin(d, 2, QStringLiteral("12.5"));
            QCOMPARE(d.MarginEdits[2]->text(), QStringLiteral("20mm"));
        });
    }

    void okTakesTheMargins()
    {
        Fixture f;
        const int result = f.pageSetup([](TForm3 &d) {
            typeMargin(d, 0, QStringLiteral("12.345"));
            typeMargin(d, 3, QStringLiteral("30"));
            QTest::mouseClick(d.Button1, Qt::LeftButton);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(f.settings.margins, (std::array<float, 4>{12.345f, 20.0f, 20.0f, 30.0f}));
    }

    void enterInAMarginBoxTakesItsText()
    {
        Fixture f;
        const int result = f.pageSetup([](TForm3 &d) {
            QLineEdit *edit = d.MarginEdits[2];
            edit->setFocus(Qt::TabFocusReason);
            edit->selectAll();
            QTest::keyClicks(edit, QStringLiteral("33"));
            QTest::keyClick(edit, Qt::Key_Return);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(f.settings.margins[2], 33.0f);
    }

    void orientationSwapsThePaper()
    {
        Fixture f;
        f.pageSetup([&](TForm3 &d) {
            chooseOrientation(d, 1);
            QVERIFY(!d.Working.portrait);
            QCOMPARE(d.Working.paperWidth, 297.0f);
            QCOMPARE(d.Working.paperHeight, 210.0f);
            QCOMPARE(d.Image1->pixmap().size(), QSize(128, 91));
            QCOMPARE(f.printer.devMode.dmOrientation, kDmLandscape);
            QCOMPARE(f.printer.devMode.dmPaperWidth, qint16(2970));
            QCOMPARE(f.printer.devMode.dmPaperLength, qint16(2100));
            QCOMPARE(f.printer.devModeWrites, 1);

            chooseOrientation(d, 1); // the same item again: nothing
            QCOMPARE(f.printer.devModeWrites, 1);

            chooseOrientation(d, 0);
            QCOMPARE(d.Working.paperWidth, 210.0f);
            QCOMPARE(d.Working.paperHeight, 297.0f);
            QCOMPARE(f.printer.devMode.dmOrientation, kDmPortrait);
            QCOMPARE(f.printer.devModeWrites, 2);
            QTest::mouseClick(d.Button1, Qt::LeftButton);
        });
    }

    void okAfterLandscapeKeepsMarginsInPlace()
    {
        Fixture f;
        f.settings.margins = {10.0f, 20.0f, 30.0f, 40.0f};
        f.pageSetup([](TForm3 &d) {
            chooseOrientation(d, 1);
            QTest::mouseClick(d.Button1, Qt::LeftButton);
        });
        QVERIFY(!f.settings.portrait);
        QCOMPARE(f.settings.paperWidth, 297.0f);
        QCOMPARE(f.settings.paperHeight, 210.0f);
        QCOMPARE(f.settings.margins, (std::array<float, 4>{10.0f, 20.0f, 30.0f, 40.0f}));
        QCOMPARE(f.printer.devMode.dmOrientation, kDmLandscape);
    }

    void paperChosenInLandscapeIsTurned()
    {
        Fixture f;
        f.pageSetup([&](TForm3 &d) {
            chooseOrientation(d, 1);
            choosePaper(d, 0); // A3
            choosePaper(d, 1); // back to A4
            QCOMPARE(d.Working.paperWidth, 297.0f);
            QCOMPARE(d.Working.paperHeight, 210.0f);
            QCOMPARE(f.printer.devMode.dmPaperSize, qint16(9));
            QCOMPARE(f.printer.devMode.dmPaperWidth, qint16(2970));
            QCOMPARE(f.printer.devMode.dmPaperLength, qint16(2100));
            choosePaper(d, 2); // B5
            QCOMPARE(d.Working.paperWidth, 257.0f);
            QCOMPARE(d.Working.paperHeight, 182.0f);
            QCOMPARE(d.Image1->pixmap().size(), QSize(128, 91));
            QTest::mouseClick(d.Button1, Qt::LeftButton);
        });
        QCOMPARE(f.settings.paperWidth, 257.0f);
        QCOMPARE(f.settings.paperHeight, 182.0f);
        QCOMPARE(f.dialog->ComboBox1->currentIndex(), 2);
    }

    void cancelPutsEverythingBack_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel button") << "button";
        QTest::newRow("Esc") << "escape";
        QTest::newRow("close box") << "close";
        QTest::newRow("Cancel after restoring from minimised") << "restored";
    }
    void cancelPutsEverythingBack()
    {
        QFETCH(QString, how);
        Fixture f;
        const DevMode before = f.printer.devMode;
        const int result = f.pageSetup([&](TForm3 &d) {
            choosePaper(d, 0);
            chooseOrientation(d, 1);
            typeMargin(d, 0, QStringLiteral("5"));
            QVERIFY(f.printer.devMode != before);
            if (how == QLatin1String("restored")) {
                d.setWindowState(Qt::WindowMinimized);
                d.setWindowState(Qt::WindowNoState);
                QVERIFY(d.RadioItems[1]->isChecked());
                QTest::mouseClick(d.Button2, Qt::LeftButton);
            } else if (how == QLatin1String("button")) {
                QTest::mouseClick(d.Button2, Qt::LeftButton);
            } else if (how == QLatin1String("escape")) {
                QTest::keyClick(&d, Qt::Key_Escape);
            } else {
                d.close();
            }
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(f.printer.devMode, before);
        QCOMPARE(f.settings.paperWidth, 210.0f);
        QCOMPARE(f.settings.paperHeight, 297.0f);
        QVERIFY(f.settings.portrait);
        QCOMPARE(f.settings.margins[0], 20.0f);
        QCOMPARE(f.dialog->ComboBox1->currentIndex(), 1);
    }

    void printerSetupKeepingThePrinterChangesNothing()
    {
        Fixture f;
        f.pageSetup([&](TForm3 &d) {
            chooseOrientation(d, 1);
            for (bool confirmed : {false, true}) {
                f.chooser.choose = [confirmed] { return confirmed; };
                QTest::mouseClick(d.Button3, Qt::LeftButton);
            }
            QCOMPARE(f.chooser.shown, 2);
            QCOMPARE(f.printer.formQueries, 1);
            QCOMPARE(d.Working.paperWidth, 297.0f);
        });
        // Cancel still puts back the device mode of the showing, on the
        // printer that never changed.
        QCOMPARE(f.printer.devMode.dmOrientation, kDmPortrait);
        QVERIFY(f.chooser.selected.isEmpty());
    }

    void printerChosenInTheDialogBringsItsPapers()
    {
        Fixture f;
        f.chooser.choose = [&] { return chooseSecondPrinter(f.printer); };
        f.pageSetup([&](TForm3 &d) {
            chooseOrientation(d, 1);
            const qint64 before = miniatureKey(d);
            QTest::mouseClick(d.Button3, Qt::LeftButton);
            QCOMPARE(d.ComboBox1->count(), 2);
            QCOMPARE(d.ComboBox1->currentText(), QStringLiteral("B5"));
            QCOMPARE(d.Working.paperWidth, 257.0f); // turned: landscape
            QVERIFY(miniatureKey(d) != before);
            choosePaper(d, 0);
            QCOMPARE(f.printer.devMode.dmPaperSize, qint16(9));
            QTest::mouseClick(d.Button1, Qt::LeftButton);
        });
        // OK keeps the new printer with the paper chosen on it.
        QCOMPARE(f.printer.device, QStringLiteral("Second"));
        QCOMPARE(f.printer.devMode.dmPaperSize, qint16(9));
        QCOMPARE(f.settings.deviceName, QStringLiteral("Second"));
        QCOMPARE(f.settings.paperWidth, 297.0f);
        QCOMPARE(f.settings.paperHeight, 210.0f);
        QVERIFY(!f.settings.portrait);
        QCOMPARE(f.dialog->ComboBox1->currentText(), QStringLiteral("A4"));
        QCOMPARE(f.papers.count, 2);
        QVERIFY(f.chooser.selected.isEmpty());
    }

    void cancelGoesBackToThePrinterOfTheShowing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("choices"); // printers chosen one after the other
        QTest::newRow("Cancel button") << "button" << 1;
        QTest::newRow("Esc") << "escape" << 1;
        QTest::newRow("close box") << "close" << 1;
        QTest::newRow("two printers chosen in turn") << "button" << 2;
    }
    void cancelGoesBackToThePrinterOfTheShowing()
    {
        QFETCH(QString, how);
        QFETCH(int, choices);
        Fixture f;
        const DevMode before = f.printer.devMode;
        const PageSettings settingsBefore = f.settings;
        f.chooser.choose = [&] {
            if (f.printer.device == QStringLiteral("Second")) {
                f.printer.device = QStringLiteral("Third");
                f.printer.forms[FakePrinter::formsKey(f.printer.device, f.printer.port)] =
                    FakePrinter::paperList({{QStringLiteral("A3"), kA3, 8}});
                f.printer.devMode.dmPaperSize = 8;
                return true;
            }
            return chooseSecondPrinter(f.printer);
        };
        const int result = f.pageSetup([&](TForm3 &d) {
            chooseOrientation(d, 1); // written into the first printer
            for (int i = 0; i < choices; ++i)
                QTest::mouseClick(d.Button3, Qt::LeftButton);
            choosePaper(d, 0);
            typeMargin(d, 0, QStringLiteral("5"));
            QVERIFY(f.printer.device != QStringLiteral("Fake Printer"));
            if (how == QLatin1String("button"))
                QTest::mouseClick(d.Button2, Qt::LeftButton);
            else if (how == QLatin1String("escape"))
                QTest::keyClick(&d, Qt::Key_Escape);
            else
                d.close();
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(f.chooser.selected, QStringList{QStringLiteral("Fake Printer")});
        // The printer of the showing, with its device mode as it was then.
        QCOMPARE(f.printer.device, QStringLiteral("Fake Printer"));
        QCOMPARE(f.printer.port, QStringLiteral("LPT1:"));
        QCOMPARE(f.printer.devMode, before);
        // Its paper list, with the paper of the showing selected.
        QCOMPARE(f.papers.count, 3);
        QCOMPARE(f.papers.names, (QStringList{QStringLiteral("A3"), QStringLiteral("A4"),
                                               QStringLiteral("B5")}));
        QCOMPARE(f.dialog->ComboBox1->count(), 3);
        QCOMPARE(f.dialog->ComboBox1->currentIndex(), 1);
        // The page settings as they were.
        QCOMPARE(f.settings.deviceName, settingsBefore.deviceName);
        QCOMPARE(f.settings.port, settingsBefore.port);
        QCOMPARE(f.settings.devMode, settingsBefore.devMode);
        QCOMPARE(f.settings.paperWidth, 210.0f);
        QCOMPARE(f.settings.paperHeight, 297.0f);
        QVERIFY(f.settings.portrait);
        QCOMPARE(f.settings.margins[0], 20.0f);

        // The next showing finds the printer unchanged: no list is read again.
        const int queries = f.printer.formQueries;
        f.pageSetup([](TForm3 &d) { QCOMPARE(d.ComboBox1->currentText(), QStringLiteral("A4")); });
        QCOMPARE(f.printer.formQueries, queries);
        QCOMPARE(f.chooser.selected.size(), 1);
    }

    void printerGoneMeanwhileKeepsTheChosenOne()
    {
        Fixture f;
        f.chooser.choose = [&] { return chooseSecondPrinter(f.printer); };
        f.chooser.selectSucceeds = false;
        DevMode chosen;
        f.pageSetup([&](TForm3 &d) {
            QTest::mouseClick(d.Button3, Qt::LeftButton);
            chosen = f.printer.devMode;
            choosePaper(d, 0);
            QVERIFY(f.printer.devMode != chosen);
        });
        QCOMPARE(f.chooser.selected, QStringList{QStringLiteral("Fake Printer")});
        // The chosen printer gets its own device mode back and stays, with
        // its list.
        QCOMPARE(f.printer.device, QStringLiteral("Second"));
        QCOMPARE(f.printer.devMode, chosen);
        QCOMPARE(f.settings.deviceName, QStringLiteral("Second"));
        QCOMPARE(f.dialog->ComboBox1->count(), 2);
    }

    void paperListDropsDownTwelveRows_data()
    {
        QTest::addColumn<int>("papers");
        QTest::addColumn<int>("rows");
        QTest::newRow("48 papers") << 48 << 12;
        QTest::newRow("120 papers") << 120 << 12;
        QTest::newRow("13 papers") << 13 << 12;
        QTest::newRow("12 papers") << 12 << 12;
        QTest::newRow("5 papers") << 5 << 5;
    }
    void paperListDropsDownTwelveRows()
    {
        QFETCH(int, papers);
        QFETCH(int, rows);
        FakePrinter printer;
        QList<std::tuple<QString, PaperSize, quint16>> forms;
        for (int i = 0; i < papers; ++i)
            forms.append({QStringLiteral("Paper %1").arg(i), kA4, quint16(100 + i)});
        printer.devMode.dmPaperSize = qint16(100 + papers / 2); // mid-list, as a style centres it
        printer.forms[FakePrinter::formsKey(printer.device, printer.port)] = FakePrinter::paperList(forms);
        PageSettings settings;
        PaperList list;
        MessageLog log;
        RefreshPrinter(settings, printer);
        TForm3 dialog(settings, list, printer, log.fn(), nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QComboBox *combo = dialog.ComboBox1;
        QCOMPARE(combo->count(), papers);
        combo->showPopup();
        QAbstractItemView *view = combo->view();
        QTRY_VERIFY(view->isVisible());
        int shown = 0;
        for (int i = 0; i < papers; ++i)
            if (view->viewport()->rect().contains(view->visualRect(combo->model()->index(i, 0))))
                ++shown;
        QCOMPARE(shown, rows);
        QVERIFY(view->viewport()->rect().contains(
            view->visualRect(combo->model()->index(combo->currentIndex(), 0))));
        combo->hidePopup();
    }

    void comboKeepsItsSelectionOnShowing()
    {
        Fixture f;
        f.pageSetup([](TForm3 &d) {
            choosePaper(d, 0);
            QTest::mouseClick(d.Button1, Qt::LeftButton);
        });
        QCOMPARE(f.settings.paperWidth, 297.0f);
        f.settings.paperWidth = 100.0f; // not derived back into the combo
        f.pageSetup([](TForm3 &d) { QCOMPARE(d.ComboBox1->currentIndex(), 0); });
    }

    void anotherPrinterReloadsThePaperList()
    {
        Fixture f;
        f.printer.device = QStringLiteral("Second");
        f.printer.devMode.dmPaperSize = 13;
        f.printer.forms[FakePrinter::formsKey(f.printer.device, f.printer.port)] =
            FakePrinter::paperList({{QStringLiteral("B5"), kB5, 13}});
        f.pageSetup([](TForm3 &d) {
            QCOMPARE(d.ComboBox1->count(), 1);
            QCOMPARE(d.ComboBox1->currentIndex(), 0);
            QCOMPARE(d.Working.paperWidth, 182.0f);
        });
        QCOMPARE(f.settings.paperWidth, 182.0f);
        QCOMPARE(f.settings.deviceName, QStringLiteral("Second"));
    }

    void dialogWorksWithoutADeviceMode()
    {
        Fixture f;
        f.printer.devModeAvailable = false;
        f.pageSetup([&](TForm3 &d) {
            chooseOrientation(d, 1);
            QTest::mouseClick(d.Button1, Qt::LeftButton);
        });
        QVERIFY(!f.settings.portrait);
        QCOMPARE(f.printer.devModeWrites, 0);
    }
};

QTEST_MAIN(PageSetupDialogTest)
#include "tst_pagesetupdialog.moc"
