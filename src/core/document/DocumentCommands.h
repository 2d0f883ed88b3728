#pragma once

#include "scene/Ports.h"

#include <QString>

#include <functional>

namespace zel {

class DocumentState;

extern const char *const kDocumentFilter;

// The File menu's New, Open, Save and Save As with the close prompt, over
// the open document.
class DocumentCommands
{
public:
    DocumentCommands(DocumentState &document, Dialogs &dialogs);

    void NewDocument();
    // New and Open ask about unsaved changes first, as closing does. New,
    // Save and Save As are offered only while the scene has parts.
    void NewItemClick();
    void OpenItemClick();
    // Opens a chosen file (also what dropping a document on the window
    // does). A file that cannot be opened or read changes nothing.
    bool openFile(const QString &path);
    void SaveItemClick();
    void SaveAsItemClick();
    // Writes the scene to CurrentFileName; true when the file is complete.
    bool SaveDocument();

    // Asks about unsaved changes (Yes saves through the save dialog); true
    // when the document may be dropped: not modified, No, or a save that
    // succeeded.
    bool ConfirmClose();
    bool FormClose() { return ConfirmClose(); }

    // Called whenever New or Open has put a new document in place of the
    // old one: a window shows it afresh.
    void onDocumentReplaced(std::function<void()> replaced) { m_replaced = std::move(replaced); }

private:
    QString fileMessage(const char *ending) const;
    static QString fileMessage(const QString &path, const char *ending);

    DocumentState &m_document;
    Dialogs &m_dialogs;
    std::function<void()> m_replaced;
};

} // namespace zel
