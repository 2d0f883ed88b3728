#include "PreviewWidgets.h"

#include <QPainter>
#include <QPen>
#include <QPushButton>

namespace zel {

namespace {

constexpr int kToolbarHeight = 28;

QPushButton *speedButton(const QString &caption, int x, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setGeometry(x, 2, 81, 23);
    // Speed buttons do not take the focus from the window.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

PreviewToolbar::PreviewToolbar(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Panel3"));
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    setFont(font);
    setFixedHeight(kToolbarHeight);
    SpeedButton_Print = speedButton(QStringLiteral("印刷(&P)..."), 2, this);
    SpeedButton_Next = speedButton(QStringLiteral("次のﾍﾟｰｼﾞ(&N)"), 88, this);
    SpeedButton_Prev = speedButton(QStringLiteral("前のﾍﾟｰｼﾞ(&V)"), 174, this);
    SpeedButton_Close = speedButton(QStringLiteral("閉じる(&C)"), 518, this);
    SpeedButton_Next->setEnabled(false);
    SpeedButton_Prev->setEnabled(false);
}

QSize PreviewToolbar::sizeHint() const
{
    return QSize(601, kToolbarHeight);
}

PreviewPageView::PreviewPageView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Image1"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewPageView::setImage(const QImage &image)
{
    m_image = image;
    update();
}

void PreviewPageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_image.isNull()) {
        painter.fillRect(rect(), Qt::white);
        return;
    }
    // Stretched as a whole, pixels dropped or repeated, not smoothed.
    painter.drawImage(rect(), m_image);
    // The sheet's one-pixel frame would be dropped with the other pixels
    // when the sheet is shrunk: it is drawn again at the view's own size.
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace zel
