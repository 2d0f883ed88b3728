#include "UiState.h"

namespace zel {

UiState::UiState(QObject *parent)
    : QObject(parent)
{
    // The states the menu is laid out with.
    for (Item item : {Item::OpenItem, Item::PageSetupItem, Item::ExitItem,
                      Item::PasteFromFileItem, Item::SelectItem,
                      Item::TransparentModeItem, Item::SizeItem,
                      Item::BKColorItem, Item::ZoomInItem, Item::ZoomOutItem,
                      Item::ActualSizeItem, Item::FitWindowItem, Item::AboutItem})
        m_items[size_t(item)].enabled = true;
    m_items[size_t(Item::TransparentModeItem)].checked = true;
}

void UiState::setEnabled(Item item, bool enabled)
{
    auto &state = m_items[size_t(item)];
    if (state.enabled == enabled)
        return;
    state.enabled = enabled;
    emit itemChanged(item);
}

void UiState::setChecked(Item item, bool checked)
{
    auto &state = m_items[size_t(item)];
    if (state.checked == checked)
        return;
    state.checked = checked;
    emit itemChanged(item);
}

void UiState::setCaption(Item item, const QString &caption)
{
    auto &state = m_items[size_t(item)];
    if (state.caption == caption)
        return;
    state.caption = caption;
    emit itemChanged(item);
}

void UiState::setStatusText(int panel, const QString &text)
{
    if (m_status[size_t(panel)] == text)
        return;
    m_status[size_t(panel)] = text;
    emit statusChanged(panel);
}

void UiState::setTitle(const QString &title)
{
    if (m_title == title)
        return;
    m_title = title;
    emit titleChanged(title);
}

QString UiState::boundsText(int left, int top, int width, int height)
{
    return QStringLiteral("(%1, %2, %3, %4)").arg(left).arg(top).arg(width).arg(height);
}

QString UiState::offsetText(int dx, int dy)
{
    return QStringLiteral("(%1, %2)").arg(dx).arg(dy);
}

} // namespace zel
