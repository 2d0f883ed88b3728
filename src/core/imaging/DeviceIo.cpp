#include "DeviceIo.h"

#include <algorithm>

#if defined(Q_OS_LINUX)
#include <QFileDevice>

#include <cerrno>
#include <sys/uio.h>
#endif

namespace zel {

namespace {

constexpr qint64 kChunk = qint64(1) << 20;

#if defined(Q_OS_LINUX)
// Rows per system call; the system takes at most 1024.
constexpr int kRowsPerCall = 512;

// Reads at the file's logical position, which accounts for what Qt has
// buffered (or not yet written), and then moves it past what arrived.
qint64 readFileRows(QFileDevice &file, char *first, qsizetype step, qint64 rowBytes, qint64 count)
{
    const qint64 start = file.pos();
    const qint64 total = rowBytes * count;
    qint64 done = 0;
    iovec parts[kRowsPerCall];
    while (done < total) {
        // A call may end inside a row; the next one goes on from there.
        const qint64 row = done / rowBytes;
        const qint64 within = done % rowBytes;
        int n = 0;
        for (qint64 r = row; r < count && n < kRowsPerCall; ++r, ++n) {
            const qint64 skip = r == row ? within : 0;
            parts[n].iov_base = first + r * step + skip;
            parts[n].iov_len = size_t(rowBytes - skip);
        }
        const ssize_t got = ::preadv(file.handle(), parts, n, off_t(start + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += got;
    }
    return file.seek(start + done) ? done : 0;
}
#endif

} // namespace

qint64 readRows(QIODevice &in, char *first, qsizetype step, qint64 rowBytes, qint64 count)
{
    if (rowBytes <= 0 || count <= 0)
        return 0;
#if defined(Q_OS_LINUX)
    auto *file = qobject_cast<QFileDevice *>(&in);
    if (file && file->handle() >= 0 && !file->isSequential()
        && (!file->isWritable() || file->flush()))
        return readFileRows(*file, first, step, rowBytes, count);
#endif
    qint64 done = 0;
    for (qint64 r = 0; r < count; ++r) {
        char *row = first + r * step;
        qint64 got = 0;
        while (got < rowBytes) {
            const qint64 n = in.read(row + got, rowBytes - got);
            if (n <= 0)
                return done + got;
            got += n;
        }
        done += got;
    }
    return done;
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
