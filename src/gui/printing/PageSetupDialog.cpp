#include "PageSetupDialog.h"

#include "printing/MarginText.h"
#include "printing/PageMiniature.h"
#include "printing/PrinterSettings.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <cmath>

namespace zel {

void QtPaperCombo::clear() { m_combo.clear(); }
void QtPaperCombo::addItem(const QString &name) { m_combo.addItem(name); }
void QtPaperCombo::setCurrentIndex(int index) { m_combo.setCurrentIndex(index); }
int QtPaperCombo::currentIndex() const { return m_combo.currentIndex(); }

TForm3::TForm3(PageSettings &settings, PaperList &papers, PrinterPort &printer,
               MessageFn showMessage, PrinterChooserPort *printerChooser, QWidget *parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_papers(papers)
    , m_printer(printer)
    , m_showMessage(std::move(showMessage))
    , m_printerChooser(printerChooser)
{
    buildControls();
    m_paperCombo = std::make_unique<QtPaperCombo>(*ComboBox1);
    FormCreate();
}

TForm3::~TForm3() = default;

void TForm3::buildControls()
{
    setWindowTitle(QStringLiteral("ﾍﾟｰｼﾞ設定"));
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    setFont(font);
    setFixedSize(418, 358);

    Image1 = new QLabel(this);
    Image1->setGeometry(8, 8, 401, 129);
    Image1->setAlignment(Qt::AlignCenter);

    GroupBox1 = new QGroupBox(QStringLiteral("用紙"), this);
    GroupBox1->setGeometry(8, 144, 401, 80);
    Label1 = new QLabel(QStringLiteral("ｻｲｽﾞ(&Z):"), GroupBox1);
    Label1->setGeometry(12, 22, 80, 16);
    ComboBox1 = new QComboBox(GroupBox1);
    ComboBox1->setGeometry(96, 18, 293, 22);
    ComboBox1->setMaxVisibleItems(12);
    // Styles that drop the list over the current item, as Fusion does, show
    // as many rows as the screen holds instead.
    ComboBox1->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    Label1->setBuddy(ComboBox1);
    Label2 = new QLabel(QStringLiteral("給紙方法(&S):"), GroupBox1);
    Label2->setGeometry(12, 50, 80, 16);
    ComboBox2 = new QComboBox(GroupBox1);
    ComboBox2->setGeometry(96, 46, 293, 22);
    ComboBox2->addItem(QStringLiteral("ｵｰﾄｼｰﾄﾌｨｰﾀﾞ"));
    Label2->setBuddy(ComboBox2);
    for (QWidget *unused : {static_cast<QWidget *>(Label2), static_cast<QWidget *>(ComboBox2)}) {
        unused->setEnabled(false);
        unused->hide();
    }

    RadioGroup1 = new QGroupBox(QStringLiteral("印刷の向き"), this);
    RadioGroup1->setGeometry(8, 230, 120, 84);
    m_orientation = new QButtonGroup(this);
    const std::array<QString, 2> items{QStringLiteral("縦(&O)"), QStringLiteral("横(&A)")};
    for (int i = 0; i < 2; ++i) {
        RadioItems[size_t(i)] = new QRadioButton(items[size_t(i)], RadioGroup1);
        RadioItems[size_t(i)]->setGeometry(12, 24 + 26 * i, 96, 18);
        m_orientation->addButton(RadioItems[size_t(i)], i);
    }

    GroupBox2 = new QGroupBox(QStringLiteral("余白 (ﾐﾘ)"), this);
    GroupBox2->setGeometry(136, 230, 273, 84);
    const std::array<QString, 4> captions{QStringLiteral("左(&L):"), QStringLiteral("右(&R):"),
                                          QStringLiteral("上(&T):"), QStringLiteral("下(&B):")};
    for (int i = 0; i < 4; ++i) {
        const int x = (i % 2) * 132;
        const int y = (i / 2) * 28;
        QLabel *label = new QLabel(captions[size_t(i)], GroupBox2);
        label->setGeometry(12 + x, 24 + y, 40, 16);
        QLineEdit *edit = new QLineEdit(QStringLiteral("20mm"), GroupBox2);
        edit->setGeometry(52 + x, 20 + y, 76, 22);
        edit->installEventFilter(this);
        label->setBuddy(edit);
        MarginLabels[size_t(i)] = label;
        MarginEdits[size_t(i)] = edit;
    }

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setGeometry(254, 324, 75, 25);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    Button2->setGeometry(334, 324, 75, 25);
    Button3 = new QPushButton(QStringLiteral("ﾌﾟﾘﾝﾀの設定(&P)..."), this);
    Button3->setGeometry(8, 324, 120, 25);

    setTabOrder(ComboBox1, RadioItems[0]);
    setTabOrder(RadioItems[0], RadioItems[1]);
    setTabOrder(RadioItems[1], MarginEdits[0]);
    for (int i = 0; i < 3; ++i)
        setTabOrder(MarginEdits[size_t(i)], MarginEdits[size_t(i + 1)]);
    setTabOrder(MarginEdits[3], Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);

    connect(ComboBox1, &QComboBox::activated, this, [this] {
        if (m_comboHandlerAttached)
            ComboBox1Change();
    });
    connect(m_orientation, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            RadioGroup1Click();
    });
    connect(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm3::reject);
    connect(Button3, &QPushButton::clicked, this, &TForm3::Button3Click);
}

QRgb TForm3::workspaceColour()
{
    return QApplication::palette().color(QPalette::Dark).rgb();
}

void TForm3::FormCreate()
{
    LoadPaperList(m_settings, m_papers, m_printer, m_settings.deviceName, m_settings.port,
                  *m_paperCombo, m_showMessage);
}

void TForm3::showEvent(QShowEvent *event)
{
    // Restoring the dialog from minimised is no new showing: the device mode
    // saved when it opened must stay what Cancel puts back.
    if (!event->spontaneous()) {
        if (QScreen *screen = this->screen())
            move(screen->availableGeometry().center() - rect().center());
        FormShow();
    }
    QDialog::showEvent(event);
}

void TForm3::FormShow()
{
    m_comboHandlerAttached = false;
    m_showing = Showing{m_printerChooser ? m_printerChooser->currentPrinter() : QString(),
                        m_settings, m_papers};
    ReadPrinterDevMode(m_printer, Working.savedDevMode);
    Working.workingDevMode = Working.savedDevMode;
    RadioItems[Working.portrait ? 0 : 1]->setChecked(true);
    for (int i = 0; i < 4; ++i)
        MarginEdits[size_t(i)]->setText(FormatMarginText(Working.margins[size_t(i)]));
    DrawPageMiniature();
    ComboBox1->setFocus();
    m_comboHandlerAttached = true;
}

void TForm3::ComboBox1Change()
{
    const int i = ComboBox1->currentIndex();
    if (i < 0 || i >= m_papers.size())
        return;
    const PaperSize &size = m_papers.sizes[size_t(i)];
    const qint32 width = Working.portrait ? size.width : size.length;
    const qint32 height = Working.portrait ? size.length : size.width;
    Working.workingDevMode.dmPaperSize = qint16(m_papers.ids[size_t(i)]);
    Working.workingDevMode.dmPaperWidth = ToDevModeTenths(width);
    Working.workingDevMode.dmPaperLength = ToDevModeTenths(height);
    WritePrinterDevMode(m_printer, Working.workingDevMode);

    const float paperWidth = float(width) / 10.0f;
    const float paperHeight = float(height) / 10.0f;
    if (paperWidth != Working.paperWidth || paperHeight != Working.paperHeight) {
        Working.paperWidth = paperWidth;
        Working.paperHeight = paperHeight;
        DrawPageMiniature();
    }
}

void TForm3::RadioGroup1Click()
{
    const bool portrait = RadioItems[0]->isChecked();
    if (portrait == Working.portrait)
        return;
    Working.portrait = portrait;
    std::swap(Working.paperWidth, Working.paperHeight);
    DrawPageMiniature();
    Working.workingDevMode.dmOrientation = portrait ? kDmPortrait : kDmLandscape;
    Working.workingDevMode.dmPaperWidth = ToDevModeTenths(Working.paperWidth * 10.0f);
    Working.workingDevMode.dmPaperLength = ToDevModeTenths(Working.paperHeight * 10.0f);
    WritePrinterDevMode(m_printer, Working.workingDevMode);
}

void TForm3::EditExit(int tag)
{
    if (tag < 0 || tag >= 4)
        return;
    QLineEdit *edit = MarginEdits[size_t(tag)];
    float &margin = Working.margins[size_t(tag)];
    double value = margin;
    if (const std::optional<double> typed = ParseMarginText(edit->text());
        typed && *typed > 0 && std::isfinite(float(*typed)))
        value = *typed;
    edit->setText(FormatMarginText(value));
    if (float(value) != margin) {
        margin = float(value);
        DrawPageMiniature();
    }
}

void TForm3::Button1Click()
{
    // Enter closes the dialog without the focus leaving the box: the text
    // typed there still counts.
    for (int i = 0; i < 4; ++i)
        if (MarginEdits[size_t(i)]->hasFocus())
            EditExit(i);
    accept();
}

void TForm3::Button2Click()
{
    restorePrinterOfShowing();
    WritePrinterDevMode(m_printer, Working.savedDevMode);
}

void TForm3::restorePrinterOfShowing()
{
    if (!m_showing || !m_showing->otherPrinterChosen || !m_printerChooser)
        return;
    // A printer that has gone in the meantime cannot be had back: then the
    // chosen one stays, with its own device mode as it was chosen.
    if (!m_printerChooser->selectPrinter(m_showing->printer)) {
        Working.savedDevMode = m_devModeOfChosen;
        return;
    }
    m_showing->otherPrinterChosen = false;
    m_settings = m_showing->settings;
    m_papers = m_showing->papers;
    m_paperCombo->clear();
    for (const QString &name : m_papers.names)
        m_paperCombo->addItem(name);
    m_paperCombo->setCurrentIndex(PaperAtShowing);
}

void TForm3::reject()
{
    Button2Click();
    QDialog::reject();
}

void TForm3::done(int result)
{
    QDialog::done(result); // every way of closing ends here
    m_showing.reset();
}

void TForm3::Button3Click()
{
    if (!m_printerChooser || !m_printerChooser->choosePrinter())
        return;
    if (!FollowCurrentPrinter(m_settings, m_papers, m_printer, *m_paperCombo, m_showMessage))
        return;
    // From now on the dialog works on the new printer, from its current
    // paper; Cancel goes back to the printer of the showing.
    if (m_showing)
        m_showing->otherPrinterChosen = true;
    ReadPrinterDevMode(m_printer, Working.workingDevMode);
    m_devModeOfChosen = Working.workingDevMode;
    const int paper = ComboBox1->currentIndex();
    if (paper >= 0 && paper < m_papers.size()) {
        const PaperSize &size = m_papers.sizes[size_t(paper)];
        const qint32 width = Working.portrait ? size.width : size.length;
        const qint32 height = Working.portrait ? size.length : size.width;
        Working.paperWidth = float(width) / 10.0f;
        Working.paperHeight = float(height) / 10.0f;
    }
    DrawPageMiniature();
}

void TForm3::DrawPageMiniature()
{
    const QImage image = RenderPageMiniature(Working.paperWidth, Working.paperHeight,
                                             Working.margins, Image1->height(),
                                             workspaceColour());
    Image1->setPixmap(QPixmap::fromImage(image));
}

bool TForm3::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        // Leaving the window or opening a popup does not leave the box.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            for (int i = 0; i < 4; ++i)
                if (watched == MarginEdits[size_t(i)])
                    EditExit(i);
        }
    }
    return QDialog::eventFilter(watched, event);
}

int PageSetupItemClick(PageSettings &settings, PaperList &papers, PrinterPort &printer,
                       TForm3 &dialog, const MessageFn &showMessage,
                       const std::function<int(TForm3 &)> &showModal)
{
    FollowCurrentPrinter(settings, papers, printer, dialog.paperCombo(), showMessage);
    WorkingPageSettings &working = dialog.Working;
    working.margins = settings.margins;
    working.paperWidth = settings.paperWidth;
    working.paperHeight = settings.paperHeight;
    working.portrait = settings.portrait;
    dialog.PaperAtShowing = dialog.ComboBox1->currentIndex();

    const int result = showModal ? showModal(dialog) : dialog.exec();

    if (result == QDialog::Accepted) {
        settings.margins = working.margins;
        settings.paperWidth = working.paperWidth;
        settings.paperHeight = working.paperHeight;
        settings.portrait = working.portrait;
    } else {
        dialog.ComboBox1->setCurrentIndex(dialog.PaperAtShowing);
    }
    return result;
}

} // namespace zel
