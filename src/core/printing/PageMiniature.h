#pragma once

#include <QImage>
#include <QRgb>

#include <array>

namespace zel {

// The page setup dialog's miniature of the sheet: scaled so that its longer
// side spans about viewHeight pixels, a white sheet in a black frame with
// the printable area inside the margins filled with the workspace colour
// and outlined by a gray dotted line. Null when there is nothing to draw.
QImage RenderPageMiniature(float paperWidth, float paperHeight,
                           const std::array<float, 4> &margins, int viewHeight,
                           QRgb workspace);

} // namespace zel
