#pragma once

#include "pixels/Bitmap.h"
#include "PartView.h"
#include "UiState.h"

#include <QObject>
#include <QSize>

#include <memory>
#include <vector>

namespace zel {

// One part of the picture: its display image, the pixels it was made from
// and its three flags. Flags are 32-bit values, nonzero meaning set, kept as
// given: 0 or 1 from InsertPart, 0 or all-ones from the toggles, the byte read
// from a document.
struct ScenePart {
    std::unique_ptr<PartView> Image;
    Bitmap Source;
    qint32 Monochrome = 0;
    qint32 Grayscale = 0;
    qint32 Transparent = 0;
};

// The composition: a coloured background and the parts in stacking order,
// index 0 on top. The part at index 0 is the selected one whenever parts
// exist. Scene operations never record history; the commands do.
class Scene : public QObject, public ViewHost
{
    Q_OBJECT
public:
    explicit Scene(UiState &ui, QObject *parent = nullptr);
    ~Scene() override;

    UiState &ui() const { return m_ui; }

    // The frame panel around the background is the background size plus
    // kFrameExtra each way (three pixels a side); setting one sets the
    // other. Documents store the frame's size, so this is part of their
    // format too.
    static constexpr int kFrameExtra = 6;
    static constexpr QSize kDefaultBackground{514, 386};

    QSize frameSize() const { return m_background + QSize(kFrameExtra, kFrameExtra); }
    void setFrameSize(int width, int height);
    QSize backgroundSize() const { return m_background; }
    void setBackgroundSize(const QSize &size);

    Colour backgroundColour() const { return m_colour; }
    void setBackgroundColour(Colour colour);

    // -1 with no parts, otherwise 0: the selected part is the top part.
    int SelectedIndex() const { return m_selectedIndex; }

    // The transparent mode of the document: the top part's flag, or what
    // it last was; the menu item's check mark mirrors it.
    bool transparentMode() const { return m_transparentMode; }

    int count() const { return int(m_parts.size()); }
    bool isEmpty() const { return m_parts.empty(); }
    const ScenePart &part(int index) const { return m_parts[size_t(index)]; }
    ScenePart &part(int index) { return m_parts[size_t(index)]; }
    int indexOf(const PartView *image) const;

    // The views as painted, back to front. Equal to the reversed part order
    // except in the middle of RestorePartOrder.
    const std::vector<PartView *> &stacking() const { return m_stacking; }
    // The front-most visible view containing a background point.
    PartView *viewAt(const QPoint &point) const;

    // Scene operations.
    void SetupPartImage(PartView &image);
    void InsertPart(int left, int top, int width, int height, const Bitmap &source,
                    qint32 monochrome, qint32 grayscale, qint32 transparent);
    Bitmap RemoveTopPart();
    void MovePart(int from, int to);
    void SelectPart(PartView *image);
    void RestorePartOrder(int index);
    void DrawPartFrame(int index, bool unselected);
    void FrameSelectedPart() { DrawPartFrame(0, false); }
    void FramePartUnselected(int index) { DrawPartFrame(index, true); }
    void SetTransparentMode(qint32 value);
    void SetMonochrome(qint32 value);
    void SetGrayscale(qint32 value);
    void UpdateSelectionMenus();
    void ClearSelection();

    // Adds a part below all others, framed as unselected, without selecting
    // anything: how a document's parts come in, top part first.
    void appendLoadedPart(const QRect &bounds, const Bitmap &source, qint32 monochrome,
                          qint32 grayscale, qint32 transparent);
    // Removes every part (their sources go with them).
    void removeAllParts();

    // Status panel 1 := bounds of the part at index 0.
    void showTopBounds();

    void viewDamaged(const QRect &area) override { emit damaged(area); }

signals:
    // Something within area (background coordinates) must be repainted.
    void damaged(const QRect &area);
    // The background's size or colour changed.
    void backgroundChanged();
    // A part was added or removed.
    void partsChanged();
    // A part came in on top (a paste, a drop, an undo): the view shows it.
    void partInserted(const QRect &bounds);

private:
    std::unique_ptr<PartView> createView();
    void bringToFront(PartView *view);
    void dropFromStacking(PartView *view);

    void setTransparentModeMark(bool on);

    UiState &m_ui;
    int m_selectedIndex = -1;
    bool m_transparentMode = true;
    QSize m_background = kDefaultBackground;
    Colour m_colour = kWhite;
    std::vector<ScenePart> m_parts;
    std::vector<PartView *> m_stacking;
};

} // namespace zel
