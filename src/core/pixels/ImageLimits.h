#pragma once

#include <QtGlobal>

namespace zel {

// The largest picture we agree to hold: 2^28 pixels (1 GiB at 32 bits per
// pixel). Headers that claim more are refused before anything is allocated.
constexpr qint64 kMaxImagePixels = qint64(1) << 28;

} // namespace zel
