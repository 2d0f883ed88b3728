// Printing and the print preview as the main window offers them.
#include "WindowFixture.h"

#include "FakePrinter.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QtTest>

using namespace zel;
using namespace zel::test;

class WindowPrintTest : public QObject
{
    Q_OBJECT

private slots:
    void previewReplacesMenuAndEditingView();
    void printSendsEveryPage();
    void printNeedsParts();

private:
    struct Printing : WindowFixture {
        FakePrinter printer;
        ScriptedPrintDialog printDialog;
        Printing()
        {
            WindowPorts ports{&dialogs, &clipboard, {}, &printer, &printDialog};
            window = std::make_unique<MainWindow>(ports);
            window->resize(700, 600);
            window->show();
        }
    };
};

void WindowPrintTest::previewReplacesMenuAndEditingView()
{
    Printing p;
    p.paste(50, 40, 0xFF0000FFu);
    p.scene().part(0).Image->setBounds(QRect(3, 4, 50, 40));
    p.window->FileItemClick();
    p.window->action(Item::PrintPreviewItem)->trigger();
    QVERIFY(p.window->isPreviewShown());
    QVERIFY(!p.window->menuBar()->isVisible());
    QVERIFY(!p.window->framePanel()->isVisible());
    QCOMPARE(p.window->statusPanel(1)->text(), QString());
    // No shortcut reaches the scene meanwhile.
    QVERIFY(!p.window->action(Item::ClearItem)->isEnabled());
    p.window->trigger(Item::ClearItem);
    QCOMPARE(p.scene().count(), 1);
    QWidget *toolbar = p.window->findChild<QWidget *>(QStringLiteral("Panel3"));
    QVERIFY(toolbar && toolbar->isVisible());
    QCOMPARE(toolbar->height(), 28);

    p.window->print().ToolButton_CloseClick();
    QVERIFY(!p.window->isPreviewShown());
    QVERIFY(p.window->menuBar()->isVisible());
    QVERIFY(p.window->framePanel()->isVisible());
    QVERIFY(!toolbar->isVisible());
    QVERIFY(p.window->action(Item::ClearItem)->isEnabled());
    QCOMPARE(p.window->statusPanel(1)->text(), QStringLiteral("(3, 4, 50, 40)"));
}

void WindowPrintTest::printSendsEveryPage()
{
    Printing p;
    p.paste(50, 40, 0xFF0000FFu);
    p.scene().setBackgroundSize(QSize(800, 600)); // two pages across on A4 at 96 dpi
    p.window->trigger(Item::PrintItem);
    QCOMPARE(p.printDialog.shown, 1);
    QCOMPARE(p.printer.sheets.size(), size_t(2));
    QVERIFY(p.printer.events.contains(QStringLiteral("title:Zelvane - (無題)")));
}

void WindowPrintTest::printNeedsParts()
{
    Printing p;
    p.window->trigger(Item::PrintItem);
    p.window->trigger(Item::PrintPreviewItem);
    QCOMPARE(p.printDialog.shown, 0);
    QVERIFY(!p.window->isPreviewShown());
}

QTEST_MAIN(WindowPrintTest)
#include "tst_windowprint.moc"
