#pragma once

#include "scene/UiState.h"

#include <QKeySequence>

#include <vector>

namespace zel {

// One row of the menu bar: a command item, or a separator (item ==
// Item::Count, no caption) inside the current top-level menu.
struct MenuRow {
    Item item;
    const char *caption;
    QKeySequence shortcut;
    const char *hint;
};

struct TopMenu {
    const char *name;     // object name: FileItem, EditItem, PictureItem, ViewItem, HelpItem
    const char *caption;
    std::vector<MenuRow> rows;
};

const std::vector<TopMenu> &menuTable();

// The object name of an item's action, e.g. "UndoItem".
const char *itemName(Item item);

// The part of a hint before its first '|', which the status bar shows.
QString shortHint(const QString &hint);

} // namespace zel
