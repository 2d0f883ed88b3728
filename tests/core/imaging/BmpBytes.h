#pragma once

// Hand-built BMP file images for reader tests: every header field can be set,
// and the sizes the writer of a real file would fill in are computed unless
// a test overrides them to build a broken file.

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <QtEndian>

#include <optional>

struct BmpSpec {
    int infoSize = 40;
    qint32 width = 1;
    qint32 height = 1;
    int bits = 24;
    quint32 compression = 0;
    QList<QRgb> palette;          // written as BGR0 (BGR for the core header)
    quint32 coloursUsed = 0;      // 0: the palette's length for <= 8 bits
    QList<quint32> masks;         // after a 40-byte header, or inside a larger one
    QByteArray pixels;            // the pixel array as stored
    std::optional<quint32> fileSize;    // bfSize; computed when absent
    std::optional<quint32> pixelOffset; // bfOffBits; computed when absent
    QByteArray gapBeforePixels;   // bytes between the table and the pixels
    QByteArray tail;              // bytes after the pixels, counted in bfSize
};

inline void appendLe(QByteArray &b, quint32 v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

inline QByteArray buildBmp(const BmpSpec &s)
{
    QByteArray info;
    appendLe(info, quint32(s.infoSize), 4);
    if (s.infoSize == 12) {
        appendLe(info, quint32(s.width), 2);
        appendLe(info, quint32(s.height), 2);
        appendLe(info, 1, 2);
        appendLe(info, quint32(s.bits), 2);
    } else {
        appendLe(info, quint32(s.width), 4);
        appendLe(info, quint32(s.height), 4);
        appendLe(info, 1, 2);
        appendLe(info, quint32(s.bits), 2);
        appendLe(info, s.compression, 4);
        appendLe(info, quint32(s.pixels.size()), 4);
        appendLe(info, 2835, 4);
        appendLe(info, 2835, 4);
        quint32 used = s.coloursUsed;
        if (!used && s.bits <= 8)
            used = quint32(s.palette.size());
        appendLe(info, used, 4);
        appendLe(info, 0, 4);
        if (s.infoSize > 40)
            for (quint32 m : s.masks)
                appendLe(info, m, 4);
        info.append(QByteArray(s.infoSize - info.size(), '\0'));
    }
    if (s.infoSize == 40)
        for (quint32 m : s.masks)
            appendLe(info, m, 4);
    for (QRgb c : s.palette) {
        info.append(char(qBlue(c)));
        info.append(char(qGreen(c)));
        info.append(char(qRed(c)));
        if (s.infoSize != 12)
            info.append('\0');
    }
    info.append(s.gapBeforePixels);
    const quint32 offset = s.pixelOffset.value_or(quint32(14 + info.size()));
    const quint32 size = s.fileSize.value_or(
        quint32(14 + info.size() + s.pixels.size() + s.tail.size()));
    QByteArray file("BM");
    appendLe(file, size, 4);
    appendLe(file, 0, 4);
    appendLe(file, offset, 4);
    return file + info + s.pixels + s.tail;
}
