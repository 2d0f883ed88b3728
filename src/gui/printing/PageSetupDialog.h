#pragma once

#include "printing/PageSettings.h"
#include "printing/PaperList.h"
#include "printing/PrinterPort.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zel {

// The paper combo box as LoadPaperList fills it.
class QtPaperCombo : public PaperComboPort
{
public:
    explicit QtPaperCombo(QComboBox &combo) : m_combo(combo) {}
    void clear() override;
    void addItem(const QString &name) override;
    void setCurrentIndex(int index) override;
    int currentIndex() const override;

private:
    QComboBox &m_combo;
};

// What the dialog works on while it is open; the page settings get it back
// only on OK.
struct WorkingPageSettings {
    std::array<float, 4> margins{20.0f, 20.0f, 20.0f, 20.0f};
    bool portrait = true;
    float paperWidth = 210.0f;
    float paperHeight = 297.0f;
    DevMode savedDevMode;   // the printer's, as the dialog was shown
    DevMode workingDevMode; // paper and orientation changes go here first
};

// The page setup dialog ("ﾍﾟｰｼﾞ設定"): paper from the printer's list,
// orientation, four margins and a miniature of the page. Paper and
// orientation changes reach the printer's device mode at once; every way of
// closing other than OK (Cancel, Esc, the close box) puts it back, and puts
// back the printer of the showing when the printer setup chose another.
class TForm3 : public QDialog
{
    Q_OBJECT
public:
    // Created once; reads the printer's paper list (FormCreate).
    // printerChooser is the printer setup button's; none leaves it inert.
    TForm3(PageSettings &settings, PaperList &papers, PrinterPort &printer, MessageFn showMessage,
           PrinterChooserPort *printerChooser, QWidget *parent = nullptr);
    ~TForm3() override;

    WorkingPageSettings Working;
    // The paper selection that closing other than with OK puts back.
    int PaperAtShowing = -1;

    QLabel *Image1 = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QLabel *Label1 = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QLabel *Label2 = nullptr;
    QComboBox *ComboBox2 = nullptr;
    QGroupBox *RadioGroup1 = nullptr;
    std::array<QRadioButton *, 2> RadioItems{}; // 0 portrait, 1 landscape
    QGroupBox *GroupBox2 = nullptr;
    std::array<QLabel *, 4> MarginLabels{};     // Label3 .. Label6
    std::array<QLineEdit *, 4> MarginEdits{};   // Edit1 .. Edit4, tag = index
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QPushButton *Button3 = nullptr;

    PaperComboPort &paperCombo() { return *m_paperCombo; }

    void FormCreate();
    void FormShow();
    void ComboBox1Change();
    void RadioGroup1Click();
    void EditExit(int tag);
    void Button2Click();
    void Button3Click();
    void DrawPageMiniature();

    // The colour the printable area of the miniature is filled with.
    static QRgb workspaceColour();

public slots:
    void reject() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What the showing began with, for closing other than with OK after
    // another printer was chosen: that printer is made current again with
    // its paper list, and the page settings get back the printer they name.
    struct Showing {
        QString printer;
        PageSettings settings;
        PaperList papers;
        bool otherPrinterChosen = false;
    };

    void buildControls();
    void Button1Click();
    void restorePrinterOfShowing();

    PageSettings &m_settings;
    PaperList &m_papers;
    PrinterPort &m_printer;
    MessageFn m_showMessage;
    PrinterChooserPort *m_printerChooser;
    std::unique_ptr<QtPaperCombo> m_paperCombo;
    QButtonGroup *m_orientation = nullptr;
    bool m_comboHandlerAttached = true;
    std::optional<Showing> m_showing;
    DevMode m_devModeOfChosen; // the chosen printer's, as it was chosen
};

// The page setup command: follows a change of printer, shows the dialog on
// the current page settings and takes its result on OK; otherwise the paper
// combo gets its selection back. showModal runs the dialog (exec when
// empty) and returns its result.
int PageSetupItemClick(PageSettings &settings, PaperList &papers, PrinterPort &printer,
                       TForm3 &dialog, const MessageFn &showMessage,
                       const std::function<int(TForm3 &)> &showModal = {});

} // namespace zel
