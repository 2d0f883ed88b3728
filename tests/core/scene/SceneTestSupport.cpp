#include "SceneTestSupport.h"

#include "FakePorts.h"
#include "Render.h"

#include <cmath>

namespace zel::test {

Bitmap solidSource(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_BGR888);
    image.fill(QColor::fromRgb(colour));
    return Bitmap::fromImage(image);
}

Bitmap patternSource(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(int((x * 37 + seed * 13) % 200 + 20),
                                      int((y * 53 + seed * 7) % 200 + 20),
                                      int(((x + y) * 11 + seed) % 200 + 30)));
    return Bitmap::fromImage(image);
}

namespace {

QRgb randomColour(QRandomGenerator &rng)
{
    static const QRgb boundary[] = {qRgb(128, 128, 128), qRgb(128, 129, 129),
                                    qRgb(254, 255, 255), qRgb(255, 255, 254),
                                    qRgb(255, 0, 0), qRgb(10, 20, 31)};
    switch (rng.bounded(4)) {
    case 0:
        return kWhiteRgb;
    case 1:
        return boundary[rng.bounded(int(std::size(boundary)))];
    default:
        return 0xFF000000u | (rng.generate() & 0xFFFFFFu);
    }
}

QList<QRgb> randomPalette(QRandomGenerator &rng, int size)
{
    QList<QRgb> palette;
    for (int i = 0; i < size; ++i)
        palette.append(randomColour(rng));
    palette[rng.bounded(size)] = kWhiteRgb;
    return palette;
}

} // namespace

Bitmap randomSource(QRandomGenerator &rng, int maxSide)
{
    const int width = 1 + rng.bounded(maxSide);
    const int height = 1 + rng.bounded(maxSide);
    QImage image;
    switch (rng.bounded(6)) {
    case 0:
    case 1:
    case 2: {
        static const QImage::Format formats[] = {QImage::Format_Mono, QImage::Format_Indexed8,
                                                 QImage::Format_Indexed8};
        static const int colours[] = {2, 16, 256};
        const int kind = rng.bounded(3);
        image = QImage(width, height, formats[kind]);
        image.setColorTable(randomPalette(rng, colours[kind]));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, uint(rng.bounded(colours[kind])));
        break;
    }
    case 3:
        image = QImage(width, height, QImage::Format_RGB555);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, randomColour(rng));
        break;
    case 4:
        image = QImage(width, height, QImage::Format_BGR888);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, randomColour(rng));
        break;
    default:
        // The fourth byte of a 32-bit BMP pixel is unused and may hold anything.
        image = QImage(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y) {
            auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
            for (int x = 0; x < width; ++x)
                line[x] = (randomColour(rng) & 0xFFFFFFu) | (rng.generate() & 0xFF000000u);
        }
        break;
    }
    return Bitmap::fromImage(image);
}

QRgb trueColour(const QImage &source, int x, int y)
{
    return source.pixel(x, y) | 0xFF000000u;
}

Conversion conversionFor(bool monochrome, bool grayscale)
{
    if (monochrome)
        return Conversion::Monochrome;
    return grayscale ? Conversion::Grayscale : Conversion::None;
}

QRgb convertColour(QRgb colour, Conversion conversion)
{
    const int sum = qRed(colour) + qGreen(colour) + qBlue(colour);
    switch (conversion) {
    case Conversion::Monochrome:
        return sum >= 386 ? kWhiteRgb : 0xFF000000u;
    case Conversion::Grayscale:
        return qRgb(sum / 3, sum / 3, sum / 3);
    case Conversion::None:
        break;
    }
    return colour | 0xFF000000u;
}

int nearestSource(int d, int destLen, int srcLen)
{
    return int(std::floor((d + 0.5) * srcLen / destLen));
}

QImage expectedRender(const QImage &canvas, const QRect &rect, const QImage &source,
                      bool monochrome, bool grayscale, bool transparent)
{
    QImage result = canvas.convertToFormat(QImage::Format_RGB32);
    if (source.isNull() || rect.isEmpty())
        return result;
    const Conversion conversion = conversionFor(monochrome, grayscale);
    const QRect area = rect & result.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const int sy = nearestSource(y - rect.top(), rect.height(), source.height());
        for (int x = area.left(); x <= area.right(); ++x) {
            const int sx = nearestSource(x - rect.left(), rect.width(), source.width());
            const QRgb colour = convertColour(trueColour(source, sx, sy), conversion);
            if (transparent && colour == kWhiteRgb)
                continue;
            result.setPixel(x, y, colour);
        }
    }
    return result;
}

QImage expectedScene(const Scene &scene)
{
    QImage picture(scene.backgroundSize(), QImage::Format_RGB32);
    picture.fill(toQRgb(scene.backgroundColour()));
    for (int i = scene.count() - 1; i >= 0; --i) {
        const ScenePart &part = scene.part(i);
        picture = expectedRender(picture, part.Image->bounds(), part.Source.image,
                                 part.Monochrome != 0, part.Grayscale != 0,
                                 part.Transparent != 0);
    }
    return picture;
}

QImage displayBitmap(const ScenePart &part)
{
    const QSize size = part.Image->bounds().size();
    QImage image(size, QImage::Format_RGB32);
    PictureDraws alone;
    alone.background = size;
    alone.parts.push_back(PartDraw{QRect(QPoint(0, 0), size), part.Source.image,
                                   conversionOf(part.Monochrome != 0, part.Grayscale != 0),
                                   false, part.Image->frame()});
    RenderPicture(image, alone, RenderArea{image.rect(), {}, {}}, kWhiteRgb);
    return image;
}

QImage expectedArea(const Scene &scene, const QRect &device, qint64 num, qint64 den,
                    const QPoint &origin, QRgb outside)
{
    // Device pixel x shows picture position origin + (x + 1/2) den / num,
    // taken as an exact fraction over 2 num: each part is sampled there.
    QImage picture(device.size(), QImage::Format_RGB32);
    const QSize background = scene.backgroundSize();
    const auto position = [&](int d, int originAt) {
        return (2 * qint64(d) + 1) * den + 2 * qint64(originAt) * num; // over 2 num
    };
    const auto within = [&](qint64 p, qint64 start, qint64 length) {
        return p >= 2 * start * num && p < 2 * (start + length) * num;
    };
    const auto index = [&](qint64 p, qint64 start, qint64 length, int sourceLength) {
        const long double exact = static_cast<long double>(p - 2 * start * num) * sourceLength
                                  / (static_cast<long double>(2 * num) * length);
        return int(std::floor(exact));
    };
    for (int y = 0; y < device.height(); ++y) {
        const qint64 py = position(device.y() + y, origin.y());
        for (int x = 0; x < device.width(); ++x) {
            const qint64 px = position(device.x() + x, origin.x());
            QRgb colour = outside;
            if (within(px, 0, background.width()) && within(py, 0, background.height())) {
                colour = toQRgb(scene.backgroundColour());
                for (int i = 0; i < scene.count(); ++i) {
                    const ScenePart &part = scene.part(i);
                    const QRect b = part.Image->bounds();
                    if (!within(px, b.x(), b.width()) || !within(py, b.y(), b.height()))
                        continue;
                    const QImage &source = part.Source.image;
                    const QRgb c = convertColour(
                        trueColour(source, index(px, b.x(), b.width(), source.width()),
                                   index(py, b.y(), b.height(), source.height())),
                        conversionFor(part.Monochrome != 0, part.Grayscale != 0));
                    if (part.Transparent != 0 && c == kWhiteRgb)
                        continue;
                    colour = c;
                    break;
                }
            }
            picture.setPixel(x, y, colour);
        }
    }
    return picture;
}

QString displayProblem(const ScenePart &part, QRgb frameColour)
{
    const QImage bitmap = displayBitmap(part);
    const int width = part.Image->width();
    const int height = part.Image->height();
    if (bitmap.size() != QSize(width, height))
        return QStringLiteral("display bitmap is %1x%2, part is %3x%4")
            .arg(bitmap.width()).arg(bitmap.height()).arg(width).arg(height);
    QImage blank(width, height, QImage::Format_RGB32);
    blank.fill(Qt::white);
    const QImage drawn = expectedRender(blank, blank.rect(), part.Source.image,
                                        part.Monochrome != 0, part.Grayscale != 0, false);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb actual = bitmap.pixel(x, y);
            const bool edge = x == 0 || y == 0 || x == width - 1 || y == height - 1;
            const bool ok = actual == drawn.pixel(x, y)
                || (edge && actual == frameColour);
            if (!ok)
                return QStringLiteral("display pixel (%1, %2) is %3, drawn part has %4, frame %5")
                    .arg(x).arg(y).arg(actual, 8, 16).arg(drawn.pixel(x, y), 8, 16)
                    .arg(frameColour, 8, 16);
        }
    }
    if (bitmap.pixel(0, 0) != frameColour)
        return QStringLiteral("frame %1 does not start at the corner (found %2)")
            .arg(frameColour, 8, 16).arg(bitmap.pixel(0, 0), 8, 16);
    return {};
}

std::vector<bool> framePattern(const QImage &bitmap, QRgb frameColour)
{
    std::vector<bool> pattern;
    const int w = bitmap.width();
    const int h = bitmap.height();
    auto take = [&](int x, int y) { pattern.push_back(bitmap.pixel(x, y) == frameColour); };
    for (int x = 0; x < w; ++x)
        take(x, 0);
    for (int y = 1; y < h; ++y)
        take(w - 1, y);
    for (int x = w - 2; x >= 0 && h > 1; --x)
        take(x, h - 1);
    for (int y = h - 2; y >= 1 && w > 1; --y)
        take(0, y);
    return pattern;
}

QString invariantProblem(const Scene &scene, const UiState &ui, bool checkDisplays)
{
    const int n = scene.count();
    const auto &stacking = scene.stacking();
    if (int(stacking.size()) != n)
        return QStringLiteral("%1 views stacked for %2 parts").arg(stacking.size()).arg(n);
    for (int i = 0; i < n; ++i) {
        const ScenePart &part = scene.part(i);
        if (stacking[size_t(n - 1 - i)] != part.Image.get())
            return QStringLiteral("stacking differs from the part order at index %1").arg(i);
        if (!part.Image->isVisible())
            return QStringLiteral("part %1 hidden").arg(i);
        if (checkDisplays && (i < 2 || i == n - 1)) {
            const QString problem = displayProblem(part, i == 0 ? kAqua : kNavy);
            if (!problem.isEmpty())
                return QStringLiteral("part %1: %2").arg(i).arg(problem);
        }
    }
    if (scene.SelectedIndex() != (n > 0 ? 0 : -1))
        return QStringLiteral("SelectedIndex %1 with %2 parts").arg(scene.SelectedIndex()).arg(n);
    for (Item item : {Item::CutItem, Item::CopyItem, Item::ClearItem, Item::MoveItem,
                      Item::PartSizeItem, Item::MonochromeItem, Item::GrayItem})
        if (ui.isEnabled(item) != (n > 0))
            return QStringLiteral("item %1 enabled %2 with %3 parts")
                .arg(int(item)).arg(ui.isEnabled(item)).arg(n);
    if (!ui.isEnabled(Item::TransparentModeItem))
        return QStringLiteral("transparent mode disabled");
    const bool mono = n > 0 && scene.part(0).Monochrome != 0;
    const bool gray = n > 0 && scene.part(0).Grayscale != 0;
    if (ui.isChecked(Item::MonochromeItem) != mono || ui.isChecked(Item::GrayItem) != gray)
        return QStringLiteral("monochrome/grayscale checks do not follow the top part");
    if (n > 0 && ui.isChecked(Item::TransparentModeItem) != (scene.part(0).Transparent != 0))
        return QStringLiteral("transparent check does not follow the top part");
    return {};
}

ClipboardPort &testClipboard()
{
    static FakeClipboard clipboard;
    return clipboard;
}

SceneState capture(const Scene &scene, const UiState &ui)
{
    SceneState state;
    state.background = scene.backgroundSize();
    state.colour = scene.backgroundColour();
    state.selectedIndex = scene.SelectedIndex();
    for (int i = 0; i < scene.count(); ++i) {
        const ScenePart &part = scene.part(i);
        state.parts.push_back({part.Image->bounds(), part.Source, part.Monochrome != 0,
                               part.Grayscale != 0, part.Transparent != 0,
                               displayBitmap(part)});
    }
    for (int i = 0; i < kItemCount; ++i) {
        state.enabled.push_back(ui.isEnabled(Item(i)));
        state.checked.push_back(ui.isChecked(Item(i)));
    }
    return state;
}

namespace {

QString rectText(const QRect &r)
{
    return QStringLiteral("(%1, %2, %3, %4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

} // namespace

QString difference(const SceneState &expected, const SceneState &actual)
{
    if (expected.background != actual.background)
        return QStringLiteral("background %1x%2, expected %3x%4")
            .arg(actual.background.width()).arg(actual.background.height())
            .arg(expected.background.width()).arg(expected.background.height());
    if (expected.colour != actual.colour)
        return QStringLiteral("background colour %1, expected %2")
            .arg(actual.colour, 8, 16).arg(expected.colour, 8, 16);
    if (expected.selectedIndex != actual.selectedIndex)
        return QStringLiteral("SelectedIndex %1, expected %2")
            .arg(actual.selectedIndex).arg(expected.selectedIndex);
    if (expected.parts.size() != actual.parts.size())
        return QStringLiteral("%1 parts, expected %2")
            .arg(actual.parts.size()).arg(expected.parts.size());
    for (size_t i = 0; i < expected.parts.size(); ++i) {
        const PartState &e = expected.parts[i];
        const PartState &a = actual.parts[i];
        const QString where = QStringLiteral("part %1: ").arg(i);
        if (e.bounds != a.bounds)
            return where + QStringLiteral("bounds %1, expected %2")
                .arg(rectText(a.bounds), rectText(e.bounds));
        if (!(e.source == a.source))
            return where + QStringLiteral("source differs");
        if (e.monochrome != a.monochrome || e.grayscale != a.grayscale
            || e.transparent != a.transparent)
            return where + QStringLiteral("flags %1%2%3, expected %4%5%6")
                .arg(a.monochrome).arg(a.grayscale).arg(a.transparent)
                .arg(e.monochrome).arg(e.grayscale).arg(e.transparent);
        if (e.display != a.display)
            return where + QStringLiteral("display bitmap differs");
    }
    for (int i = 0; i < kItemCount; ++i) {
        if (expected.enabled[size_t(i)] != actual.enabled[size_t(i)])
            return QStringLiteral("item %1 enabled %2, expected %3")
                .arg(i).arg(actual.enabled[size_t(i)]).arg(expected.enabled[size_t(i)]);
        const bool stickyCheck = Item(i) == Item::TransparentModeItem && expected.parts.empty();
        if (!stickyCheck && expected.checked[size_t(i)] != actual.checked[size_t(i)])
            return QStringLiteral("item %1 checked %2, expected %3")
                .arg(i).arg(actual.checked[size_t(i)]).arg(expected.checked[size_t(i)]);
    }
    return {};
}

} // namespace zel::test
