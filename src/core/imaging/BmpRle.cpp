#include "BmpRle.h"

namespace zel {

namespace {

template<bool Four>
void decodeRle(const uchar *data, qint64 size, const RleTarget &target)
{
    qint64 p = 0;
    qint64 x = 0;
    qint64 y = 0;
    uchar *line = target.height > 0 ? target.row(0) : nullptr;
    auto put = [&](uchar index) {
        if (x < target.width)
            line[x] = index;
        ++x;
    };
    while (p + 2 <= size && y < target.height) {
        const int count = data[p];
        const uchar value = data[p + 1];
        p += 2;
        if (count > 0) {
            // An encoded run: one index (RLE8) or two alternating ones (RLE4).
            for (int i = 0; i < count && x < target.width; ++i)
                put(Four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            if (++y < target.height)
                line = target.row(int(y));
            break;
        case 1: // end of bitmap
            return;
        case 2: // delta
            if (p + 2 > size)
                return;
            x += data[p];
            if (data[p + 1] > 0) {
                y += data[p + 1];
                if (y < target.height)
                    line = target.row(int(y));
            }
            p += 2;
            break;
        default: { // an absolute run of value indices, padded to a 16-bit boundary
            const int n = value;
            const qint64 bytes = Four ? (n + 1) / 2 : n;
            if (p + bytes > size)
                return;
            for (int i = 0; i < n && x < target.width; ++i)
                put(Four ? ((i & 1) ? (data[p + i / 2] & 0x0F) : (data[p + i / 2] >> 4))
                         : data[p + i]);
            p += bytes + (bytes & 1);
            break;
        }
        }
    }
}

} // namespace

void decodeRle8(const uchar *data, qint64 size, const RleTarget &target)
{
    decodeRle<false>(data, size, target);
}

void decodeRle4(const uchar *data, qint64 size, const RleTarget &target)
{
    decodeRle<true>(data, size, target);
}

} // namespace zel
