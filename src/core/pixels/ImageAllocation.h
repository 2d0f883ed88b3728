#pragma once

#include <QImage>

namespace zel {

// A new, uninitialised image for a decoder to fill; null when the memory
// cannot be had. Fresh memory costs a page fault at its first touch, one per
// 4 KiB page, and in a virtual machine each of those can take tens of
// microseconds: a document of 64 parts of 768 KiB would take 12,000 of them
// just to be read. So images are placed where the system can back them with
// huge pages of 2 MiB: large ones each in a block of their own, medium ones
// (a document's parts, a photo's thumbnail) one after another in shared
// regions. A huge page of a shared region goes back to the system as soon
// as no image lies on it any more.
QImage allocateImage(int width, int height, QImage::Format format);

} // namespace zel
