#include "imaging/ExifOrientation.h"

#include <libexif/exif-data.h>

#include <cstring>

namespace zel {

Orientation exifOrientation(const unsigned char *block, std::size_t size)
{
    // Anything else would send libexif looking for JPEG markers.
    static const unsigned char header[] = {'E', 'x', 'i', 'f', 0, 0};
    if (!block || size <= sizeof header || std::memcmp(block, header, sizeof header) != 0)
        return Orientation::Upright;
    ExifData *data = exif_data_new();
    if (!data)
        return Orientation::Upright;
    // Read the block as it is: no entries made up for what it lacks.
    exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data, block, unsigned(size));
    int value = 1;
    if (ExifEntry *entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
        entry && entry->format == EXIF_FORMAT_SHORT && entry->components >= 1 && entry->data
        && entry->size >= 2)
        value = exif_get_short(entry->data, exif_data_get_byte_order(data));
    exif_data_unref(data);
    return orientationFromTag(value);
}

} // namespace zel
