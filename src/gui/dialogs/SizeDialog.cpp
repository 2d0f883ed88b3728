#include "SizeDialog.h"

#include "Fonts.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <charconv>
#include <cmath>

namespace zel {

QString formatOneDecimal(double value)
{
    if (!std::isfinite(value) || std::fabs(value) >= 1e15)
        return QString::number(value, 'f', 1);
    // The exact decimal expansion of the binary value: at most 15 integer
    // digits here and never more than 1074 fraction digits.
    std::array<char, 1100> digits{};
    const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(),
                                            std::fabs(value), std::chars_format::fixed, 1074);
    if (error != std::errc())
        return QString::number(value, 'f', 1);
    const std::string_view text(digits.data(), size_t(end - digits.data()));
    const size_t point = text.find('.');
    quint64 tenths = 0;
    for (size_t i = 0; i < point; ++i)
        tenths = tenths * 10 + quint64(text[i] - '0');
    tenths = tenths * 10 + quint64(text[point + 1] - '0');
    if (text[point + 2] >= '5')
        ++tenths;
    QString result = QString::number(tenths / 10) + QLatin1Char('.') + QString::number(tenths % 10);
    if (value < 0 && tenths != 0)
        result.prepend(QLatin1Char('-'));
    return result;
}

SizeDialog::SizeDialog(const QString &caption, int clientHeight, int minimum, int maximum,
                       QWidget *parent)
    : QDialog(parent)
    , Label1(new QLabel(QStringLiteral("幅 (ﾋﾟｸｾﾙ) (&W):"), this))
    , Label2(new QLabel(QStringLiteral("高さ (ﾋﾟｸｾﾙ) (&H):"), this))
    , Edit1(new QLineEdit(this))
    , UpDown1(new UpDown(this))
    , Edit2(new QLineEdit(this))
    , UpDown2(new UpDown(this))
    , Label3(new QLabel(this))
    , Label4(new QLabel(this))
    , Button1(new QPushButton(QStringLiteral("OK"), this))
    , Button2(new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this))
    , m_minimum(minimum)
    , m_maximum(maximum)
{
    setWindowTitle(caption);
    setFont(proportionalGothic(12));
    makeFixedDialog(*this, 265, clientHeight);

    Label1->move(16, 16);
    Label1->setBuddy(Edit1);
    Label2->move(16, 40);
    Label2->setBuddy(Edit2);
    Edit1->setGeometry(112, 12, 57, 20);
    UpDown1->setGeometry(169, 12, 16, 20);
    Edit2->setGeometry(112, 36, 57, 20);
    UpDown2->setGeometry(169, 36, 16, 20);
    Label3->move(192, 16);
    Label4->move(192, 40);
    Button1->setGeometry(48, 72, 75, 20);
    Button1->setDefault(true);
    Button2->setGeometry(144, 72, 75, 20);
    for (QLabel *label : {Label1, Label2, Label3, Label4})
        label->adjustSize();

    for (UpDown *upDown : {UpDown1, UpDown2}) {
        upDown->setRange(minimum, maximum);
        upDown->setPosition(minimum);
    }
    // Before the first opening the fields show the lower limit.
    Edit1->setText(QString::number(minimum));
    Edit2->setText(QString::number(minimum));

    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Button1);
    setTabOrder(Button1, Button2);

    Edit1->installEventFilter(this);
    Edit2->installEventFilter(this);
    connect(UpDown1, &UpDown::clicked, this, &SizeDialog::UpDown1Click);
    connect(UpDown2, &UpDown::clicked, this, &SizeDialog::UpDown2Click);
    connect(Button1, &QPushButton::clicked, this, &SizeDialog::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &SizeDialog::Button2Click);
}

void SizeDialog::FormShow()
{
    const QSize size = targetSize();
    OpenWidth = size.width();
    OpenHeight = size.height();
    readOpeningExtras();
    UpDown1->setPosition(OpenWidth);
    UpDown2->setPosition(OpenHeight);
    setSideLabel(Side::Width, OpenWidth);
    setSideLabel(Side::Height, OpenHeight);
    Edit1->setText(QString::number(OpenWidth));
    Edit2->setText(QString::number(OpenHeight));
    Edit1->setFocus(Qt::OtherFocusReason);
    Edit1->selectAll();
    m_open = true;
}

void SizeDialog::Edit1Exit() { leaveField(Side::Width); }
void SizeDialog::Edit2Exit() { leaveField(Side::Height); }

void SizeDialog::UpDown1Click(UpDownButton button)
{
    step(Side::Width, button == UpDownButton::btNext ? 1 : -1);
}

void SizeDialog::UpDown2Click(UpDownButton button)
{
    step(Side::Height, button == UpDownButton::btNext ? 1 : -1);
}

bool SizeDialog::Edit1KeyDown(int key)
{
    if (key != Qt::Key_Up && key != Qt::Key_Down)
        return false;
    step(Side::Width, key == Qt::Key_Up ? 1 : -1);
    return true;
}

bool SizeDialog::Edit2KeyDown(int key)
{
    if (key != Qt::Key_Up && key != Qt::Key_Down)
        return false;
    step(Side::Height, key == Qt::Key_Up ? 1 : -1);
    return true;
}

void SizeDialog::Button1Click()
{
    const int width = fieldValue(Side::Width);
    const int height = fieldValue(Side::Height);
    if (m_open && isValid(width) && isValid(height))
        applySize(width, height);
    done(mrOk);
}

void SizeDialog::Button2Click()
{
    if (m_open)
        applySize(OpenWidth, OpenHeight);
    done(mrCancel);
}

void SizeDialog::reject()
{
    Button2Click();
}

void SizeDialog::done(int result)
{
    // From here on the fields lose the focus as the window goes; that is no
    // leaving of a field.
    m_open = false;
    QDialog::done(result);
}

void SizeDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    centreOnScreen(*this);
    FormShow();
}

bool SizeDialog::eventFilter(QObject *watched, QEvent *event)
{
    const bool width = watched == Edit1;
    if (!width && watched != Edit2)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (width ? Edit1KeyDown(key) : Edit2KeyDown(key))
            return true;
    } else if (event->type() == QEvent::FocusOut && m_open) {
        // Only a move of the focus to another control of the dialog leaves
        // a field; switching to another window does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (width)
                Edit1Exit();
            else
                Edit2Exit();
        }
    }
    return QDialog::eventFilter(watched, event);
}

int SizeDialog::fieldValue(Side side) const
{
    const QLineEdit *field = side == Side::Width ? Edit1 : Edit2;
    bool ok = false;
    const int value = field->text().toInt(&ok);
    if (!ok)
        return side == Side::Width ? OpenWidth : OpenHeight;
    return value;
}

void SizeDialog::step(Side side, int delta)
{
    if (!m_open)
        return;
    // A step stays within the limits, widened to take in the size the side
    // had at opening, so that a part smaller or larger than the limits can
    // still be stepped from where it is. It never reaches zero, and a number
    // typed out of range cannot be carried to a huge size.
    const int opening = side == Side::Width ? OpenWidth : OpenHeight;
    const int low = qMax(1, qMin(m_minimum, opening));
    const int high = qMax(m_maximum, opening);
    const qint64 wanted = qint64(fieldValue(side)) + delta;
    const int value = int(qBound(qint64(low), wanted, qint64(high)));
    setSideLabel(side, value);
    QLineEdit *field = side == Side::Width ? Edit1 : Edit2;
    field->setText(QString::number(value));
    applySide(side, fieldValue(side));
}

void SizeDialog::leaveField(Side side)
{
    const int value = fieldValue(side);
    if (!isValid(value))
        return;
    setSideLabel(side, value);
    (side == Side::Width ? UpDown1 : UpDown2)->setPosition(value);
    applySide(side, value);
}

void SizeDialog::setSideLabel(Side side, int value)
{
    QLabel *label = side == Side::Width ? Label3 : Label4;
    label->setText(side == Side::Width ? widthLabel(value) : heightLabel(value));
    label->adjustSize();
}

void SizeDialog::applySide(Side side, int value)
{
    if (side == Side::Width)
        applyWidth(value);
    else
        applyHeight(value);
}

} // namespace zel
