#pragma once

#include <QImage>
#include <QWidget>

class QPushButton;

namespace zel {

// The preview's toolbar (Panel3): 28 pixels high across the top of the
// window, with Print, Next and Prev at the left and Close further right.
// The letter after "&" in a caption is the button's accelerator (Alt+letter).
class PreviewToolbar : public QWidget
{
    Q_OBJECT
public:
    explicit PreviewToolbar(QWidget *parent = nullptr);

    QPushButton *SpeedButton_Print = nullptr;
    QPushButton *SpeedButton_Next = nullptr;
    QPushButton *SpeedButton_Prev = nullptr;
    QPushButton *SpeedButton_Close = nullptr;

    QSize sizeHint() const override;
};

// The page view (Image1): shows one page image stretched to its own size,
// with the sheet's black frame one pixel wide at every size.
class PreviewPageView : public QWidget
{
    Q_OBJECT
public:
    explicit PreviewPageView(QWidget *parent = nullptr);

    const QImage &image() const { return m_image; }
    void setImage(const QImage &image);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
};

} // namespace zel
