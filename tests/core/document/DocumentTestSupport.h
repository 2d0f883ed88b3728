#pragma once

// Building document bytes by hand, and devices that behave like pipes or
// like full disks.

#include "imaging/BmpCodec.h"

#include <QBuffer>
#include <QByteArray>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>

namespace doc {

inline QByteArray le32(qint64 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(quint32(v), b.data());
    return b;
}

inline QByteArray header(qint32 count, qint32 frameWidth, qint32 frameHeight, quint32 colour,
                         quint8 transparentMode, quint8 layout)
{
    return le32(count) + le32(frameWidth) + le32(frameHeight) + le32(colour)
           + char(transparentMode) + char(layout) + QByteArray(6, '\0');
}

inline QByteArray record(qint32 left, qint32 top, qint32 width, qint32 height, quint8 mono,
                         quint8 gray, quint8 transparent, char reserved = '\0')
{
    return le32(left) + le32(top) + le32(width) + le32(height) + char(mono) + char(gray)
           + char(transparent) + QByteArray(21, reserved);
}

inline QByteArray shortRecord(qint32 left, qint32 top, qint32 width, qint32 height)
{
    return le32(left) + le32(top) + le32(width) + le32(height);
}

inline QByteArray bmpBytes(const zel::Bitmap &bitmap)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    zel::writeBmp(buffer, bitmap);
    return buffer.data();
}

// A small 24-bit picture whose pixels depend on seed.
inline zel::Bitmap picture(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 37 + seed * 11) & 0xFF, (y * 53 + seed) & 0xFF,
                                      (x * y + seed * 29) & 0xFF));
    return zel::Bitmap{image, 24};
}

// Reads like a pipe: sequential, no size, no seeking back.
class PipeDevice : public QIODevice
{
public:
    explicit PipeDevice(const QByteArray &data) : m_data(data) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_data.size() - m_pos + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char *data, qint64 max) override
    {
        // At most 7 bytes at a time, as a slow pipe would deliver them.
        const qint64 n = std::min<qint64>({max, m_data.size() - m_pos, 7});
        if (n <= 0)
            return -1;
        std::memcpy(data, m_data.constData() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_pos = 0;
};

// Accepts capacity bytes, then fails every write, as a full disk does.
class FullDisk : public QIODevice
{
public:
    explicit FullDisk(qint64 capacity) : m_capacity(capacity) { open(QIODevice::WriteOnly); }
    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override
    {
        const qint64 n = std::min(len, m_capacity - written.size());
        if (n <= 0) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        written.append(data, n);
        return n;
    }

private:
    qint64 m_capacity;
};

} // namespace doc
