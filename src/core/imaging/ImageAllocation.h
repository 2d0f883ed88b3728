#pragma once

#include <QImage>

namespace zel {

// A new, uninitialised image for a decoder to fill; null when the memory
// cannot be had. Large images are placed where the system can back them with
// huge pages: a 4000 x 3000 photo then costs a few dozen page faults
// instead of thousands, which is a good part of its decoding time.
QImage allocateImage(int width, int height, QImage::Format format);

} // namespace zel
