#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QtEndian>

#include <cstring>

namespace zel {

// Reads n bytes, looping over short reads. Returns what could be read: fewer
// than n bytes means the device ran dry. Memory grows only with the data
// that actually arrives, so a length field that lies costs nothing.
QByteArray readUpTo(QIODevice &in, qint64 n);

// Reads exactly n bytes into buffer; false on a short read.
bool readExactly(QIODevice &in, char *buffer, qint64 n);

// Reads count rows of rowBytes bytes each, as they follow one another on the
// device, straight into memory at first, first + step, first + 2 * step...
// (step may be negative: rows stored bottom-up going into a top-down
// picture). Returns the bytes that arrived: fewer than count * rowBytes
// means the device ran dry. A file is read with one system call for many
// rows, at the device's position, which then moves past what was read.
qint64 readRows(QIODevice &in, char *first, qsizetype step, qint64 rowBytes, qint64 count);

// Skips exactly n bytes; false when the device ends first.
bool skipExactly(QIODevice &in, qint64 n);

// Writes all n bytes; false on a short write.
bool writeAll(QIODevice &out, const char *data, qint64 n);
inline bool writeAll(QIODevice &out, const QByteArray &data)
{
    return writeAll(out, data.constData(), data.size());
}

// Little-endian fields inside byte buffers.
inline quint16 le16(const char *p) { return qFromLittleEndian<quint16>(p); }
inline quint32 le32(const char *p) { return qFromLittleEndian<quint32>(p); }
inline qint32 les32(const char *p) { return qFromLittleEndian<qint32>(p); }
inline void putLe16(char *p, quint16 v) { qToLittleEndian(v, p); }
inline void putLe32(char *p, quint32 v) { qToLittleEndian(v, p); }

} // namespace zel
