#pragma once

#include <QObject>
#include <QString>

#include <array>

namespace zel {

// Every menu command of the main window. The window binds one action to each
// and mirrors its enabled state, check mark and caption from UiState.
enum class Item {
    NewItem, OpenItem, SaveItem, SaveAsItem, PrintPreviewItem, PageSetupItem,
    PrintItem, ExitItem,
    UndoItem, RedoItem, CutItem, CopyItem, PasteItem, ClearItem, MoveItem,
    PasteFromFileItem, SelectItem, PartSizeItem, FitPartItem, MonochromeItem, GrayItem,
    TransparentModeItem,
    SaveBitmapItem, SaveClipboardItem, SizeItem, BKColorItem,
    ZoomInItem, ZoomOutItem, ActualSizeItem, FitWindowItem,
    AboutItem,
    Count
};

constexpr int kItemCount = int(Item::Count);

// The state the window shows but does not own: the menu items' enabled
// states, check marks and (for Undo and Redo) captions, the two status panel
// texts and the window title. Core code changes it; the window only binds.
class UiState : public QObject
{
    Q_OBJECT
public:
    explicit UiState(QObject *parent = nullptr);

    bool isEnabled(Item item) const { return m_items[size_t(item)].enabled; }
    bool isChecked(Item item) const { return m_items[size_t(item)].checked; }
    QString caption(Item item) const { return m_items[size_t(item)].caption; }

    void setEnabled(Item item, bool enabled);
    void setChecked(Item item, bool checked);
    void setCaption(Item item, const QString &caption);

    // Panel 0 shows command hints, panel 1 the selected part's bounds or the
    // displacement of a move.
    QString statusText(int panel) const { return m_status[size_t(panel)]; }
    void setStatusText(int panel, const QString &text);

    QString title() const { return m_title; }
    void setTitle(const QString &title);

    // The texts the status panel uses for bounds and displacements.
    static QString boundsText(int left, int top, int width, int height);
    static QString offsetText(int dx, int dy);

signals:
    void itemChanged(zel::Item item);
    void statusChanged(int panel);
    void titleChanged(const QString &title);

private:
    struct ItemState {
        bool enabled = false;
        bool checked = false;
        QString caption;
    };
    std::array<ItemState, kItemCount> m_items;
    std::array<QString, 2> m_status;
    QString m_title;
};

} // namespace zel
