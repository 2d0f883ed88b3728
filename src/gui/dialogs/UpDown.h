#pragma once

#include <QWidget>

class QToolButton;

namespace zel {

enum class UpDownButton { btNext, btPrev };

// A pair of arrow buttons with a position of its own, kept within
// [minimum, maximum]. It is not tied to any field and never takes the
// keyboard focus. A button press that can move the position moves it by one
// and reports clicked(); at the end of the range the press does nothing.
class UpDown : public QWidget
{
    Q_OBJECT
public:
    explicit UpDown(QWidget *parent = nullptr);

    void setRange(int minimum, int maximum);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

    int position() const { return m_position; }
    // Clamped to the range.
    void setPosition(int position);

    QToolButton *upButton() const { return m_up; }
    QToolButton *downButton() const { return m_down; }

signals:
    void clicked(zel::UpDownButton button);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void press(UpDownButton button);

    QToolButton *m_up;
    QToolButton *m_down;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_position = 0;
};

} // namespace zel
