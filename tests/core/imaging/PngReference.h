#pragma once

// PNG pixels as a reader independent of ours sees them: libpng itself
// expands every file (palettes and low depths to 8 bits, the transparent
// colour to alpha, 16 bits kept), and each sample is then laid over white
// at its own depth, round((a x c + (max - a) x max) / max), and scaled to 8
// bits, round(v x 255 / max).

#include <QImage>
#include <QString>

// The picture as RGB32; null when libpng refuses the file.
QImage referencePng(const QString &path);
