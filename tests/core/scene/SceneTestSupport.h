#pragma once

// Shared helpers of the scene suites: sources in every pixel format a part
// can hold, a per-pixel model of how a part is drawn, checks of the display
// bitmaps and their frames, and snapshots of the whole scene for
// before/after comparisons.

#include "pixels/Bitmap.h"
#include "scene/EditCommands.h"
#include "scene/EditHistory.h"
#include "scene/Render.h"
#include "scene/Ports.h"
#include "scene/Scene.h"
#include "scene/UiState.h"

#include <QImage>
#include <QRandomGenerator>
#include <QString>

#include <vector>

namespace zel::test {

constexpr QRgb kAqua = 0xFF00FFFFu;  // selected frame
constexpr QRgb kNavy = 0xFF000080u;  // unselected frame
constexpr QRgb kRed = 0xFFFF0000u;
constexpr QRgb kWhiteRgb = 0xFFFFFFFFu;

// A BGR888 (24-bit) source filled with one colour.
Bitmap solidSource(int width, int height, QRgb colour);

// A source with distinct, frame-free colours at every pixel (BGR888).
Bitmap patternSource(int width, int height, quint32 seed = 1);

// A source of random size (1..maxSide) and random pixel format (1-bit, 4-bit,
// 8-bit palette, 16, 24 or 32 bits) with a fair share of white pixels.
Bitmap randomSource(QRandomGenerator &rng, int maxSide);

// The true colour of a source pixel, palettes expanded, always opaque.
QRgb trueColour(const QImage &source, int x, int y);

enum class Conversion { None, Monochrome, Grayscale };
Conversion conversionFor(bool monochrome, bool grayscale);
// The level model of the conversions: monochrome white exactly when
// b + g + r >= 386, grayscale (b + g + r) / 3.
QRgb convertColour(QRgb colour, Conversion conversion);

// Nearest neighbour by pixel centres, computed in floating point so that it
// does not share its arithmetic with the renderer.
int nearestSource(int d, int destLen, int srcLen);

// What canvas must look like after drawing source into rect: the model of
// RenderPart, pixel by pixel.
QImage expectedRender(const QImage &canvas, const QRect &rect, const QImage &source,
                      bool monochrome, bool grayscale, bool transparent);

// The model of RenderScene: background colour, then every part bottom first.
QImage expectedScene(const Scene &scene);

// The model of RenderPicture over a scene's parts (no frames): device
// pixels of area at num/den device pixels a picture pixel from origin on.
QImage expectedArea(const Scene &scene, const QRect &area, qint64 num, qint64 den,
                    const QPoint &origin, QRgb outside);

// The part as its view shows it: drawn opaque at its displayed size, with
// its frame.
QImage displayBitmap(const ScenePart &part);

// Empty when the part's display bitmap is its size, holds the drawn part
// everywhere but the outermost rows and columns, and carries the given frame
// there (the frame colour or, in the pattern's gaps, the drawn pixel).
QString displayProblem(const ScenePart &part, QRgb frameColour);

// The frame pixels along the outermost rows and columns, clockwise from the
// top-left corner: true where the pixel has the frame colour.
std::vector<bool> framePattern(const QImage &bitmap, QRgb frameColour);

// Empty when the scene is in the state every scene operation leaves it in:
// stacking follows the part order, every view visible, the top part
// selected with the aqua frame and all others navy, the views' transparency
// and the check marks mirroring the flags, menu items enabled exactly as the
// selection says.
QString invariantProblem(const Scene &scene, const UiState &ui, bool checkDisplays = true);

// A clipboard for the commands that need one (Cut), kept for the run.
ClipboardPort &testClipboard();

// Everything undo and redo must bring back.
struct PartState {
    QRect bounds;
    Bitmap source;
    bool monochrome = false;
    bool grayscale = false;
    bool transparent = false;
    QImage display;
};

struct SceneState {
    QSize background;
    Colour colour = 0;
    int selectedIndex = -1;
    std::vector<PartState> parts;
    std::vector<bool> enabled;
    std::vector<bool> checked;
};

SceneState capture(const Scene &scene, const UiState &ui);
// Empty when equal, otherwise the first difference. The transparent-mode
// check of an empty scene is left out: it keeps whatever it last showed.
QString difference(const SceneState &expected, const SceneState &actual);

} // namespace zel::test
