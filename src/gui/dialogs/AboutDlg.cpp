#include "AboutDlg.h"

#include "AboutText.h"
#include "DialogSupport.h"
#include "Fonts.h"
#include "VersionInfo.h"

#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>

namespace zel {

namespace {

// An etched line along the top edge of its area, as dialog separators are.
class TopEdgeBevel : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(0, 0, width() - 1, 0);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(0, 1, width() - 1, 1);
    }
};

void placeLabel(QLabel *label, int x, int y)
{
    label->move(x, y);
    label->adjustSize();
}

void setLabelText(QLabel *label, const QString &text)
{
    label->setText(text);
    label->adjustSize();
}

} // namespace

TAboutDialog::TAboutDialog(QWidget *parent)
    : QDialog(parent)
    , Image1(new QLabel(this))
    , Label1(new QLabel(this))
    , Label2(new QLabel(this))
    , Label3(new QLabel(this))
    , Bevel1(new TopEdgeBevel(this))
    , Label4(new QLabel(this))
    , Label5(new QLabel(this))
    , Button1(new QPushButton(QStringLiteral("OK"), this))
{
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setFont(proportionalGothic(15));
    makeFixedDialog(*this, 360, 208);

    Image1->setGeometry(24, 32, 32, 32);
    Image1->setAlignment(Qt::AlignCenter);
    QFont nameFont = proportionalGothic(27);
    nameFont.setBold(true);
    Label1->setFont(nameFont);
    placeLabel(Label1, 80, 16);
    placeLabel(Label2, 80, 56);
    placeLabel(Label3, 80, 80);
    Bevel1->setGeometry(72, 112, 281, 3);
    placeLabel(Label4, 80, 120);
    placeLabel(Label5, 80, 144);
    Button1->setGeometry(264, 176, 89, 25);
    Button1->setDefault(true);
    // OK is also the cancel button: Esc and Enter both close the box.
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        centreOnScreen(*this);
}

TAboutDlg::TAboutDlg(QObject *parent, const SystemInfo &system)
    : QObject(parent)
    , m_system(system)
{
}

void TAboutDlg::fill(TAboutDialog &box, const QString &productName, const QIcon &icon) const
{
    const VersionStrings strings = GetVersionStrings(m_system.executablePath());
    box.Image1->setPixmap(icon.pixmap(32, 32));
    setLabelText(box.Label1, productName);
    setLabelText(box.Label2, QStringLiteral("Version ") + strings.version);
    setLabelText(box.Label3, QStringLiteral("Copyright ") + strings.copyright);
    setLabelText(box.Label4, osLine(m_system.osVersion()));
    setLabelText(box.Label5, memoryLine(m_system.totalPhysicalMemory()));
}

void TAboutDlg::ShowAbout(const QString &productName, const QIcon &icon)
{
    TAboutDialog box(qobject_cast<QWidget *>(parent()));
    fill(box, productName, icon);
    box.exec();
}

} // namespace zel
