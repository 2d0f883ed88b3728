#pragma once

#include "DialogSupport.h"
#include "UpDown.h"

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zel {

// value with one decimal, exact halves of the binary value rounded away from
// zero: 6.25 gives "6.3", 79.375 gives "79.4", 0.15 (just below) "0.1".
QString formatOneDecimal(double value);

// The design the background-size and part-size dialogs share: a width and a
// height field, each with an up-down pair and a label in a second unit.
// Every accepted change is shown on the target at once; any close but OK
// puts the target back at its size at opening.
class SizeDialog : public QDialog
{
    Q_OBJECT
public:
    int minimumSide() const { return m_minimum; }
    int maximumSide() const { return m_maximum; }

    // The target's size when the dialog was last shown.
    int OpenWidth = 0;
    int OpenHeight = 0;

    // Handlers.
    void FormShow();
    void Edit1Exit();
    void Edit2Exit();
    void UpDown1Click(UpDownButton button);
    void UpDown2Click(UpDownButton button);
    // Up and Down step the side; returns whether the key was taken.
    bool Edit1KeyDown(int key);
    bool Edit2KeyDown(int key);
    void Button1Click();
    void Button2Click();

    // Esc and the close box end here, as the Cancel button does.
    void reject() override;
    void done(int result) override;

    QLabel *const Label1;
    QLabel *const Label2;
    QLineEdit *const Edit1;
    UpDown *const UpDown1;
    QLineEdit *const Edit2;
    UpDown *const UpDown2;
    QLabel *const Label3;
    QLabel *const Label4;
    QPushButton *const Button1;
    QPushButton *const Button2;

protected:
    SizeDialog(const QString &caption, int clientHeight, int minimum, int maximum,
               QWidget *parent);

    virtual QSize targetSize() const = 0;
    virtual void applyWidth(int width) = 0;
    virtual void applyHeight(int height) = 0;
    // Both sides in one change.
    virtual void applySize(int width, int height) = 0;
    virtual QString widthLabel(int width) const = 0;
    virtual QString heightLabel(int height) const = 0;
    // Reads what else the labels need at opening.
    virtual void readOpeningExtras() {}

    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Side { Width, Height };

    int fieldValue(Side side) const;
    bool isValid(int value) const { return value >= m_minimum && value <= m_maximum; }
    void step(Side side, int delta);
    void leaveField(Side side);
    void setSideLabel(Side side, int value);
    void applySide(Side side, int value);

    const int m_minimum;
    const int m_maximum;
    bool m_open = false;
};

} // namespace zel
