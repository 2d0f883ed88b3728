// render DOC.BMH OUT [--format KIND]: the whole picture as a BMP, JPEG or
// PNG file, or on standard output.

#include "CliSupport.h"
#include "CommandTable.h"

#include "document/BmhDocument.h"
#include "fileio/DescriptorOutput.h"
#include "fileio/NativePath.h"
#include "imaging/PictureFiles.h"
#include "scene/Render.h"
#include "scene/Scene.h"

#include <QFile>

#include <optional>

#include <unistd.h>

namespace zel::cli {

namespace {

const QString kCommand = QStringLiteral("render");
const QString kStandardOutput = QStringLiteral("-");

// A picture of this many bytes or more is drawn band by band from its
// parts as it is written, rather than held whole.
constexpr qint64 kBandedPictureBytes = qint64(128) << 20;

QString help()
{
    return QStringLiteral(
        "usage: zelvane-cli render DOC.BMH OUT [--format KIND]\n"
        "\n"
        "Renders the whole picture (the background and every part with its\n"
        "flags, without selection frames) and writes it to OUT, of the kind\n"
        "OUT's extension names:\n"
        "  .bmp          24-bit BMP\n"
        "  .jpg, .jpeg   JPEG, quality 90, baseline\n"
        "  .png          PNG\n"
        "An existing OUT is replaced only once the new file is complete.\n"
        "\n"
        "OUT \"-\" writes the picture to standard output, which must not be a\n"
        "terminal, and needs --format (a file named \"-\" is \"./-\"). A reader\n"
        "that goes away before the end is a failure, as is a full disk.\n"
        "\n"
        "options:\n"
        "  --format KIND  bmp, jpg (or jpeg) or png: the kind of picture to\n"
        "                 write, whatever OUT's extension says\n"
        "  -h, --help     print this help and exit\n");
}

// A kind as --format names it: an extension without its dot, ASCII case
// ignored as it is in file names.
PictureKind kindNamed(const QString &name)
{
    const QString word = name.toLower();
    if (word == u"bmp")
        return PictureKind::Bmp;
    if (word == u"jpg" || word == u"jpeg")
        return PictureKind::Jpeg;
    if (word == u"png")
        return PictureKind::Png;
    return PictureKind::Unknown;
}

struct RenderArgs {
    QString document;
    QString output;
    PictureKind kind = PictureKind::Unknown;
};

std::optional<RenderArgs> parseArgs(const QStringList &args, QString *error)
{
    RenderArgs out;
    QStringList plain;
    std::optional<QString> format;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == kStandardOutput || !arg.startsWith(u'-')) {
            plain.append(arg);
        } else if (arg.startsWith(QStringLiteral("--format="))) {
            format = arg.mid(arg.indexOf(u'=') + 1);
        } else if (arg == u"--format") {
            if (i + 1 == args.size()) {
                *error = QStringLiteral("--format needs a value");
                return std::nullopt;
            }
            format = args[++i];
        } else {
            *error = QStringLiteral("unknown option %1 (see --help)").arg(arg);
            return std::nullopt;
        }
    }
    if (plain.size() != 2) {
        *error = QStringLiteral("expected a document and an output file (see --help)");
        return std::nullopt;
    }
    out.document = plain[0];
    out.output = plain[1];
    if (out.document == kStandardOutput) {
        *error = QStringLiteral("a document is read from a file, not from standard input "
                                "(a file named \"-\" is \"./-\")");
        return std::nullopt;
    }
    if (format) {
        out.kind = kindNamed(*format);
        if (out.kind == PictureKind::Unknown) {
            *error = QStringLiteral("\"%1\" is not a picture format (use bmp, jpg, jpeg or png)").arg(*format);
            return std::nullopt;
        }
    } else if (out.output == kStandardOutput) {
        *error = QStringLiteral("standard output needs --format bmp, jpg or png");
        return std::nullopt;
    } else {
        out.kind = pictureKindOf(out.output);
        if (out.kind == PictureKind::Unknown) {
            *error = QStringLiteral("%1: unsupported output type (use .bmp, .jpg, .jpeg or .png)")
                         .arg(out.output);
            return std::nullopt;
        }
    }
    return out;
}

// Where the picture goes: a file replaced once complete, or standard output,
// every write checked there too.
class PictureOutput
{
public:
    explicit PictureOutput(const RenderArgs &args)
        : m_args(args)
    {
    }

    // Standard output is looked at before any work is done for it.
    bool open(QString *error)
    {
        if (!toStandardOutput())
            return true;
        if (::isatty(STDOUT_FILENO)) {
            *error = QStringLiteral("standard output is a terminal: send the picture to a file or a pipe");
            return false;
        }
        if (!m_stdout.open()) {
            *error = m_stdout.errorString();
            return false;
        }
        return true;
    }

    bool write(PictureRows &rows, QString *error)
    {
        if (!toStandardOutput())
            return writePictureFile(m_args.output, m_args.kind, rows, error);
        QString why;
        if (writePicture(m_stdout, m_args.kind, rows, &why) && m_stdout.flush())
            return true;
        // The device's own reason counts unless the writer failed first.
        *error = m_stdout.hasFailed() || why.isEmpty()
                     ? m_stdout.errorString()
                     : QStringLiteral("standard output: %1").arg(why);
        return false;
    }

private:
    bool toStandardOutput() const { return m_args.output == kStandardOutput; }

    const RenderArgs &m_args;
    DescriptorOutput m_stdout{STDOUT_FILENO, QStringLiteral("standard output")};
};

} // namespace

int runRender(const QStringList &args)
{
    if (wantsHelp(args)) {
        printOut(help());
        return 0;
    }
    QString error;
    const std::optional<RenderArgs> parsed = parseArgs(args, &error);
    if (!parsed)
        return fail(kCommand, error);
    const QString &documentPath = parsed->document;
    PictureOutput output(*parsed);
    if (!output.open(&error))
        return fail(kCommand, error);

    // A picture of ordinary size: each part is laid on it as it is read and
    // then let go; no scene, never all the sources at once. A picture far
    // larger than its parts: the parts are kept and the picture is drawn
    // band by band just ahead of the writer, never whole.
    QFile file;
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
        if (!output.write(rows, &error))
            return fail(kCommand, error);
        return 0;
    }
    const QImage picture = composer->picture();
    composer.reset();
    if (picture.isNull())
        return fail(kCommand, QStringLiteral("not enough memory to render %1 x %2 pixels")
                                  .arg(size.width())
                                  .arg(size.height()));
    WholePicture rows(picture);
    if (!output.write(rows, &error))
        return fail(kCommand, error);
    return 0;
}

} // namespace zel::cli
