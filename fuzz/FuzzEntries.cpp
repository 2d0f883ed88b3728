#include "FuzzEntries.h"

#include "document/BmhDocument.h"
#include "imaging/BmpCodec.h"
#include "imaging/JpegCodec.h"
#include "imaging/PngCodec.h"
#include "scene/Render.h"
#include "scene/Scene.h"

#include <QBuffer>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace zel::fuzz {

namespace {

// Small limits keep each run fast and within libFuzzer's memory budget; the
// checks they exercise are the same as with the real limits.
constexpr qint64 kImagePixels = qint64(1) << 16;
constexpr qint64 kTotalPixels = qint64(1) << 18;
constexpr qint64 kRenderPixels = qint64(1) << 16;

[[noreturn]] void broken(const char *what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
}

bool samePart(const ScenePart &a, const ScenePart &b)
{
    return a.Image->bounds() == b.Image->bounds() && a.Source == b.Source
           && a.Source.image.colorTable() == b.Source.image.colorTable()
           && a.Monochrome == b.Monochrome && a.Grayscale == b.Grayscale
           && a.Transparent == b.Transparent;
}

} // namespace

bool documentEntry(const uint8_t *data, size_t size)
{
    DocumentLimits limits;
    limits.maxImagePixels = kImagePixels;
    limits.maxTotalPixels = kTotalPixels;
    QBuffer in;
    in.setData(bytes(data, size));
    in.open(QIODevice::ReadOnly);
    // The headers alone: the same verdict, sizes and depths as the pixels.
    QString skipped;
    std::vector<DocumentPart> headers;
    const bool headersRead = readDocumentParts(
        in, [](const DocumentHeader &) {}, [&](DocumentPart &&part) { headers.push_back(std::move(part)); },
        &skipped, limits, SourcePixels::Skip);
    in.seek(0);
    UiState ui;
    Scene scene(ui);
    QString error;
    if (!ReadDocument(in, scene, &error, limits)) {
        if (error.isEmpty() || scene.count() != 0)
            broken("a failed read must say why and leave the scene empty");
        if (headersRead || skipped != error)
            broken("reading the headers alone judged the document otherwise");
        return false;
    }
    if (!headersRead || headers.size() != size_t(scene.count()))
        broken("reading the headers alone judged the document otherwise");
    for (int i = 0; i < scene.count(); ++i) {
        const DocumentPart &part = headers[size_t(scene.count() - 1 - i)];
        if (part.sourceSize != scene.part(i).Source.image.size() || part.sourceDepth != scene.part(i).Source.depth)
            broken("the headers alone told another size or depth");
    }
    if (qint64(scene.backgroundSize().width()) * scene.backgroundSize().height() <= kRenderPixels)
        (void)RenderScene(scene);

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    if (!WriteDocument(out, scene, &error))
        broken("a document that was read cannot be written");
    out.close();
    out.open(QIODevice::ReadOnly);
    UiState ui2;
    Scene again(ui2);
    if (!ReadDocument(out, again, &error, limits))
        broken("a written document cannot be read back");
    if (again.count() != scene.count() || again.backgroundSize() != scene.backgroundSize()
        || again.backgroundColour() != scene.backgroundColour())
        broken("the document changed on its way through the writer");
    for (int i = 0; i < scene.count(); ++i)
        if (!samePart(scene.part(i), again.part(i)))
            broken("a part changed on its way through the writer");
    return true;
}

bool jpegEntry(const uint8_t *data, size_t size)
{
    const QByteArray file = bytes(data, size);
    bool accepted = false;
    for (bool palette : {false, true}) {
        JpegDecodeOptions options;
        options.paletteDisplay = palette;
        options.maxPixels = kImagePixels;
        QString error;
        const Bitmap b = decodeJpeg(file, options, &error);
        if (liveJpegCodecs() != 0)
            broken("a JPEG codec object outlived its call");
        if (b.isNull()) {
            if (error.isEmpty())
                broken("a failed decode must say why");
            continue;
        }
        accepted = true;
        if (palette && b.image.colorCount() > 236)
            broken("more than 236 colours");
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        if (!encodeJpeg(out, b.image, &error))
            broken("a decoded picture cannot be encoded");
        const Bitmap again = decodeJpeg(out.data(), JpegDecodeOptions(), &error);
        if (again.image.size() != b.image.size())
            broken("an encoded picture does not decode to its size");
    }
    return accepted;
}

bool bmpEntry(const uint8_t *data, size_t size)
{
    QBuffer in;
    in.setData(bytes(data, size));
    in.open(QIODevice::ReadOnly);
    QString error;
    const Bitmap b = readBmp(in, &error, kImagePixels);
    if (b.isNull()) {
        if (error.isEmpty())
            broken("a failed read must say why");
        return false;
    }
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    if (!writeBmp(out, b, &error))
        broken("an image that was read cannot be written");
    out.close();
    out.open(QIODevice::ReadOnly);
    const Bitmap again = readBmp(out, &error, kImagePixels);
    if (!(again == b) || again.image.colorTable() != b.image.colorTable())
        broken("an image changed on its way through the writer");
    if (!out.atEnd())
        broken("the reader did not consume the whole written image");
    return true;
}

bool pngEntry(const uint8_t *data, size_t size)
{
    QBuffer in;
    in.setData(bytes(data, size));
    in.open(QIODevice::ReadOnly);
    QString error;
    const Bitmap b = decodePng(in, kImagePixels, &error);
    if (b.isNull()) {
        if (!error.startsWith(QStringLiteral("PNG: ")))
            broken("a failed decode must say why");
        return false;
    }
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    WholePicture picture(b.image);
    if (!encodePng(out, picture, &error))
        broken("a decoded picture cannot be encoded");
    out.close();
    out.open(QIODevice::ReadOnly);
    const Bitmap again = decodePng(out, kImagePixels, &error);
    if (again.image.convertToFormat(QImage::Format_RGB32) != b.image.convertToFormat(QImage::Format_RGB32))
        broken("a picture changed on its way through the writer");
    return true;
}

} // namespace zel::fuzz
