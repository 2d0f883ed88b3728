#pragma once

#include "pixels/Bitmap.h"

#include <QString>

#include <functional>
#include <vector>

namespace zel {

class Scene;

// One recorded change. Types 0 to 2 carry a whole part: its bounds in
// Value1..Value4, its source and its flags (stored as 0 or 1).
enum EntryType : quint8 {
    CutEntry = 0, PasteEntry = 1, DeleteEntry = 2, SelectEntry = 3, MoveEntry = 4,
    PartSizeEntry = 5, BackgroundSizeEntry = 6, BackgroundColourEntry = 7,
    TransparentModeEntry = 8, MonochromeEntry = 9, GrayscaleEntry = 10
};

struct HistoryEntry {
    quint8 Type = 0;
    qint32 Value1 = 0;
    qint32 Value2 = 0;
    qint32 Value3 = 0;
    qint32 Value4 = 0;
    zel::Bitmap Bitmap;
    quint8 Monochrome = 0;
    quint8 Grayscale = 0;
    quint8 Transparent = 0;
};

// The action names by entry type, and the on/off suffixes of the toggles.
extern const char *const ActionNames[11];
extern const char *const OnOffSuffixes[2];

// The unbounded list of changes and the position between done and undone.
class EditHistory
{
public:
    // Entries below the position are done, the rest undone. 0 means the
    // document is as it was opened or saved.
    int HistoryPos() const { return m_historyPos; }

    int count() const { return int(m_entries.size()); }
    const HistoryEntry &entry(int index) const { return m_entries[size_t(index)]; }

    // Records a change; discards whatever could have been redone.
    void AddHistoryEntry(quint8 type, qint32 value1 = 0, qint32 value2 = 0,
                         qint32 value3 = 0, qint32 value4 = 0);
    // Records a change that carries a part (cut, paste, delete). A paste entry
    // keeps its own copy of the bitmap; cut and delete entries take it over.
    void AddHistoryEntry(quint8 type, qint32 left, qint32 top, qint32 width, qint32 height,
                         const zel::Bitmap &bitmap, qint32 monochrome, qint32 grayscale,
                         qint32 transparent);

    void FreeHistoryEntry(int index);
    void ClearHistory();

    bool canUndo() const { return m_historyPos > 0 && m_historyPos <= count(); }
    bool canRedo() const { return m_historyPos >= 0 && m_historyPos < count(); }

    // Re-apply the inverse, or the change itself, through the scene
    // operations. They do nothing when there is nothing to undo or redo.
    bool undo(Scene &scene);
    bool redo(Scene &scene);

    // "元に戻す(&U) " / "やり直し(&R) " followed by the action and, for
    // transparent mode and monochrome, the direction of the change.
    QString undoCaption() const;
    QString redoCaption() const;

    // Called after every change of the entries or the position.
    void setChangeListener(std::function<void()> listener) { m_changed = std::move(listener); }

private:
    void append(HistoryEntry entry);
    static QString actionText(const HistoryEntry &entry);

    void changed() const
    {
        if (m_changed)
            m_changed();
    }

    std::vector<HistoryEntry> m_entries;
    int m_historyPos = 0;
    std::function<void()> m_changed;
};

} // namespace zel
