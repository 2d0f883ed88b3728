#include "BmhDocument.h"

#include "imaging/BmpCodec.h"
#include "imaging/DeviceIo.h"
#include "scene/Scene.h"

namespace zel {

namespace {

// The smallest entry a file can hold: a short record and a 1 x 1 BMP with a
// core header (14 + 12 + 4 bytes).
constexpr qint64 kSmallestEntry = kShortPartRecordSize + 30;
constexpr int kSmallestFrame = 7; // a background of at least 1 x 1

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

QByteArray encodeHeader(const DocumentHeader &h)
{
    QByteArray bytes(kDocumentHeaderSize, '\0');
    char *p = bytes.data();
    putLe32(p, quint32(h.partCount));
    putLe32(p + 4, quint32(h.frameWidth));
    putLe32(p + 8, quint32(h.frameHeight));
    putLe32(p + 12, h.background);
    p[16] = char(h.transparentMode);
    p[17] = char(h.layout);
    return bytes;
}

DocumentHeader decodeHeader(const QByteArray &bytes)
{
    const char *p = bytes.constData();
    DocumentHeader h;
    h.partCount = les32(p);
    h.frameWidth = les32(p + 4);
    h.frameHeight = les32(p + 8);
    h.background = le32(p + 12);
    h.transparentMode = quint8(p[16]);
    h.layout = quint8(p[17]);
    return h;
}

bool inCoordinateRange(qint64 v)
{
    return v >= -kCoordinateLimit && v <= kCoordinateLimit;
}

class DocumentReader
{
public:
    DocumentReader(QIODevice &in, const DocumentLimits &limits, SourcePixels pixels)
        : m_in(in), m_limits(limits), m_pixels(pixels)
    {
    }

    bool read(const std::function<void(const DocumentHeader &)> &begin,
              const std::function<void(DocumentPart &&)> &take, QString *error);

private:
    bool readHeader(DocumentHeader &header, QString *error);
    bool readEntry(int entry, int count, DocumentPart &part, QString *error);

    QIODevice &m_in;
    const DocumentLimits &m_limits;
    SourcePixels m_pixels;
    quint8 m_layout = 1;
    quint8 m_transparentMode = 0;
    qint64 m_totalPixels = 0;
};

bool DocumentReader::readHeader(DocumentHeader &h, QString *error)
{
    const QByteArray bytes = readUpTo(m_in, kDocumentHeaderSize);
    if (bytes.size() < kDocumentHeaderSize)
        return fail(error, QStringLiteral("document header cut short (%1 of %2 bytes)")
                               .arg(bytes.size()).arg(kDocumentHeaderSize));
    h = decodeHeader(bytes);
    if (h.partCount < 0)
        return fail(error, QStringLiteral("negative part count %1").arg(h.partCount));
    if (!m_in.isSequential() && qint64(h.partCount) * kSmallestEntry > m_in.bytesAvailable())
        return fail(error, QStringLiteral("%1 parts cannot fit in the %2 bytes that follow the header")
                               .arg(h.partCount).arg(m_in.bytesAvailable()));
    if (h.frameWidth < kSmallestFrame || h.frameHeight < kSmallestFrame)
        return fail(error, QStringLiteral("frame %1 x %2 is smaller than %3 x %3")
                               .arg(h.frameWidth).arg(h.frameHeight).arg(kSmallestFrame));
    const qint64 background = qint64(h.frameWidth - Scene::kFrameExtra) * (h.frameHeight - Scene::kFrameExtra);
    if (background > m_limits.maxImagePixels)
        return fail(error, QStringLiteral("background %1 x %2 is more than the limit of %3 pixels")
                               .arg(h.frameWidth - Scene::kFrameExtra).arg(h.frameHeight - Scene::kFrameExtra)
                               .arg(m_limits.maxImagePixels));
    m_layout = h.layout;
    m_transparentMode = h.transparentMode;
    return true;
}

bool DocumentReader::readEntry(int entry, int count, DocumentPart &part, QString *error)
{
    const QString where = QStringLiteral("part entry %1 of %2: ").arg(entry).arg(count);
    char record[kPartRecordSize];
    if (!readExactly(m_in, record, kPartRecordSize))
        return fail(error, where + QStringLiteral("record cut short"));

    const qint32 left = les32(record);
    const qint32 top = les32(record + 4);
    const qint32 width = les32(record + 8);
    const qint32 height = les32(record + 12);
    // "BM" where the flags would be: a 16-byte record of the earlier layout,
    // whose image began 24 bytes ago. The earlier rules hold from here on.
    const bool shortRecord = record[16] == 'B' && record[17] == 'M';
    if (shortRecord)
        m_layout = 0;
    part.monochrome = shortRecord ? 0 : quint8(record[16]);
    part.grayscale = shortRecord ? 0 : quint8(record[17]);
    part.transparent = m_layout == 0 ? m_transparentMode : quint8(record[18]);

    if (width < 0 || height < 0)
        return fail(error, where + QStringLiteral("negative displayed size %1 x %2")
                                       .arg(width).arg(height));
    const qint64 right = qint64(left) + width;
    const qint64 bottom = qint64(top) + height;
    if (!inCoordinateRange(left) || !inCoordinateRange(top) || !inCoordinateRange(right)
        || !inCoordinateRange(bottom))
        return fail(error, where + QStringLiteral("placement (%1, %2, %3, %4) reaches beyond ±%5")
                                       .arg(left).arg(top).arg(width).arg(height).arg(kCoordinateLimit));
    const qint64 displayed = qint64(width) * height;
    if (displayed > m_limits.maxImagePixels)
        return fail(error, where + QStringLiteral("displayed size %1 x %2 is more than the limit of %3 pixels")
                                       .arg(width).arg(height).arg(m_limits.maxImagePixels));
    part.bounds = QRect(left, top, width, height);

    // The source must fit in what the document has left, and is refused on
    // its header's word before any of its pixels are allocated.
    const QString overBudget = QStringLiteral("the parts so far hold more than the limit of %1 pixels")
                                           .arg(m_limits.maxTotalPixels);
    m_totalPixels += displayed;
    if (m_totalPixels > m_limits.maxTotalPixels)
        return fail(error, where + overBudget);
    BmpReadOptions options;
    options.maxPixels = m_limits.maxImagePixels;
    options.admit = [&](const BmpInfo &info) {
        return qint64(info.width) * info.height > m_limits.maxTotalPixels - m_totalPixels ? overBudget
                                                                                           : QString();
    };
    QString why;
    const QByteArray head = shortRecord ? QByteArray(record + kShortPartRecordSize,
                                                     kPartRecordSize - kShortPartRecordSize)
                                        : QByteArray();
    BmpInfo info;
    if (m_pixels == SourcePixels::Skip) {
        if (!readBmpInfo(head, m_in, &info, &why, options))
            return fail(error, where + why);
    } else {
        part.source = readBmp(head, m_in, &why, options);
        if (part.source.isNull())
            return fail(error, where + why);
        info = BmpInfo{part.source.width(), part.source.height(), part.source.depth};
    }
    part.sourceSize = QSize(info.width, info.height);
    part.sourceDepth = info.depth;
    m_totalPixels += qint64(info.width) * info.height;
    return true;
}

bool DocumentReader::read(const std::function<void(const DocumentHeader &)> &begin,
                          const std::function<void(DocumentPart &&)> &take, QString *error)
{
    DocumentHeader header;
    if (!readHeader(header, error))
        return false;
    begin(header);
    const int count = header.partCount;
    for (int entry = 1; entry <= count; ++entry) {
        DocumentPart part;
        if (!readEntry(entry, count, part, error))
            return false;
        take(std::move(part));
    }
    return true;
}

} // namespace

DocumentContents documentSnapshot(const Scene &scene)
{
    DocumentContents contents;
    DocumentHeader &h = contents.header;
    h.partCount = scene.count();
    h.frameWidth = scene.frameSize().width();
    h.frameHeight = scene.frameSize().height();
    h.background = scene.backgroundColour();
    h.transparentMode = scene.transparentMode() ? 1 : 0;
    h.layout = 1;
    contents.parts.resize(size_t(scene.count()));
    for (int i = 0; i < scene.count(); ++i) {
        const ScenePart &from = scene.part(i);
        DocumentPart &part = contents.parts[size_t(i)];
        part.bounds = from.Image->bounds();
        part.source = from.Source;
        part.monochrome = from.Monochrome;
        part.grayscale = from.Grayscale;
        part.transparent = from.Transparent;
    }
    return contents;
}

bool WriteDocument(QIODevice &out, const Scene &scene, QString *error)
{
    return WriteDocument(out, documentSnapshot(scene), error);
}

bool WriteDocument(QIODevice &out, const DocumentContents &contents, QString *error)
{
    DocumentHeader h = contents.header;
    h.partCount = qint32(contents.parts.size());
    h.layout = 1;
    if (!writeAll(out, encodeHeader(h)))
        return fail(error, QStringLiteral("header: write failed: ") + out.errorString());

    const int count = int(contents.parts.size());
    for (int i = count - 1; i >= 0; --i) {
        const DocumentPart &part = contents.parts[size_t(i)];
        const QString where = QStringLiteral("part entry %1 of %2: ").arg(count - i).arg(count);
        const QRect bounds = part.bounds;
        char record[kPartRecordSize] = {};
        putLe32(record, quint32(bounds.x()));
        putLe32(record + 4, quint32(bounds.y()));
        putLe32(record + 8, quint32(bounds.width()));
        putLe32(record + 12, quint32(bounds.height()));
        record[16] = char(part.monochrome & 0xFF);
        record[17] = char(part.grayscale & 0xFF);
        record[18] = char(part.transparent & 0xFF);
        if (!writeAll(out, record, kPartRecordSize))
            return fail(error, where + QStringLiteral("write failed: ") + out.errorString());
        QString why;
        if (!writeBmp(out, part.source, &why))
            return fail(error, where + why);
    }
    return true;
}

bool readDocumentContents(QIODevice &in, DocumentContents &contents, QString *error,
                          const DocumentLimits &limits)
{
    // Entries run bottom to top; parts are kept top first. Memory grows only
    // with entries actually read, never with what the header claims.
    DocumentContents result;
    std::vector<DocumentPart> bottomFirst;
    if (!readDocumentParts(
            in, [&](const DocumentHeader &header) { result.header = header; },
            [&](DocumentPart &&part) { bottomFirst.push_back(std::move(part)); }, error, limits))
        return false;
    result.parts.assign(std::make_move_iterator(bottomFirst.rbegin()),
                        std::make_move_iterator(bottomFirst.rend()));
    contents = std::move(result);
    return true;
}

bool readDocumentParts(QIODevice &in, const std::function<void(const DocumentHeader &)> &begin,
                       const std::function<void(DocumentPart &&)> &take, QString *error,
                       const DocumentLimits &limits, SourcePixels pixels)
{
    return DocumentReader(in, limits, pixels).read(begin, take, error);
}

bool ReadDocument(QIODevice &in, Scene &scene, QString *error)
{
    return ReadDocument(in, scene, error, DocumentLimits());
}

bool ReadDocument(QIODevice &in, Scene &scene, QString *error, const DocumentLimits &limits,
                  DocumentHeader *header)
{
    if (!scene.isEmpty())
        return fail(error, QStringLiteral("a document can only be read into an empty scene"));
    DocumentContents contents;
    if (!readDocumentContents(in, contents, error, limits))
        return false;
    loadDocumentContents(scene, contents);
    if (header)
        *header = contents.header;
    return true;
}

void loadDocumentContents(Scene &scene, const DocumentContents &contents)
{
    scene.setFrameSize(contents.header.frameWidth, contents.header.frameHeight);
    scene.setBackgroundColour(contents.header.background);
    for (const DocumentPart &part : contents.parts)
        scene.appendLoadedPart(part.bounds, part.source, part.monochrome, part.grayscale,
                               part.transparent);
    if (scene.count() > 0)
        scene.SelectPart(scene.part(0).Image.get());
}

} // namespace zel
