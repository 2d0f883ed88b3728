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
    void NewItemClick() { NewDocument(); }
    void OpenItemClick();
    // Opens a chosen file (also what dropping a document on the window does).
    bool openFile(const QString &path);
    void SaveItemClick();
    void SaveAsItemClick();
    // Writes the scene to CurrentFileName; true when the file is complete.
    bool SaveDocument();

    // Asks about unsaved changes; true when the window may close.
    bool FormClose();

    void setUntitledTitle();
    void setNamedTitle();

private:
    QString fileMessage(const char *ending) const;

    Scene &m_scene;
    EditHistory &m_history;
    Dialogs &m_dialogs;
};

} // namespace zel
