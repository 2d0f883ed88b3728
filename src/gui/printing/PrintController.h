#pragma once

#include "printing/PageSettings.h"
#include "printing/PaperList.h"
#include "printing/PrintCommand.h"
#include "printing/PrinterPort.h"
#include "PreviewWidgets.h"

#include <QObject>
#include <QPointer>
#include <QSize>

#include <functional>
#include <memory>

class QWidget;

namespace zel {

class QtPrinterPort;
class Scene;
class TForm3;
class UiState;

// What the print preview needs from the main window, which owns the
// editing view, the menu bar and the scroll box the page is shown in.
class PreviewHost
{
public:
    virtual ~PreviewHost() = default;

    // Called once, from the controller's constructor, with the preview's two
    // widgets, both hidden; the window takes them as children and the
    // controller shows, hides and places them from then on.
    //  - toolbar (Panel3): a fixed 28-pixel-high strip to go across the top of
    //    the window, above the scroll box, at the full width;
    //  - pageView (Image1): a child of the scroll box's client area (its
    //    viewport, not the scrolled contents), so that the geometry the
    //    controller gives it is in client coordinates whatever the scroll
    //    position.
    virtual void adoptPreviewWidgets(QWidget *toolbar, QWidget *pageView) = 0;

    // Shows or hides the editing view (Panel1, the frame with the background
    // and its parts). While it is hidden the scroll box must not scroll, so
    // that its whole client area is free for the page.
    virtual void setEditingViewVisible(bool visible) = 0;

    // Removes the main menu from the window (false) or puts it back (true).
    // While it is removed no menu command and no menu shortcut may run.
    virtual void setMainMenuPresent(bool present) = 0;

    // The client size of the scroll box (ScrollBox1), as laid out now.
    virtual QSize previewClientSize() const = 0;

    // Repaints the whole window at once, before a print starts from the
    // preview.
    virtual void repaintWindow() = 0;
};

// Seams of the printing commands. Left empty, the real ones are used: the
// Qt printer on the default printer, QPrintDialog, the printer setup dialog
// over the Qt printer, and an event pump that repaints between sheets.
struct PrintPorts {
    PrinterPort *printer = nullptr;
    PrintDialogPort *printDialog = nullptr; // needed when printer is given
    MessageFn showMessage;                  // required
    PrinterChooserPort *printerChooser = nullptr;
    EventPump pump;
    // Runs the page setup dialog modally and returns its result.
    std::function<int(TForm3 &)> showPageSetup;
    QWidget *dialogParent = nullptr;
};

// Everything printing keeps for the run and the four printing commands of
// the main window: page setup, print, print preview and the preview's own
// toolbar, plus the resize hook. Created in the window's FormCreate, after
// the window's widgets: it sets the page settings to their defaults, reads
// the current printer, creates the page setup dialog (which reads the
// printer's paper list) and hands the preview widgets to the host.
class PrintController : public QObject
{
    Q_OBJECT
public:
    PrintController(Scene &scene, UiState &ui, PreviewHost &host, PrintPorts ports,
                    QObject *parent = nullptr);
    ~PrintController() override;

    // Menu commands.
    void PageSetupItemClick();
    void PrintItemClick();
    void PrintPreviewItemClick();
    // The window's resize handler calls this; it re-fits a shown preview.
    void FormResize();

    // Toolbar handlers (connected to the buttons already).
    void ToolButton_PrintClick();
    void ToolButton_NextClick();
    void ToolButton_PrevClick();
    void ToolButton_CloseClick();
    void RenderPreviewPage();

    bool isPreviewShown() const { return m_previewShown; }
    // True while a print job runs; printing and preview commands then do
    // nothing, and the window should not close.
    bool isPrinting() const { return m_printing; }

    int CurrentPreviewPage = 0;

    PageSettings &settings() { return m_settings; }
    PaperList &papers() { return m_papers; }
    PrintState &state() { return m_state; }
    PrinterPort &printer() { return *m_printer; }
    TForm3 &pageSetupDialog() { return *m_pageSetup; }
    PreviewToolbar &toolbar() { return *m_toolbar; }
    PreviewPageView &pageView() { return *m_pageView; }

private:
    void leavePreview();

    Scene &m_scene;
    UiState &m_ui;
    PreviewHost &m_host;
    PrintPorts m_ports;
    std::unique_ptr<QtPrinterPort> m_ownPrinter;
    std::unique_ptr<PrintDialogPort> m_ownPrintDialog;
    std::unique_ptr<PrinterChooserPort> m_ownPrinterChooser;
    PrinterPort *m_printer = nullptr;
    PrintDialogPort *m_printDialog = nullptr;

    PageSettings m_settings;
    PaperList m_papers;
    PrintState m_state;

    QPointer<TForm3> m_pageSetup;
    QPointer<PreviewToolbar> m_toolbar;
    QPointer<PreviewPageView> m_pageView;
    bool m_previewShown = false;
    bool m_printing = false;
};

} // namespace zel
