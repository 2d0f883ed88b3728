#pragma once

#include "imaging/JpegCodec.h"
#include "imaging/PictureCommands.h"
#include "scene/EditCommands.h"
#include "scene/EditHistory.h"
#include "scene/Scene.h"
#include "scene/UiState.h"

#include <QString>

#include <functional>

namespace zel {

// The open document: the scene with its menu state, the edit history, the
// file it was opened from or saved to, and the commands that change it.
// The main window, the command line and the tests each hold one.
class DocumentState
{
public:
    DocumentState();
    ~DocumentState();
    DocumentState(const DocumentState &) = delete;
    DocumentState &operator=(const DocumentState &) = delete;

    UiState &ui() { return m_ui; }
    Scene &scene() { return m_scene; }
    const Scene &scene() const { return m_scene; }
    EditHistory &history() { return m_history; }
    EditCommands &edit() { return m_edit; }
    PictureCommands &pictures() { return m_pictures; }

    // How JPEG files are decoded, read once from the display at start-up.
    const JpegDecodeOptions &jpeg() const { return m_jpeg; }
    void setJpegOptions(const JpegDecodeOptions &options) { m_jpeg = options; }

    // The full path of the document's file; empty while untitled.
    const QString &CurrentFileName() const { return m_currentFileName; }
    void setCurrentFileName(const QString &path);

    // Modified while there is something to undo since it was opened or
    // saved, and while it is a document restored from a recovery copy: that
    // one is modified until it is saved or replaced, whatever undo does.
    bool isModified() const { return m_restored || m_history.HistoryPos() > 0; }
    bool isRestored() const { return m_restored; }
    void setRestored(bool restored);

    // Called after every change of the history, the file name or the
    // restored mark: whatever may change what the document is or is called.
    void setChangeListener(std::function<void()> listener) { m_changed = std::move(listener); }

    // "Zelvane": the window title's start and the close prompt's caption.
    static QString productName() { return QStringLiteral("Zelvane"); }

    // The window title: "Zelvane - (無題)" or "Zelvane - " and the path.
    void setUntitledTitle();
    void setNamedTitle();

private:
    UiState m_ui;
    Scene m_scene;
    EditHistory m_history;
    JpegDecodeOptions m_jpeg;
    EditCommands m_edit;
    PictureCommands m_pictures;
    QString m_currentFileName;
    bool m_restored = false;
    std::function<void()> m_changed;
};

} // namespace zel
