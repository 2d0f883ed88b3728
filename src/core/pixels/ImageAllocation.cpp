#include "pixels/ImageAllocation.h"

#include <cstdlib>
#include <limits>
#include <mutex>
#include <new>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace zel {

namespace {

#if defined(__linux__) && defined(MADV_HUGEPAGE)

qsizetype bytesPerLineOf(int width, QImage::Format format)
{
    const int bits = QImage::toPixelFormat(format).bitsPerPixel();
    return ((qsizetype(width) * bits + 31) / 32) * 4;
}

constexpr qsizetype kHugePage = qsizetype(2) << 20;
// Smaller images are left to malloc: most of a huge page would be zeroed for
// nothing.
constexpr qsizetype kSharedMin = qsizetype(256) << 10;
// From this size on an image gets a block of its own.
constexpr qsizetype kOwnBlockMin = 2 * kHugePage;
// The address space of one shared region; only the pages touched take memory.
constexpr qsizetype kRegionSize = qsizetype(64) << 20;
constexpr qsizetype kAlignment = 64;

struct Region {
    char *base = nullptr;
    qsizetype used = 0;     // images are placed one after another
    int live = 0;           // images placed and not yet released
    std::vector<int> users; // images on each huge page
};

struct Placement {
    Region *region;
    qsizetype offset;
    qsizetype size;
};

std::mutex g_mutex;
Region *g_open = nullptr; // where the next image goes

Region *newRegion()
{
    // One huge page more than needed, so that the region can start on a
    // huge-page boundary.
    const size_t mapped = size_t(kRegionSize + kHugePage);
    void *p = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return nullptr;
    char *raw = static_cast<char *>(p);
    char *base = reinterpret_cast<char *>((reinterpret_cast<quintptr>(raw) + kHugePage - 1)
                                          & ~quintptr(kHugePage - 1));
    if (base > raw)
        munmap(raw, size_t(base - raw));
    if (raw + mapped > base + kRegionSize)
        munmap(base + kRegionSize, size_t(raw + mapped - (base + kRegionSize)));
    madvise(base, size_t(kRegionSize), MADV_HUGEPAGE); // a hint; failure is harmless
    auto *region = new (std::nothrow) Region;
    if (!region) {
        munmap(base, size_t(kRegionSize));
        return nullptr;
    }
    region->base = base;
    region->users.assign(size_t(kRegionSize / kHugePage), 0);
    return region;
}

void returnHugePage(Region &region, qsizetype page)
{
    madvise(region.base + page * kHugePage, size_t(kHugePage), MADV_DONTNEED);
}

// No more images go into the region: its partly used last huge page can go
// back as soon as no image lies on it.
void closeRegion(Region &region)
{
    const qsizetype last = region.used / kHugePage;
    if (region.used % kHugePage != 0 && region.users[size_t(last)] == 0)
        returnHugePage(region, last);
    region.used = kRegionSize;
}

Placement *place(qsizetype size)
{
    const qsizetype span = (size + kAlignment - 1) / kAlignment * kAlignment;
    std::lock_guard lock(g_mutex);
    if (g_open && g_open->used + span > kRegionSize) {
        closeRegion(*g_open);
        g_open = nullptr;
    }
    if (!g_open)
        g_open = newRegion();
    if (!g_open)
        return nullptr;
    auto *placement = new (std::nothrow) Placement{g_open, g_open->used, size};
    if (!placement)
        return nullptr;
    for (qsizetype page = placement->offset / kHugePage; page <= (placement->offset + size - 1) / kHugePage; ++page)
        ++g_open->users[size_t(page)];
    ++g_open->live;
    g_open->used += span;
    return placement;
}

void release(void *info)
{
    auto *placement = static_cast<Placement *>(info);
    Region &region = *placement->region;
    {
        std::lock_guard lock(g_mutex);
        const qsizetype end = placement->offset + placement->size;
        for (qsizetype page = placement->offset / kHugePage; page <= (end - 1) / kHugePage; ++page) {
            // A page that later images may still use stays.
            if (--region.users[size_t(page)] == 0 && (page + 1) * kHugePage <= region.used)
                returnHugePage(region, page);
        }
        if (--region.live == 0) {
            if (g_open == &region)
                g_open = nullptr;
            munmap(region.base, size_t(kRegionSize));
            delete &region;
        }
    }
    delete placement;
}

QImage sharedRegionImage(int width, int height, qsizetype bytesPerLine, QImage::Format format)
{
    Placement *placement = place(bytesPerLine * height);
    if (!placement)
        return QImage();
    uchar *data = reinterpret_cast<uchar *>(placement->region->base + placement->offset);
    QImage image(data, width, height, bytesPerLine, format, release, placement);
    if (image.isNull())
        release(placement);
    return image;
}

void freeBuffer(void *buffer)
{
    std::free(buffer);
}

QImage ownBlockImage(int width, int height, qsizetype bytesPerLine, QImage::Format format)
{
    const qsizetype size = bytesPerLine * height;
    const qsizetype rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
    void *buffer = nullptr;
    if (posix_memalign(&buffer, size_t(kHugePage), size_t(rounded)) != 0)
        return QImage();
    madvise(buffer, size_t(rounded), MADV_HUGEPAGE); // a hint; failure is harmless
    QImage image(static_cast<uchar *>(buffer), width, height, bytesPerLine, format, freeBuffer,
                 buffer);
    if (image.isNull())
        std::free(buffer);
    return image;
}

#endif

} // namespace

QImage allocateImage(int width, int height, QImage::Format format)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (width > 0 && height > 0 && format != QImage::Format_Invalid) {
        const qsizetype bytesPerLine = bytesPerLineOf(width, format);
        const bool fits = bytesPerLine <= std::numeric_limits<qsizetype>::max() / height;
        const qsizetype size = fits ? bytesPerLine * height : 0;
        QImage image;
        if (!fits)
            return QImage(); // more bytes than there are addresses
        if (size >= kOwnBlockMin)
            image = ownBlockImage(width, height, bytesPerLine, format);
        else if (size >= kSharedMin)
            image = sharedRegionImage(width, height, bytesPerLine, format);
        if (!image.isNull())
            return image;
    }
#endif
    return QImage(width, height, format);
}

} // namespace zel
