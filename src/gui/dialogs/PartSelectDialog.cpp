#include "PartSelectDialog.h"

#include "Fonts.h"

#include "scene/EditCommands.h"
#include "scene/Scene.h"

#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStandardItemModel>

namespace zel {

namespace {

constexpr int kClientWidth = 301;
constexpr int kClientHeight = 300;
constexpr int kHeaderHeight = 21;
constexpr int kButtonBarHeight = 27;
constexpr int kRowHeight = 13;

} // namespace

QString partRowText(const ScenePart &part)
{
    const QRect bounds = part.Image->bounds();
    return QString::asprintf("(%4d,%4d,%4d,%4d)    (%4d,%4d)", bounds.x(), bounds.y(),
                             bounds.width(), bounds.height(), part.Source.width(),
                             part.Source.height());
}

TForm7::TForm7(QWidget *parent)
    : QDialog(parent)
    , HeaderControl1(new QHeaderView(Qt::Horizontal, this))
    , ListBox1(new QListWidget(this))
    , Panel1(new QWidget(this))
    , Button_Ok(new QPushButton(QStringLiteral("OK"), Panel1))
    , Button_Cancel(new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), Panel1))
{
    setWindowTitle(QStringLiteral("部品選択"));
    setFont(proportionalGothic(13));
    makeFixedDialog(*this, kClientWidth, kClientHeight);

    auto *sections = new QStandardItemModel(0, 2, this);
    sections->setHorizontalHeaderLabels({QStringLiteral("部品ｻｲｽﾞ"), QStringLiteral("ｲﾒｰｼﾞｻｲｽﾞ")});
    HeaderControl1->setModel(sections);
    HeaderControl1->setSectionsClickable(false);
    HeaderControl1->setSectionsMovable(false);
    HeaderControl1->setSectionResizeMode(QHeaderView::Fixed);
    HeaderControl1->setStretchLastSection(false);
    HeaderControl1->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    HeaderControl1->setMinimumSectionSize(1);
    HeaderControl1->resizeSection(0, 180);
    HeaderControl1->resizeSection(1, 120);
    HeaderControl1->setFocusPolicy(Qt::NoFocus);
    HeaderControl1->setGeometry(0, 0, kClientWidth, kHeaderHeight);

    ListBox1->setFont(fixedGothic(13));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setGeometry(0, kHeaderHeight, kClientWidth,
                          kClientHeight - kHeaderHeight - kButtonBarHeight);

    Panel1->setGeometry(0, kClientHeight - kButtonBarHeight, kClientWidth, kButtonBarHeight);
    Button_Ok->setGeometry(48, 2, 89, 23);
    Button_Ok->setDefault(true);
    Button_Cancel->setGeometry(168, 2, 89, 23);

    setTabOrder(ListBox1, Button_Ok);
    setTabOrder(Button_Ok, Button_Cancel);

    connect(ListBox1, &QListWidget::currentRowChanged, this, &TForm7::ListBox1Click);
    connect(Button_Ok, &QPushButton::clicked, this, &TForm7::Button_OkClick);
    connect(Button_Cancel, &QPushButton::clicked, this, &TForm7::Button_CancelClick);
}

void TForm7::attach(EditCommands *edit)
{
    m_edit = edit;
    m_scene = edit ? &edit->scene() : nullptr;
}

void TForm7::FormShow()
{
    ListBox1->setFocus(Qt::OtherFocusReason);
    PreviewRow = 0;
}

void TForm7::ListBox1Click()
{
    const int row = ListBox1->currentRow();
    if (!m_scene || row < 0 || row == PreviewRow || row >= m_scene->count())
        return;
    // Undo the last preview first, so that row numbers keep meaning the
    // order the scene had at opening.
    if (PreviewRow > 0)
        m_scene->RestorePartOrder(PreviewRow);
    m_scene->MovePart(row, 0);
    m_scene->SelectPart(m_scene->part(0).Image.get());
    PreviewRow = row;
}

// Both go by the previewed row rather than the highlighted one: they are
// the same row, except when a click beside the rows has left nothing
// highlighted, and the preview is what the scene shows.
void TForm7::Button_OkClick()
{
    if (m_edit)
        m_edit->commitSelection(PreviewRow);
    done(mrOk);
}

void TForm7::Button_CancelClick()
{
    if (m_scene && !m_scene->isEmpty())
        m_scene->RestorePartOrder(PreviewRow);
    PreviewRow = 0;
    done(mrCancel);
}

void TForm7::reject()
{
    Button_CancelClick();
}

void TForm7::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    centreOnScreen(*this);
    FormShow();
}

void SelectItemClick(EditCommands &edit, TForm7 &dialog)
{
    const Scene &scene = edit.scene();
    if (scene.isEmpty())
        return;
    dialog.attach(&edit);
    {
        // Filling the list is no pick by the user.
        const QSignalBlocker quiet(dialog.ListBox1);
        dialog.ListBox1->clear();
        for (int i = 0; i < scene.count(); ++i) {
            auto *row = new QListWidgetItem(partRowText(scene.part(i)), dialog.ListBox1);
            row->setSizeHint(QSize(row->sizeHint().width(), kRowHeight));
        }
        dialog.ListBox1->setCurrentRow(0);
    }
    dialog.exec();
    const QSignalBlocker quiet(dialog.ListBox1);
    dialog.ListBox1->clear();
    dialog.attach(nullptr);
}

} // namespace zel
