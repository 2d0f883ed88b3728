#pragma once

#include "SystemInfo.h"

#include <QDialog>
#include <QObject>

class QIcon;
class QLabel;
class QPushButton;

namespace zel {

// The About box: icon, product name, version and copyright lines, the
// operating system and the physical memory.
class TAboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutDialog(QWidget *parent = nullptr);

    QLabel *const Image1;
    QLabel *const Label1;
    QLabel *const Label2;
    QLabel *const Label3;
    QWidget *const Bevel1;
    QLabel *const Label4;
    QLabel *const Label5;
    QPushButton *const Button1;

protected:
    void showEvent(QShowEvent *event) override;
};

// Shows the About box: builds it, fills it, shows it modally and destroys
// it, every time. The box's parent is this object's parent when that is a
// widget.
class TAboutDlg : public QObject
{
    Q_OBJECT
public:
    explicit TAboutDlg(QObject *parent = nullptr, const SystemInfo &system = hostSystemInfo());

    void ShowAbout(const QString &productName, const QIcon &icon);

    // What ShowAbout puts into the box before showing it.
    void fill(TAboutDialog &box, const QString &productName, const QIcon &icon) const;

private:
    const SystemInfo &m_system;
};

} // namespace zel
