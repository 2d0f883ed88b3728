#pragma once

#include "pixels/ImageLimits.h"
#include "pixels/Bitmap.h"

#include <QIODevice>
#include <QRect>
#include <QString>

#include <functional>
#include <vector>

namespace zel {

class Scene;

// A BMH document: a 24-byte header, then for each part from the bottom of
// the stacking order to the top a 40-byte record followed at once by the
// part's source as a complete BMP file image. Little-endian throughout.
constexpr int kDocumentHeaderSize = 24;
constexpr int kPartRecordSize = 40;
constexpr int kShortPartRecordSize = 16; // earlier layout: placement only

// Parts lie within +-2^30 background pixels, edges included: far beyond any
// real placement, and far enough from the ends of the int range that
// arithmetic on coordinates cannot overflow.
constexpr qint64 kCoordinateLimit = qint64(1) << 30;

struct DocumentHeader {
    qint32 partCount = 0;
    qint32 frameWidth = 0;  // background width + Scene::kFrameExtra
    qint32 frameHeight = 0; // background height + Scene::kFrameExtra
    Colour background = kWhite;
    quint8 transparentMode = 0; // the scene's transparent mode when written
    quint8 layout = 1;          // 0: earlier layout, transparency from the header
};

// What a reader agrees to hold. Sources, displayed parts and the background
// are each limited, and so is their sum over the document, so that neither a
// lying header nor a thousand small records can make us allocate without end.
// Each size is checked before its pixels are allocated.
struct DocumentLimits {
    qint64 maxImagePixels = kMaxImagePixels;
    qint64 maxTotalPixels = qint64(1) << 30;
};

// One part as read, before it goes into a Scene.
struct DocumentPart {
    QRect bounds;
    Bitmap source; // null when the pixels were skipped
    QSize sourceSize;
    int sourceDepth = 0;
    qint32 monochrome = 0;
    qint32 grayscale = 0;
    qint32 transparent = 0;
};

struct DocumentContents {
    DocumentHeader header;
    std::vector<DocumentPart> parts; // index 0 is the top part (the file's last entry)
};

// The scene as a writer needs it, taken at once. Sources are shared, not
// copied (QImage's implicit sharing), so a snapshot costs little and stays as
// it was while the scene changes: another thread may write it.
DocumentContents documentSnapshot(const Scene &scene);

// Writes the scene as a document; stops with false (and *error) at the first
// write that comes up short. Does not open, close or delete anything.
bool WriteDocument(QIODevice &out, const Scene &scene, QString *error = nullptr);
bool WriteDocument(QIODevice &out, const DocumentContents &contents, QString *error = nullptr);

// Reads a whole document into memory without touching any scene. False and
// *error on a short header or record, an invalid embedded image, a negative
// part count or one the remaining bytes cannot hold, a frame below 7 x 7, a
// negative displayed size, a placement beyond kCoordinateLimit, or sizes over
// the limits.
bool readDocumentContents(QIODevice &in, DocumentContents &contents, QString *error = nullptr,
                          const DocumentLimits &limits = {});

// Whether a reader decodes the sources' pixels or only their headers.
enum class SourcePixels { Decode, Skip };

// Reads a document entry by entry without keeping it: begin receives the
// header once it is read and checked, take each part as it comes, from the
// bottom of the stacking order to the top. The same checks and failures as
// readDocumentContents; parts handed over before a failure stay handed over.
// With SourcePixels::Skip each source's headers are read and checked and its
// pixel bytes skipped: the parts come with their source's size and depth and
// a null source, at the cost of the bytes alone.
bool readDocumentParts(QIODevice &in, const std::function<void(const DocumentHeader &)> &begin,
                       const std::function<void(DocumentPart &&)> &take, QString *error = nullptr,
                       const DocumentLimits &limits = {},
                       SourcePixels pixels = SourcePixels::Decode);

// Puts what was read into an empty scene (as after a reset); the last entry
// becomes the selected part.
void loadDocumentContents(Scene &scene, const DocumentContents &contents);

// Rebuilds an empty scene (as after a reset) from a document. The scene is
// changed only once the whole file has been read: on failure it keeps
// nothing of the file. The last entry becomes the selected part.
bool ReadDocument(QIODevice &in, Scene &scene, QString *error = nullptr);
bool ReadDocument(QIODevice &in, Scene &scene, QString *error, const DocumentLimits &limits,
                  DocumentHeader *header = nullptr);

} // namespace zel
