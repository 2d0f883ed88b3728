#pragma once

#include "scene/Ports.h"

class QWidget;

namespace zel {

// Real dialogs, owned by and centred on the given window.
class QtDialogs : public Dialogs
{
public:
    explicit QtDialogs(QWidget *owner) : m_owner(owner) {}
    QString chooseFile(FileRequest &request) override;
    Answer askYesNoCancel(const QString &caption, const QString &text) override;
    Answer askYesNo(const QString &caption, const QString &text) override;
    void showMessage(const QString &text) override;
    void showError(const QString &text) override;
    std::optional<Colour> chooseColour(Colour initial) override;

    // "Desc|*.a;*.b|Desc2|*.c" -> "Desc (*.a *.b);;Desc2 (*.c)", keeping a
    // description that already names its patterns as it is.
    static QString qtFilter(const QString &filter);

private:
    QWidget *m_owner;
};

class QtClipboard : public ClipboardPort
{
public:
    bool hasBitmap() const override;
    QImage bitmap() const override;
    void setBitmap(const QImage &image) override;
};

} // namespace zel
