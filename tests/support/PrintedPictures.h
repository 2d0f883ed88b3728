#pragma once

// Documents for the printing suites: one picture whose every pixel within
// 1024 x 1024 differs from the others and none is white, so that a sheet
// shifted, scaled or cut by one pixel shows.

#include "document/DocumentFile.h"
#include "pixels/Bitmap.h"
#include "scene/Scene.h"
#include "scene/UiState.h"

#include <QImage>
#include <QString>

namespace zel::test {

inline QImage gradientPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, 0x20 + ((x >> 8) << 4) + ((y >> 8) << 2)));
    return image;
}

// A document whose picture is exactly `picture`: one opaque part covering
// the whole background.
inline bool writeDocument(const QString &path, const QImage &picture)
{
    UiState ui;
    Scene scene(ui);
    scene.setBackgroundSize(picture.size());
    scene.InsertPart(0, 0, picture.width(), picture.height(), Bitmap::fromImage(picture), 0, 0, 0);
    return saveDocumentFile(path, scene) == SaveError::None;
}

} // namespace zel::test
