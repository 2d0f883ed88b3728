#pragma once

#include "printing/PageSetupDialog.h"
#include "printing/PrintController.h"

#include "document/DocumentCommands.h"
#include "document/DocumentState.h"
#include "scene/PartMover.h"
#include "printing/ScreenResolution.h"
#include "scene/Ports.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <deque>
#include <optional>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QMimeData;

namespace zel {

class Canvas;
class EditorView;
class RecoveryCopy;
class RecoveryStore;
class TAboutDlg;
class TForm2;
class TForm6;
class TForm7;

// Where the window gets its modal choices and clipboard from. Left empty,
// the real dialogs and the system clipboard are used.
struct WindowPorts {
    Dialogs *dialogs = nullptr;
    ClipboardPort *clipboard = nullptr;
    // Moves the mouse pointer to a screen position; QCursor::setPos if empty.
    std::function<void(const QPoint &)> setCursorPos;
    // The printer and the print dialog; the default printer and QPrintDialog
    // if empty. Given together.
    PrinterPort *printer = nullptr;
    PrintDialogPort *printDialog = nullptr;
    // Where recovery copies of the document are kept; none kept if empty.
    RecoveryStore *recovery = nullptr;
    // The screen's resolution, read once at start-up; the screen the window
    // is on if empty.
    const ScreenMetrics *screen = nullptr;
};

// The one window: the scene in its frame inside a scrolling area, the menu
// bar, the status bar and the (normally hidden) preview toolbar. It holds the
// open document, dispatches its menu items to the document's commands, and
// binds its actions and labels to the UiState the core keeps.
class MainWindow : public QMainWindow, private MoveHost, private PreviewHost
{
    Q_OBJECT
public:
    explicit MainWindow(WindowPorts ports = {}, QWidget *parent = nullptr);
    ~MainWindow() override;

    DocumentState &state() { return m_state; }
    Scene &scene() { return m_state.scene(); }
    EditHistory &history() { return m_state.history(); }
    UiState &ui() { return m_state.ui(); }
    DocumentCommands &document() { return m_document; }
    QAction *action(Item item) const { return m_actions[size_t(item)]; }
    QMenu *menu(const char *name) const;
    Canvas *canvas() const { return m_canvas; }
    EditorView *editorView() const { return m_scrollBox; }
    QWidget *framePanel() const { return m_panel1; }
    QLabel *statusPanel(int index) const { return m_statusPanels[size_t(index)]; }
    PartMover &mover() { return m_mover; }
    PrintController &print();
    // The print preview is shown in place of the editing view.
    bool isPreviewShown() const;

    // The menu-opening handlers.
    void FileItemClick();
    void EditItemClick();
    void PictureItemClick();
    void ViewItemClick();

    // Runs an item's command as its menu item would.
    void trigger(Item item);

    // Opens a document given at start-up, with Open's messages; the window
    // stays untitled when it cannot.
    void openAtStart(const QString &path) { m_document.openFile(path); }
    // At start-up, before anything else opens: offers a document that a
    // program no longer running left in a recovery copy. True when it was
    // restored.
    bool offerRecovery();
    // Null when no recovery copies are kept.
    RecoveryCopy *recoveryCopy() const { return m_recovery.get(); }

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void FormCreate();
    TForm2 &form2();
    TForm6 &form6();
    TForm7 &form7();
    TAboutDlg &aboutDlg1();
    void FormShow();
    void FormResize();
    void placeOnScreen();
    void buildWindow();
    void buildMenus();
    void bindUiState();
    void syncAction(Item item);
    std::function<void()> handlerFor(Item item);

    void ExitItemClick();
    void showScale();
    // New and Open show the new document at 1:1 from its top-left.
    void resetView();
    // Files dropped from a file manager: pictures are pasted, a document is
    // opened. Empty when the drop is not one we take.
    QStringList droppedFiles(const QMimeData *data) const;
    void openDroppedFiles(const QStringList &files, const QPoint &at);
    void onCanvasPressed(QPoint point, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void onCanvasMoved(QPoint point, Qt::KeyboardModifiers modifiers);
    void onCanvasReleased(QPoint point, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    PointerEvent pointerEvent(QPoint point, Qt::KeyboardModifiers modifiers) const;

    // MoveHost
    int dragThreshold() const override;
    void placePointer(const QPoint &backgroundPoint) override;
    void showPointer(Pointer pointer) override;
    void capturePointer(bool capture) override;

    // PreviewHost
    void adoptPreviewWidgets(QWidget *toolbar, QWidget *pageView) override;
    void setEditingViewVisible(bool visible) override;
    void setMainMenuPresent(bool present) override;
    QSize previewClientSize() const override;
    void repaintWindow() override;

    std::unique_ptr<Dialogs> m_ownDialogs;
    std::unique_ptr<ClipboardPort> m_ownClipboard;
    Dialogs &m_dialogs;
    ClipboardPort &m_clipboard;
    const ScreenMetrics *m_screen = nullptr;

    DocumentState m_state;
    UiState &m_ui;
    Scene &m_scene;
    DocumentCommands m_document;
    PartMover m_mover;
    std::unique_ptr<TForm2> m_form2;
    PrintPorts m_printPorts;
    std::unique_ptr<PrintController> m_print;
    std::unique_ptr<TForm6> m_form6;
    std::unique_ptr<TForm7> m_form7;
    std::unique_ptr<RecoveryCopy> m_recovery;
    TAboutDlg *m_aboutDlg1 = nullptr;
    std::function<void(const QPoint &)> m_setCursorPos;
    // Where keyboard steps put the pointer (canvas), oldest first, until the
    // pointer is seen to arrive there.
    std::deque<QPoint> m_placedPointer;

    QWidget *m_panel3 = nullptr;
    QWidget *m_image1 = nullptr;
    bool m_menuPresent = true;
    static constexpr QSize kOuterSize{607, 506};
    bool m_shownOnce = false;
    bool m_placedWithFrame = false;
    EditorView *m_scrollBox = nullptr;
    QLabel *m_scaleLabel = nullptr;
    QWidget *m_panel1 = nullptr;
    Canvas *m_canvas = nullptr;
    std::array<QLabel *, 2> m_statusPanels{};
    std::array<QAction *, kItemCount> m_actions{};
    std::vector<QMenu *> m_menus;
};

} // namespace zel
