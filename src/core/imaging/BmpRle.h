#pragma once

#include <QtGlobal>

#include <functional>

namespace zel {

// Where run-length decoding puts its indices: rows counted in file order
// (the first row decoded is row 0), each width bytes of Indexed8.
struct RleTarget {
    int width = 0;
    int height = 0;
    std::function<uchar *(int row)> row;
};

// Decode BI_RLE8 / BI_RLE4 data. Pixels the data skips (deltas, early ends of
// lines or of the bitmap) keep what the target held. Runs reaching beyond the
// right edge are clipped; data ending without an end-of-bitmap mark simply
// ends the picture there.
void decodeRle8(const uchar *data, qint64 size, const RleTarget &target);
void decodeRle4(const uchar *data, qint64 size, const RleTarget &target);

} // namespace zel
