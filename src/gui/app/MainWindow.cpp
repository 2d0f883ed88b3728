#include "MainWindow.h"

#include "Canvas.h"
#include "EditorView.h"
#include "dialogs/AboutDlg.h"
#include "dialogs/AppIcon.h"
#include "dialogs/Fonts.h"
#include "MenuTable.h"
#include "printing/PageSetupDialog.h"
#include "dialogs/PartSelectDialog.h"
#include "QtPorts.h"
#include "dialogs/SizeCommands.h"
#include "dialogs/ScreenMetrics.h"
#include "dialogs/SizeDialogs.h"

#include "document/RecoveryCopy.h"
#include "imaging/PictureFiles.h"

#include <QAction>
#include <QPainter>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace zel {

namespace {

// Qt key codes to the virtual key codes the mover speaks; 0 for others.
int virtualKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return VkReturn;
    case Qt::Key_Shift: return VkShift;
    case Qt::Key_Escape: return VkEscape;
    case Qt::Key_Left: return VkLeft;
    case Qt::Key_Up: return VkUp;
    case Qt::Key_Right: return VkRight;
    case Qt::Key_Down: return VkDown;
    default: return 0;
    }
}

template<class T>
T &portOr(T *given, std::unique_ptr<T> &own)
{
    return given ? *given : *own;
}

} // namespace

MainWindow::MainWindow(WindowPorts ports, QWidget *parent)
    : QMainWindow(parent)
    , m_ownDialogs(ports.dialogs ? nullptr : std::make_unique<QtDialogs>(this))
    , m_ownClipboard(ports.clipboard ? nullptr : std::make_unique<QtClipboard>())
    , m_dialogs(portOr(ports.dialogs, m_ownDialogs))
    , m_clipboard(portOr(ports.clipboard, m_ownClipboard))
    , m_screen(ports.screen)
    , m_ui(m_state.ui())
    , m_scene(m_state.scene())
    , m_document(m_state, m_dialogs)
    , m_mover(m_state.edit(), *this)
    , m_setCursorPos(ports.setCursorPos ? ports.setCursorPos
                                        : [](const QPoint &p) { QCursor::setPos(p); })
{
    setObjectName(QStringLiteral("Form1"));
    buildWindow();
    buildMenus();
    bindUiState();
    FormCreate();
    // The dialogs and the printer are made once, hidden, and reused; each
    // when it is first needed, so that start-up is only the window.
    m_printPorts.printer = ports.printer;
    m_printPorts.printDialog = ports.printDialog;
    m_printPorts.showMessage = [this](const QString &text) { m_dialogs.showMessage(text); };
    m_printPorts.dialogParent = this;
    m_document.onDocumentReplaced([this] { resetView(); });
    if (ports.recovery) {
        m_recovery = std::make_unique<RecoveryCopy>(m_state, *ports.recovery);
        m_document.onSaved([this](bool written) { m_recovery->saveFinished(written); });
    }
    // Keys must reach a move in progress wherever the focus is.
    qApp->installEventFilter(this);
}

PrintController &MainWindow::print()
{
    if (!m_print)
        m_print = std::make_unique<PrintController>(m_scene, m_ui,
                                                    static_cast<PreviewHost &>(*this), m_printPorts);
    return *m_print;
}

TForm2 &MainWindow::form2()
{
    if (!m_form2)
        m_form2 = std::make_unique<TForm2>(m_scene, this);
    return *m_form2;
}

TForm6 &MainWindow::form6()
{
    if (!m_form6)
        m_form6 = std::make_unique<TForm6>(this);
    return *m_form6;
}

TForm7 &MainWindow::form7()
{
    if (!m_form7)
        m_form7 = std::make_unique<TForm7>(this);
    return *m_form7;
}

TAboutDlg &MainWindow::aboutDlg1()
{
    if (!m_aboutDlg1)
        m_aboutDlg1 = new TAboutDlg(this);
    return *m_aboutDlg1;
}

MainWindow::~MainWindow() = default;

void MainWindow::buildWindow()
{
    registerFontSubstitutions();
    setFont(proportionalGothic(15));
    // The icon is for the task bar, not for the first paint.
    QTimer::singleShot(0, this, [this] { setWindowIcon(applicationIcon()); });
    placeOnScreen();

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The preview toolbar (Panel3) is put in at index 0 when printing hands it over.

    m_scrollBox = new EditorView(m_scene, central);
    layout->addWidget(m_scrollBox, 1);
    m_panel1 = m_scrollBox->framePanel();
    m_canvas = m_scrollBox->canvas();
    setCentralWidget(central);
    setAcceptDrops(true);

    auto *status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setFixedHeight(21);
    status->setSizeGripEnabled(false);
    // The panels keep their widths, 400 and 250, and are cut off by a
    // narrower window rather than widening it.
    auto *panels = new QWidget(status);
    panels->setMinimumSize(0, 0);
    int x = 0;
    for (int i = 0; i < 2; ++i) {
        QLabel *label = new QLabel(panels);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setGeometry(x, 0, i == 0 ? 400 : 250, 19);
        x += label->width() + 2;
        m_statusPanels[size_t(i)] = label;
    }
    status->addWidget(panels, 1);
    // The view's scale, at the right end whatever the panels take.
    m_scaleLabel = new QLabel(status);
    m_scaleLabel->setObjectName(QStringLiteral("ScaleLabel"));
    m_scaleLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_scaleLabel->setAlignment(Qt::AlignCenter);
    m_scaleLabel->setMinimumWidth(56);
    status->addPermanentWidget(m_scaleLabel);
    setStatusBar(status);
    connect(m_scrollBox, &EditorView::scaleChanged, this, &MainWindow::showScale);
    showScale();
    // A new part is brought into view wherever the view stands.
    connect(&m_scene, &Scene::partInserted, m_scrollBox, &EditorView::ensureVisible);

    connect(&m_scene, &Scene::partsChanged, this, [this] { m_mover.partsChanged(); });
    connect(m_canvas, &Canvas::pressed, this, &MainWindow::onCanvasPressed);
    connect(m_canvas, &Canvas::moved, this,
            [this](QPoint p, Qt::MouseButtons, Qt::KeyboardModifiers m) { onCanvasMoved(p, m); });
    connect(m_canvas, &Canvas::released, this, &MainWindow::onCanvasReleased);
}

void MainWindow::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    for (const TopMenu &top : menuTable()) {
        QMenu *menu = bar->addMenu(QString::fromUtf8(top.caption));
        menu->setObjectName(QString::fromLatin1(top.name));
        m_menus.push_back(menu);
        for (const MenuRow &row : top.rows) {
            if (row.item == Item::Count) {
                menu->addSeparator();
                continue;
            }
            auto *action = menu->addAction(QString::fromUtf8(row.caption));
            action->setObjectName(QString::fromLatin1(itemName(row.item)));
            action->setShortcut(row.shortcut);
            action->setStatusTip(QString::fromUtf8(row.hint));
            m_actions[size_t(row.item)] = action;
            m_ui.setCaption(row.item, action->text());
            if (row.item == Item::MonochromeItem || row.item == Item::GrayItem
                || row.item == Item::TransparentModeItem)
                action->setCheckable(true);
            const Item item = row.item;
            connect(action, &QAction::triggered, this, [this, item] { trigger(item); });
        }
    }
    connect(menu("FileItem"), &QMenu::aboutToShow, this, &MainWindow::FileItemClick);
    connect(menu("EditItem"), &QMenu::aboutToShow, this, &MainWindow::EditItemClick);
    connect(menu("PictureItem"), &QMenu::aboutToShow, this, &MainWindow::PictureItemClick);
    connect(menu("ViewItem"), &QMenu::aboutToShow, this, &MainWindow::ViewItemClick);
    // Ctrl+= too, where + needs Shift.
    m_actions[size_t(Item::ZoomInItem)]->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
}

QMenu *MainWindow::menu(const char *name) const
{
    for (QMenu *menu : m_menus)
        if (menu->objectName() == QLatin1String(name))
            return menu;
    return nullptr;
}

void MainWindow::bindUiState()
{
    for (int i = 0; i < kItemCount; ++i)
        syncAction(Item(i));
    connect(&m_ui, &UiState::itemChanged, this, &MainWindow::syncAction);
    connect(&m_ui, &UiState::statusChanged, this,
            [this](int panel) { m_statusPanels[size_t(panel)]->setText(m_ui.statusText(panel)); });
    connect(&m_ui, &UiState::titleChanged, this, &QWidget::setWindowTitle);
}

void MainWindow::syncAction(Item item)
{
    QAction *action = m_actions[size_t(item)];
    if (!action)
        return;
    action->setEnabled(m_menuPresent && m_ui.isEnabled(item));
    action->setChecked(m_ui.isChecked(item));
    action->setText(m_ui.caption(item));
}

void MainWindow::FormCreate()
{
    // Once, before any conversion is used: prints, the preview and the size
    // dialog all measure with it.
    const DesktopScreenMetrics desktop(this);
    ReadScreenResolution(m_screen ? *m_screen : desktop);
    m_state.setUntitledTitle();
    setWindowTitle(m_ui.title());
    JpegDecodeOptions jpeg;
    if (QScreen *screen = QGuiApplication::primaryScreen())
        jpeg.paletteDisplay = screen->depth() <= 8;
    m_state.setJpegOptions(jpeg);
}

void MainWindow::FormShow()
{
    m_mover.FormShow();
}

void MainWindow::FormResize()
{
    if (m_print)
        m_print->FormResize();
}

void MainWindow::placeOnScreen()
{
    // 607 x 506 with the frame, centred on the screen's available area. The
    // frame is known once the window system has shown the window; until
    // then it counts as none.
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    resize(kOuterSize - QSize(frame.left() + frame.right(), frame.top() + frame.bottom()));
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect outer(QPoint(0, 0), kOuterSize);
        outer.moveCenter(screen->availableGeometry().center());
        move(outer.topLeft()); // a window's position is its frame's
    }
    m_placedWithFrame = !frame.isNull();
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        placeOnScreen();
    }
    if (!event->spontaneous())
        FormShow();
}

void MainWindow::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    // A window manager frames the window after it is shown; place it again
    // once, with the frame it got.
    if (m_shownOnce && !m_placedWithFrame && windowHandle()
        && !windowHandle()->frameMargins().isNull())
        placeOnScreen();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

bool MainWindow::event(QEvent *event)
{
    // Hints go to status panel 0, never over both panels.
    if (event->type() == QEvent::StatusTip) {
        m_ui.setStatusText(0, shortHint(static_cast<QStatusTipEvent *>(event)->tip()));
        return true;
    }
    return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A job in progress keeps the scene and the picture it prints from.
    if (m_print && m_print->isPrinting()) {
        event->ignore();
        return;
    }
    if (m_document.FormClose()) {
        event->accept();
        if (m_recovery)
            m_recovery->finish();
    } else {
        event->ignore();
    }
}

bool MainWindow::offerRecovery()
{
    return m_recovery && m_recovery->offerLeftCopy(m_dialogs, m_document);
}

bool MainWindow::isPreviewShown() const
{
    return m_print && m_print->isPreviewShown();
}

QStringList MainWindow::droppedFiles(const QMimeData *data) const
{
    // A keyboard move in progress holds the selected part; a drop could
    // replace it or empty the scene under it.
    if (!data || !data->hasUrls() || isPreviewShown() || m_mover.Dragging())
        return {};
    QStringList files;
    int documents = 0;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        const QString path = url.toLocalFile();
        if (path.endsWith(QStringLiteral(".bmh"), Qt::CaseInsensitive))
            ++documents;
        else if (pictureKindOf(path) == PictureKind::Unknown)
            return {};
        files << path;
    }
    // One document alone, or any number of pictures.
    if (documents > 1 || (documents == 1 && files.size() > 1))
        return {};
    return files;
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    dragMoveEvent(event);
}

void MainWindow::dragMoveEvent(QDragMoveEvent *event)
{
    if (!droppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Pictures land with their top-left where they were dropped; dropped
    // beside the background, on the nearest point of it the window shows.
    const QRect shown = m_canvas->rect();
    const QPoint at = m_canvas->mapFrom(this, event->position().toPoint());
    const QPoint on(std::clamp(at.x(), shown.left(), std::max(shown.left(), shown.right())),
                    std::clamp(at.y(), shown.top(), std::max(shown.top(), shown.bottom())));
    openDroppedFiles(files, m_canvas->pictureAt(on));
}

void MainWindow::openDroppedFiles(const QStringList &files, const QPoint &at)
{
    if (files.size() == 1 && files.first().endsWith(QStringLiteral(".bmh"), Qt::CaseInsensitive)) {
        // Opening replaces the document: ask about unsaved changes first.
        if (m_document.FormClose())
            m_document.openFile(files.first());
        return;
    }
    for (const QString &file : files)
        m_state.pictures().PastePictureFile(m_dialogs, file, at);
}

void MainWindow::FileItemClick()
{
    m_state.edit().FileItemClick();
}

void MainWindow::EditItemClick()
{
    m_state.edit().EditItemClick(m_clipboard);
}

void MainWindow::PictureItemClick()
{
    m_state.edit().PictureItemClick();
}

void MainWindow::ViewItemClick()
{
    m_ui.setEnabled(Item::ZoomInItem, m_scrollBox->canZoomIn());
    m_ui.setEnabled(Item::ZoomOutItem, m_scrollBox->canZoomOut());
    m_ui.setEnabled(Item::ActualSizeItem, true);
    m_ui.setEnabled(Item::FitWindowItem, true);
}

void MainWindow::showScale()
{
    const double percent = m_scrollBox->scale().factor() * 100.0;
    const double tenths = std::round(percent * 10.0) / 10.0;
    m_scaleLabel->setText(QString::number(tenths, 'f', tenths == std::floor(tenths) ? 0 : 1)
                          + QLatin1Char('%'));
}

void MainWindow::resetView()
{
    m_scrollBox->setScale(RenderScale{});
    m_scrollBox->horizontalScrollBar()->setValue(0);
    m_scrollBox->verticalScrollBar()->setValue(0);
}

void MainWindow::ExitItemClick()
{
    close();
}

void MainWindow::trigger(Item item)
{
    if (!m_menuPresent)
        return;
    // A move in progress holds the selected part until it is dropped or
    // put back; shortcuts must not remove or replace it meanwhile.
    if (!m_mover.Dragging())
        if (const auto handler = handlerFor(item))
            handler();
    // A checkable action flips itself when triggered; the check marks
    // belong to the core's state.
    syncAction(item);
}

std::function<void()> MainWindow::handlerFor(Item item)
{
    // Each command checks its own precondition; the window only dispatches.
    EditCommands &edit = m_state.edit();
    PictureCommands &pictures = m_state.pictures();
    switch (item) {
    case Item::NewItem:
        return [this] { m_document.NewItemClick(); };
    case Item::OpenItem:
        return [this] { m_document.OpenItemClick(); };
    case Item::SaveItem:
        return [this] { m_document.SaveItemClick(); };
    case Item::SaveAsItem:
        return [this] { m_document.SaveAsItemClick(); };
    case Item::ExitItem:
        return [this] { ExitItemClick(); };
    case Item::UndoItem:
        return [&edit] { edit.UndoItemClick(); };
    case Item::RedoItem:
        return [&edit] { edit.RedoItemClick(); };
    case Item::CutItem:
        return [this, &edit] { edit.CutItemClick(m_clipboard); };
    case Item::CopyItem:
        return [this, &edit] { edit.CopyItemClick(m_clipboard); };
    case Item::PasteItem:
        return [this, &edit] { edit.PasteItemClick(m_clipboard); };
    case Item::ClearItem:
        return [&edit] { edit.ClearItemClick(); };
    case Item::PasteFromFileItem:
        return [this, &pictures] { pictures.PasteFromFileItemClick(m_dialogs); };
    case Item::MonochromeItem:
        return [&edit] { edit.MonochromeItemClick(); };
    case Item::GrayItem:
        return [&edit] { edit.GrayItemClick(); };
    case Item::TransparentModeItem:
        return [&edit] { edit.TransparentModeItemClick(); };
    case Item::SaveBitmapItem:
        return [this, &pictures] { pictures.SaveBitmapItemClick(m_dialogs); };
    case Item::SaveClipboardItem:
        return [this, &pictures] { pictures.SaveClipboardItemClick(m_clipboard); };
    case Item::MoveItem:
        return [this] { m_mover.MoveItemClick(); };
    case Item::PartSizeItem:
        return [this, &edit] { PartSizeItemClick(edit, form6()); };
    case Item::FitPartItem:
        return [&edit] { edit.FitPartItemClick(); };
    case Item::ZoomInItem:
        return [this] { m_scrollBox->zoomIn(); };
    case Item::ZoomOutItem:
        return [this] { m_scrollBox->zoomOut(); };
    case Item::ActualSizeItem:
        return [this] { m_scrollBox->setScale(RenderScale{}); };
    case Item::FitWindowItem:
        return [this] { m_scrollBox->setScale(m_scrollBox->fitScale()); };
    case Item::SizeItem:
        return [this, &edit] { SizeItemClick(edit, form2()); };
    case Item::SelectItem:
        return [this, &edit] { SelectItemClick(edit, form7()); };
    case Item::AboutItem:
        return [this] { aboutDlg1().ShowAbout(QStringLiteral("Zelvane"), windowIcon()); };
    case Item::PrintPreviewItem:
        return [this] { print().PrintPreviewItemClick(); };
    case Item::PageSetupItem:
        return [this] { print().PageSetupItemClick(); };
    case Item::PrintItem:
        return [this] { print().PrintItemClick(); };
    case Item::BKColorItem:
        return [this, &edit] { edit.BKColorItemClick(m_dialogs); };
    default:
        return {};
    }
}

PointerEvent MainWindow::pointerEvent(QPoint point, Qt::KeyboardModifiers modifiers) const
{
    // The mover works in background pixels at any scale.
    return PointerEvent{m_canvas->pictureAt(point), m_canvas->rect().contains(point),
                        modifiers.testFlag(Qt::ShiftModifier), point};
}

void MainWindow::onCanvasPressed(QPoint point, Qt::MouseButton button,
                                 Qt::KeyboardModifiers modifiers)
{
    const QPoint at = m_canvas->pictureAt(point);
    if (PartView *view = m_scene.viewAt(at))
        m_mover.ImageMouseDown(view, button == Qt::LeftButton, at - view->bounds().topLeft(), point);
    else if (m_mover.Dragging() && button == Qt::LeftButton)
        m_mover.mouseReleased(pointerEvent(point, modifiers)); // a click ends a keyboard move
}

void MainWindow::onCanvasMoved(QPoint point, Qt::KeyboardModifiers modifiers)
{
    // The pointer arriving where a keyboard step put it is not a movement:
    // below 1:1 that screen pixel shows several background pixels, and
    // taking it as one would undo the step.
    // Key repeat can outrun the pointer: an echo may come late, after
    // others were asked for.
    const auto echo = std::find(m_placedPointer.begin(), m_placedPointer.end(), point);
    if (echo != m_placedPointer.end()) {
        m_placedPointer.erase(m_placedPointer.begin(), echo + 1);
        return;
    }
    m_placedPointer.clear();
    m_mover.mouseMoved(pointerEvent(point, modifiers));
}

void MainWindow::onCanvasReleased(QPoint point, Qt::MouseButton button,
                                  Qt::KeyboardModifiers modifiers)
{
    if (button == Qt::LeftButton)
        m_mover.mouseReleased(pointerEvent(point, modifiers));
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && m_menuPresent) {
        // A shortcut goes by its item's enabled state, which is otherwise
        // worked out only as a menu opens: bring it up to date first.
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget->window() == this) {
            FileItemClick();
            EditItemClick();
            PictureItemClick();
            ViewItemClick();
        }
        return QMainWindow::eventFilter(watched, event);
    }
    const bool press = event->type() == QEvent::KeyPress;
    if (!press && event->type() != QEvent::KeyRelease)
        return QMainWindow::eventFilter(watched, event);
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != this)
        return QMainWindow::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    const int vk = virtualKey(key->key());
    if (vk == 0)
        return false;
    if (!press) {
        if (!key->isAutoRepeat())
            m_mover.WMKeyUp(vk);
        return false;
    }
    return m_mover.WMKeyDown(vk);
}

int MainWindow::dragThreshold() const
{
    return QApplication::startDragDistance();
}

void MainWindow::placePointer(const QPoint &backgroundPoint)
{
    const QPoint point = m_canvas->canvasPointOf(backgroundPoint);
    m_placedPointer.push_back(point);
    if (m_placedPointer.size() > 64)
        m_placedPointer.pop_front();
    m_setCursorPos(m_canvas->mapToGlobal(point));
}

void MainWindow::showPointer(Pointer pointer)
{
    switch (pointer) {
    case Pointer::Normal: m_canvas->unsetCursor(); break;
    case Pointer::Hand: m_canvas->setCursor(Qt::PointingHandCursor); break;
    case Pointer::Forbidden: m_canvas->setCursor(Qt::ForbiddenCursor); break;
    }
}

void MainWindow::capturePointer(bool capture)
{
    if (capture)
        m_canvas->grabMouse();
    else if (QWidget::mouseGrabber() == m_canvas)
        m_canvas->releaseMouse();
}

void MainWindow::adoptPreviewWidgets(QWidget *toolbar, QWidget *pageView)
{
    m_panel3 = toolbar;
    m_panel3->setObjectName(QStringLiteral("Panel3"));
    static_cast<QVBoxLayout *>(centralWidget()->layout())->insertWidget(0, m_panel3);
    m_image1 = pageView;
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setParent(m_scrollBox->viewport());
}

void MainWindow::setEditingViewVisible(bool visible)
{
    m_scrollBox->setEditingVisible(visible);
}

void MainWindow::setMainMenuPresent(bool present)
{
    // Without the menu no command and no shortcut may reach the scene.
    m_menuPresent = present;
    menuBar()->setVisible(present);
    for (int i = 0; i < kItemCount; ++i)
        syncAction(Item(i));
}

QSize MainWindow::previewClientSize() const
{
    return m_scrollBox->viewport()->size();
}

void MainWindow::repaintWindow()
{
    repaint();
}

} // namespace zel
