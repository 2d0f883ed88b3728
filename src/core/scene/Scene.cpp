#include "Scene.h"

#include "scene/Render.h"

#include <algorithm>

namespace zel {

Scene::Scene(UiState &ui, QObject *parent)
    : QObject(parent)
    , m_ui(ui)
{
}

Scene::~Scene() = default;

void Scene::setFrameSize(int width, int height)
{
    setBackgroundSize(QSize(width - kFrameExtra, height - kFrameExtra));
}

void Scene::setBackgroundSize(const QSize &size)
{
    if (size == m_background)
        return;
    m_background = size;
    emit backgroundChanged();
}

void Scene::setBackgroundColour(Colour colour)
{
    if (colour == m_colour)
        return;
    m_colour = colour;
    emit backgroundChanged();
}

int Scene::indexOf(const PartView *image) const
{
    for (size_t i = 0; i < m_parts.size(); ++i)
        if (m_parts[i].Image.get() == image)
            return int(i);
    return -1;
}

PartView *Scene::viewAt(const QPoint &point) const
{
    for (auto it = m_stacking.rbegin(); it != m_stacking.rend(); ++it)
        if ((*it)->isVisible() && (*it)->bounds().contains(point))
            return *it;
    return nullptr;
}

std::unique_ptr<PartView> Scene::createView()
{
    auto view = std::make_unique<PartView>(this);
    m_stacking.insert(m_stacking.begin(), view.get()); // new controls start at the back
    return view;
}

void Scene::bringToFront(PartView *view)
{
    auto it = std::find(m_stacking.begin(), m_stacking.end(), view);
    if (it == m_stacking.end() || it + 1 == m_stacking.end())
        return;
    m_stacking.erase(it);
    m_stacking.push_back(view);
    emit damaged(view->bounds());
}

void Scene::dropFromStacking(PartView *view)
{
    m_stacking.erase(std::remove(m_stacking.begin(), m_stacking.end(), view), m_stacking.end());
}

void Scene::SetupPartImage(PartView &image)
{
    // Drawn from its part without a frame until it is selected or framed.
    image.setFrame(PartFrame::None);
}

void Scene::InsertPart(int left, int top, int width, int height, const Bitmap &source,
                       qint32 monochrome, qint32 grayscale, qint32 transparent)
{
    ScenePart part;
    part.Image = createView();
    SetupPartImage(*part.Image);
    part.Image->setBounds(QRect(left, top, width, height));
    part.Source = source;
    part.Monochrome = monochrome;
    part.Grayscale = grayscale;
    part.Transparent = transparent;
    PartView *image = part.Image.get();
    m_parts.insert(m_parts.begin(), std::move(part));
    emit partsChanged();
    SelectPart(image);
    emit partInserted(image->bounds());
}

Bitmap Scene::RemoveTopPart()
{
    Q_ASSERT(!m_parts.empty());
    if (m_parts.empty())
        return {};
    ScenePart removed = std::move(m_parts.front());
    m_parts.erase(m_parts.begin());
    const QRect area = removed.Image->bounds();
    dropFromStacking(removed.Image.get());
    removed.Image.reset();
    emit damaged(area);
    emit partsChanged();
    if (!m_parts.empty()) {
        FrameSelectedPart();
        showTopBounds();
        UpdateSelectionMenus();
    } else {
        ClearSelection();
    }
    return std::move(removed.Source);
}

void Scene::MovePart(int from, int to)
{
    if (from == to || from < 0 || to < 0 || from >= count() || to >= count())
        return;
    ScenePart moved = std::move(m_parts[size_t(from)]);
    m_parts.erase(m_parts.begin() + from);
    m_parts.insert(m_parts.begin() + to, std::move(moved));
}

void Scene::SelectPart(PartView *image)
{
    Q_ASSERT(!m_parts.empty() && m_parts.front().Image.get() == image);
    m_ui.setStatusText(1, UiState::boundsText(image->left(), image->top(), image->width(),
                                              image->height()));
    if (m_selectedIndex >= 0 && count() > 1)
        FramePartUnselected(1);
    FrameSelectedPart();
    bringToFront(image);
    UpdateSelectionMenus();
}

void Scene::RestorePartOrder(int index)
{
    if (index < 0 || index >= count())
        return;
    m_parts[0].Image->setVisible(false);
    FramePartUnselected(0);
    for (int k = index; k >= 1; --k) {
        m_parts[size_t(k)].Image->setVisible(false);
        bringToFront(m_parts[size_t(k)].Image.get());
    }
    for (int k = index; k >= 0; --k)
        m_parts[size_t(k)].Image->setVisible(true);
    MovePart(0, index);
    FrameSelectedPart();
    showTopBounds();
    UpdateSelectionMenus();
}

void Scene::DrawPartFrame(int index, bool unselected)
{
    if (index < 0 || index >= count())
        return;
    const bool selected = index == 0 && !unselected;
    m_parts[size_t(index)].Image->setFrame(selected ? PartFrame::Selected : PartFrame::Unselected);
}

void Scene::SetTransparentMode(qint32 value)
{
    setTransparentModeMark(value != 0);
    if (m_parts.empty())
        return;
    m_parts[0].Transparent = value;
    m_parts[0].Image->repaint();
}

void Scene::SetMonochrome(qint32 value)
{
    m_ui.setChecked(Item::MonochromeItem, value != 0);
    if (m_parts.empty())
        return;
    m_parts[0].Monochrome = value;
    FrameSelectedPart();
}

void Scene::SetGrayscale(qint32 value)
{
    m_ui.setChecked(Item::GrayItem, value != 0);
    if (m_parts.empty())
        return;
    m_parts[0].Grayscale = value;
    FrameSelectedPart();
}

void Scene::UpdateSelectionMenus()
{
    m_selectedIndex = 0;
    for (Item item : {Item::CutItem, Item::CopyItem, Item::ClearItem, Item::MoveItem,
                      Item::PartSizeItem, Item::FitPartItem, Item::MonochromeItem,
                      Item::GrayItem, Item::TransparentModeItem})
        m_ui.setEnabled(item, true);
    if (m_parts.empty())
        return;
    const ScenePart &top = m_parts.front();
    m_ui.setChecked(Item::MonochromeItem, top.Monochrome != 0);
    m_ui.setChecked(Item::GrayItem, top.Grayscale != 0);
    setTransparentModeMark(top.Transparent != 0);
}

void Scene::setTransparentModeMark(bool on)
{
    m_transparentMode = on;
    m_ui.setChecked(Item::TransparentModeItem, on);
}

void Scene::ClearSelection()
{
    m_selectedIndex = -1;
    for (Item item : {Item::CutItem, Item::CopyItem, Item::ClearItem, Item::MoveItem,
                      Item::PartSizeItem, Item::FitPartItem, Item::MonochromeItem,
                      Item::GrayItem})
        m_ui.setEnabled(item, false);
    m_ui.setChecked(Item::MonochromeItem, false);
    m_ui.setChecked(Item::GrayItem, false);
    m_ui.setEnabled(Item::SaveBitmapItem, !m_parts.empty());
    m_ui.setEnabled(Item::SaveClipboardItem, !m_parts.empty());
    m_ui.setStatusText(1, QString());
}

void Scene::appendLoadedPart(const QRect &bounds, const Bitmap &source, qint32 monochrome,
                             qint32 grayscale, qint32 transparent)
{
    ScenePart part;
    part.Image = createView();
    part.Image->setBounds(bounds);
    part.Source = source;
    part.Monochrome = monochrome;
    part.Grayscale = grayscale;
    part.Transparent = transparent;
    m_parts.push_back(std::move(part));
    FramePartUnselected(count() - 1);
    emit partsChanged();
}

void Scene::removeAllParts()
{
    if (m_parts.empty())
        return;
    m_stacking.clear();
    m_parts.clear();
    emit damaged(QRect(QPoint(0, 0), m_background));
    emit partsChanged();
}

void Scene::showTopBounds()
{
    if (m_parts.empty())
        return;
    const PartView &top = *m_parts.front().Image;
    m_ui.setStatusText(1, UiState::boundsText(top.left(), top.top(), top.width(), top.height()));
}

} // namespace zel
