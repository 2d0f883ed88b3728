#pragma once

#include <QIcon>

namespace zel {

// The program's icon, a stack of picture cards, in every size it comes in.
QIcon applicationIcon();

} // namespace zel
