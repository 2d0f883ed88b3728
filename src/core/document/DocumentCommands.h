#pragma once

#include "scene/Ports.h"

#include <QString>

#include <functional>

namespace zel {

class DocumentState;
struct DocumentContents;

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
    // Puts a document kept in a recovery copy in place of the open one,
    // under the name it had (empty: untitled). It counts as modified until
    // it is saved or replaced.
    void restoreDocument(const DocumentContents &contents, const QString &fileName);
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
    // Called after every save with whether the file was written.
    void onSaved(std::function<void(bool written)> saved) { m_saved = std::move(saved); }

private:
    QString fileMessage(const char *ending) const;
    static QString fileMessage(const QString &path, const char *ending);

    DocumentState &m_document;
    Dialogs &m_dialogs;
    std::function<void()> m_replaced;
    std::function<void(bool)> m_saved;
};

} // namespace zel
