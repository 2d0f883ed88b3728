#include "ImageAllocation.h"

#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace zel {

namespace {

#if defined(__linux__) && defined(MADV_HUGEPAGE)
constexpr qsizetype kHugePage = qsizetype(2) << 20;

void freeBuffer(void *buffer)
{
    std::free(buffer);
}
#endif

} // namespace

QImage allocateImage(int width, int height, QImage::Format format)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    const int bits = QImage::toPixelFormat(format).bitsPerPixel();
    const qsizetype bytesPerLine = ((qsizetype(width) * bits + 31) / 32) * 4;
    const qsizetype size = bytesPerLine * height;
    if (width > 0 && height > 0 && size >= 2 * kHugePage) {
        const qsizetype rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
        void *buffer = nullptr;
        if (posix_memalign(&buffer, size_t(kHugePage), size_t(rounded)) == 0) {
            madvise(buffer, size_t(rounded), MADV_HUGEPAGE); // a hint; failure is harmless
            QImage image(static_cast<uchar *>(buffer), width, height, bytesPerLine, format,
                         freeBuffer, buffer);
            if (!image.isNull())
                return image;
            std::free(buffer);
        }
    }
#endif
    return QImage(width, height, format);
}

} // namespace zel
