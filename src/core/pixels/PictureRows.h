#pragma once

#include <QImage>
#include <QSize>

namespace zel {

// A picture handed to a writer band by band, so that neither side need hold
// it whole: a picture far larger than its parts is drawn just ahead of the
// writer. Writers ask for bands in the order they write rows (a BMP from the
// bottom up, a JPEG or PNG from the top down).
class PictureRows
{
public:
    virtual ~PictureRows() = default;

    virtual QSize size() const = 0;
    // Rows top .. top + count - 1 as an RGB32 image of the picture's width and
    // count rows; null when there is no memory for them.
    virtual QImage rows(int top, int count) = 0;

    // How many rows a writer should ask for at a time: about 4 MiB of them.
    int bandHeight() const
    {
        const qint64 rowBytes = qMax<qint64>(qint64(size().width()) * 4, 1);
        return int(qBound<qint64>(1, (qint64(4) << 20) / rowBytes, qint64(qMax(size().height(), 1))));
    }
};

// A picture that is already whole: bands are views of its rows, not copies.
class WholePicture final : public PictureRows
{
public:
    explicit WholePicture(const QImage &picture)
        : m_picture(picture.format() == QImage::Format_RGB32
                        ? picture
                        : picture.convertToFormat(QImage::Format_RGB32))
    {
    }

    QSize size() const override { return m_picture.size(); }
    QImage rows(int top, int count) override
    {
        return QImage(m_picture.constScanLine(top), m_picture.width(), count,
                      m_picture.bytesPerLine(), QImage::Format_RGB32);
    }

private:
    QImage m_picture;
};

} // namespace zel
