#include "PrintController.h"

#include "printing/PageLayout.h"
#include "PageSetupDialog.h"
#include "PreviewWidgets.h"
#include "printing/PrinterSettings.h"
#include "PrinterSetupDialog.h"
#include "QtPrintDialog.h"
#include "printsupport/QtPrinterPort.h"
#include "scene/Scene.h"
#include "scene/UiState.h"

#include <QCoreApplication>
#include <QPushButton>

namespace zel {

PrintController::PrintController(Scene &scene, UiState &ui, PreviewHost &host, PrintPorts ports,
                                 QObject *parent)
    : QObject(parent)
    , m_scene(scene)
    , m_ui(ui)
    , m_host(host)
    , m_ports(std::move(ports))
{
    m_printer = m_ports.printer;
    m_printDialog = m_ports.printDialog;
    if (!m_printer) {
        m_ownPrinter = std::make_unique<QtPrinterPort>();
        m_printer = m_ownPrinter.get();
        if (!m_ports.printerChooser) {
            m_ownPrinterChooser =
                std::make_unique<QtPrinterChooser>(*m_ownPrinter, m_ports.dialogParent);
            m_ports.printerChooser = m_ownPrinterChooser.get();
        }
        if (!m_printDialog) {
            m_ownPrintDialog =
                std::make_unique<QtPrintDialog>(m_ownPrinter->printer(), m_ports.dialogParent);
            m_printDialog = m_ownPrintDialog.get();
        }
    }
    Q_ASSERT(m_printDialog);
    if (!m_ports.pump)
        m_ports.pump = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    if (!m_ports.showMessage)
        m_ports.showMessage = [](const QString &) {};

    m_settings = PageSettings();
    RefreshPrinter(m_settings, *m_printer);
    m_pageSetup = new TForm3(m_settings, m_papers, *m_printer, m_ports.showMessage,
                             m_ports.printerChooser, m_ports.dialogParent);

    m_toolbar = new PreviewToolbar;
    m_toolbar->hide();
    m_pageView = new PreviewPageView;
    m_pageView->hide();
    connect(m_toolbar->SpeedButton_Print, &QPushButton::clicked, this,
            &PrintController::ToolButton_PrintClick);
    connect(m_toolbar->SpeedButton_Next, &QPushButton::clicked, this,
            &PrintController::ToolButton_NextClick);
    connect(m_toolbar->SpeedButton_Prev, &QPushButton::clicked, this,
            &PrintController::ToolButton_PrevClick);
    connect(m_toolbar->SpeedButton_Close, &QPushButton::clicked, this,
            &PrintController::ToolButton_CloseClick);
    m_host.adoptPreviewWidgets(m_toolbar, m_pageView);
}

PrintController::~PrintController()
{
    // Whatever the window did not take as its own goes with the controller.
    for (QObject *object : {static_cast<QObject *>(m_pageSetup.data()),
                            static_cast<QObject *>(m_toolbar.data()),
                            static_cast<QObject *>(m_pageView.data())})
        if (object && !object->parent())
            delete object;
}

void PrintController::PageSetupItemClick()
{
    zel::PageSetupItemClick(m_settings, m_papers, *m_printer, *m_pageSetup, m_ports.showMessage,
                            m_ports.showPageSetup);
}

void PrintController::PrintItemClick()
{
    if (m_printing || !m_printDialog || m_scene.isEmpty())
        return;
    m_printing = true;
    zel::PrintItemClick(m_scene, m_settings, m_state, *m_printer, *m_printDialog,
                        m_ports.showMessage, m_ui.title(), m_ports.pump);
    m_printing = false;
}

void PrintController::PrintPreviewItemClick()
{
    if (m_printing || m_previewShown || m_scene.isEmpty())
        return;
    FollowCurrentPrinter(m_settings, m_papers, *m_printer, m_pageSetup->paperCombo(),
                         m_ports.showMessage);
    if (!ComputePageLayout(m_scene, m_settings, m_state, m_ports.showMessage))
        return;
    CurrentPreviewPage = 0;
    m_previewShown = true;
    m_host.setEditingViewVisible(false);
    m_host.setMainMenuPresent(false);
    m_toolbar->show();
    m_ui.setStatusText(1, QString());
    RenderPreviewPage();
}

void PrintController::RenderPreviewPage()
{
    const QImage sheet =
        RenderPreviewSheet(m_settings, m_state.PrintPicture, m_state.layout, CurrentPreviewPage);
    m_pageView->hide();
    const QRect view = PreviewViewRect(m_host.previewClientSize(), m_settings.paperWidth,
                                       m_settings.paperHeight);
    if (sheet.isNull()) {
        m_ports.showMessage(kOutOfMemoryText);
    } else if (view.width() > 0 && view.height() > 0) {
        m_pageView->setGeometry(view);
        m_pageView->setImage(sheet);
        m_pageView->show();
    }
    m_toolbar->SpeedButton_Next->setEnabled(CurrentPreviewPage < m_state.layout.pageCount() - 1);
    m_toolbar->SpeedButton_Prev->setEnabled(CurrentPreviewPage > 0);
}

void PrintController::ToolButton_NextClick()
{
    if (!m_previewShown || CurrentPreviewPage >= m_state.layout.pageCount() - 1)
        return;
    ++CurrentPreviewPage;
    RenderPreviewPage();
}

void PrintController::ToolButton_PrevClick()
{
    if (!m_previewShown || CurrentPreviewPage <= 0)
        return;
    --CurrentPreviewPage;
    RenderPreviewPage();
}

void PrintController::leavePreview()
{
    m_pageView->hide();
    m_pageView->setImage(QImage());
    m_toolbar->hide();
    m_host.setMainMenuPresent(true);
    m_host.setEditingViewVisible(true);
    m_previewShown = false;
}

void PrintController::ToolButton_CloseClick()
{
    if (!m_previewShown)
        return;
    leavePreview();
    m_state.PrintPicture = QImage();
    m_scene.showTopBounds();
}

void PrintController::ToolButton_PrintClick()
{
    if (!m_previewShown)
        return;
    leavePreview();
    m_scene.showTopBounds();
    m_host.repaintWindow();
    PrintItemClick();
}

void PrintController::FormResize()
{
    if (m_previewShown)
        RenderPreviewPage();
}

} // namespace zel
