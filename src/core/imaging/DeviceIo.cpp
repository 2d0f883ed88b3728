#include "DeviceIo.h"

#include <algorithm>

namespace zel {

namespace {
constexpr qint64 kChunk = qint64(1) << 20;
}

QByteArray readUpTo(QIODevice &in, qint64 n)
{
    QByteArray data;
    if (n <= 0)
        return data;
    qint64 got = 0;
    if (!in.isSequential()) {
        // A file or buffer says how much is left: allocate that, once.
        n = std::min(n, std::max<qint64>(in.bytesAvailable(), 0));
        data.resize(n);
        while (got < n) {
            const qint64 r = in.read(data.data() + got, n - got);
            if (r <= 0)
                break;
            got += r;
        }
    } else {
        // Grow with the data that arrives, never ahead of it by more than
        // what has come so far.
        while (got < n) {
            const qint64 step = std::min(n - got, std::max(kChunk, got));
            data.resize(got + step);
            const qint64 r = in.read(data.data() + got, step);
            if (r <= 0)
                break;
            got += r;
        }
    }
    data.resize(got);
    return data;
}

bool readExactly(QIODevice &in, char *buffer, qint64 n)
{
    qint64 got = 0;
    while (got < n) {
        const qint64 r = in.read(buffer + got, n - got);
        if (r <= 0)
            return false;
        got += r;
    }
    return true;
}

bool skipExactly(QIODevice &in, qint64 n)
{
    while (n > 0) {
        const qint64 r = in.skip(n);
        if (r <= 0)
            return false;
        n -= r;
    }
    return true;
}

bool writeAll(QIODevice &out, const char *data, qint64 n)
{
    qint64 done = 0;
    while (done < n) {
        const qint64 w = out.write(data + done, n - done);
        if (w <= 0)
            return false;
        done += w;
    }
    return true;
}

} // namespace zel
