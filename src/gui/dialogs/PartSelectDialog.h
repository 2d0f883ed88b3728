#pragma once

#include "DialogSupport.h"

#include <QDialog>

class QHeaderView;
class QListWidget;
class QPushButton;
class QWidget;

namespace zel {

class EditCommands;
class Scene;
struct ScenePart;

// One row of the part list: the part's bounds, then its source's size.
QString partRowText(const ScenePart &part);

// Picks a part from a list of all parts, previewing each row the user moves
// to as the selected top part. OK keeps the pick as one selection entry;
// every other close puts the scene back in its order at opening.
class TForm7 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm7(QWidget *parent = nullptr);

    // The scene the rows stand for and the history a pick goes to; set by
    // SelectItemClick for each showing.
    void attach(EditCommands *edit);

    // The row whose part is previewed on top; 0 when none is.
    int PreviewRow = 0;

    // Handlers.
    void FormShow();
    void ListBox1Click();
    void Button_OkClick();
    void Button_CancelClick();

    // Esc and the close box end here, as the Cancel button does.
    void reject() override;

    QHeaderView *const HeaderControl1;
    QListWidget *const ListBox1;
    QWidget *const Panel1;
    QPushButton *const Button_Ok;
    QPushButton *const Button_Cancel;

protected:
    void showEvent(QShowEvent *event) override;

private:
    Scene *m_scene = nullptr;
    EditCommands *m_edit = nullptr;
};

// "選択(&S)...": lists the scene's parts, top first, and runs the dialog.
// Does nothing when the scene has no parts.
void SelectItemClick(EditCommands &edit, TForm7 &dialog);

} // namespace zel
