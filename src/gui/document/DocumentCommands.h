#pragma once

#include "Ports.h"

#include <QString>

namespace zel {

class EditHistory;
class Scene;

extern const char *const kDocumentFilter;

// The document the window holds: its file name, whether it is modified,
// and the File menu's New, Open, Save and Save As with the close prompt.
class DocumentCommands
{
public:
    DocumentCommands(Scene &scene, EditHistory &history, Dialogs &dialogs);

    QString CurrentFileName;

    bool isModified() const;

    void NewDocument();
    // New and Open ask about unsaved changes first, as closing does.
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

    void setUntitledTitle();
    void setNamedTitle();

private:
    QString fileMessage(const char *ending) const;
    static QString fileMessage(const QString &path, const char *ending);

    Scene &m_scene;
    EditHistory &m_history;
    Dialogs &m_dialogs;
};

} // namespace zel
