#pragma once

#include "pixels/Orientation.h"

#include <cstddef>

namespace zel {

// The Orientation tag of the primary picture in an EXIF block: the bytes of
// a JPEG APP1 segment after its length, from "Exif\0\0" on. Read by libexif.
// A block that is not EXIF, is broken or cut short, has no such tag or a
// value other than 1 to 8 gives Upright: a picture never fails for its EXIF.
Orientation exifOrientation(const unsigned char *block, std::size_t size);

} // namespace zel
