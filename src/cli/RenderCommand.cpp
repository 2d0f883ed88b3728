// render DOC.BMH OUT: the whole picture as a BMP, JPEG or PNG file.

#include "CliSupport.h"
#include "CommandTable.h"

#include "document/BmhDocument.h"
#include "fileio/NativePath.h"
#include "imaging/PictureFiles.h"
#include "scene/Render.h"
#include "scene/Scene.h"

#include <QFile>

#include <optional>

namespace zel::cli {

namespace {

const QString kCommand = QStringLiteral("render");

// A picture of this many bytes or more is drawn band by band from its
// parts as it is written, rather than held whole.
constexpr qint64 kBandedPictureBytes = qint64(128) << 20;

QString help()
{
    return QStringLiteral(
        "usage: zelvane-cli render DOC.BMH OUT\n"
        "\n"
        "Renders the whole picture (the background and every part with its\n"
        "flags, without selection frames) and writes it by OUT's extension:\n"
        "  .bmp          24-bit BMP\n"
        "  .jpg, .jpeg   JPEG, quality 90, baseline\n"
        "  .png          PNG\n"
        "An existing OUT is replaced only once the new file is complete.\n");
}

} // namespace

int runRender(const QStringList &args)
{
    if (wantsHelp(args)) {
        printOut(help());
        return 0;
    }
    if (args.size() != 2 || args[0].startsWith(u'-') || args[1].startsWith(u'-'))
        return fail(kCommand, QStringLiteral("expected a document and an output file (see --help)"));
    const QString &documentPath = args[0];
    const QString &outputPath = args[1];
    if (pictureKindOf(outputPath) == PictureKind::Unknown)
        return fail(kCommand, QStringLiteral("%1: unsupported output type (use .bmp, .jpg, .jpeg or .png)")
                                  .arg(outputPath));

    // A picture of ordinary size: each part is laid on it as it is read and
    // then let go; no scene, never all the sources at once. A picture far
    // larger than its parts: the parts are kept and the picture is drawn
    // band by band just ahead of the writer, never whole.
    QFile file;
    QString error;
    if (const OpenError opened = openDocumentForReading(file, documentPath, &error); opened != OpenError::None)
        return fail(kCommand, documentError(opened, documentPath, error));
    std::optional<PictureComposer> composer;
    PictureDraws banded;
    QSize size;
    bool bands = false;
    const bool read = readDocumentParts(
        file,
        [&](const DocumentHeader &header) {
            size = QSize(header.frameWidth - Scene::kFrameExtra,
                         header.frameHeight - Scene::kFrameExtra);
            bands = qint64(size.width()) * size.height() * 4 >= kBandedPictureBytes;
            if (bands) {
                banded.background = size;
                banded.colour = header.background;
            } else {
                composer.emplace(size, header.background);
            }
        },
        [&](DocumentPart &&part) {
            if (bands) {
                banded.parts.push_back(PartDraw{part.bounds, part.source.image,
                                                conversionOf(part.monochrome != 0, part.grayscale != 0),
                                                part.transparent != 0, PartFrame::None});
                return;
            }
            composer->add(part.bounds, part.source.image, part.monochrome != 0,
                          part.grayscale != 0, part.transparent != 0);
        },
        &error);
    if (!read)
        return fail(kCommand, documentError(OpenError::Read, documentPath, error));
    if (bands) {
        RenderedRows rows(std::move(banded));
        if (!writePictureFile(outputPath, rows, &error))
            return fail(kCommand, error);
        return 0;
    }
    const QImage picture = composer->picture();
    composer.reset();
    if (picture.isNull())
        return fail(kCommand, QStringLiteral("not enough memory to render %1 x %2 pixels")
                                  .arg(size.width())
                                  .arg(size.height()));
    if (!writePictureFile(outputPath, picture, &error))
        return fail(kCommand, error);
    return 0;
}

} // namespace zel::cli
