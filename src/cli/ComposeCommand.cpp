// compose OUT.BMH --size WxH [--color RRGGBB] --part SPEC ...: a document
// built from picture files, each inserted the way Paste from file inserts it.

#include "CliSupport.h"
#include "CommandTable.h"

#include "document/DocumentFile.h"
#include "document/DocumentState.h"
#include "imaging/PictureFiles.h"
#include "scene/Scene.h"

#include <QRegularExpression>

#include <optional>
#include <vector>

namespace zel::cli {

namespace {

const QString kCommand = QStringLiteral("compose");

QString help()
{
    return QStringLiteral(
        "usage: zelvane-cli compose OUT.BMH --size WxH [--color RRGGBB]\n"
        "                           [--part FILE[@LEFT,TOP][:WxH][,mono][,gray][,opaque]]...\n"
        "\n"
        "Builds a document with a background of W x H pixels (default color\n"
        "FFFFFF) and one part per --part, read from a BMP, JPEG or PNG file. Each part\n"
        "is inserted as Paste from file inserts it: at (0, 0), at its own size,\n"
        "transparent, on top of the parts before it; so the first --part ends up\n"
        "at the bottom and the last one on top, selected. Then:\n"
        "  @LEFT,TOP   moves it (negative values allowed)\n"
        "  :WxH        shows it at that size\n"
        "  ,mono ,gray switches monochrome or grayscale on\n"
        "  ,opaque     switches transparency off\n"
        "An existing OUT is replaced only once the new document is complete.\n");
}

struct PartSpec {
    QString file;
    std::optional<QPoint> position;
    std::optional<QSize> size;
    bool mono = false;
    bool gray = false;
    bool opaque = false;
};

// Digits only, within 1..max; nullopt otherwise.
std::optional<int> positiveNumber(const QString &text, qint64 max)
{
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok || v < 1 || v > max)
        return std::nullopt;
    return int(v);
}

std::optional<QSize> parseSize(const QString &text, QString *error)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d+)x(\\d+)$"));
    const auto m = pattern.match(text);
    const auto w = m.hasMatch() ? positiveNumber(m.captured(1), 1 << 30) : std::nullopt;
    const auto h = m.hasMatch() ? positiveNumber(m.captured(2), 1 << 30) : std::nullopt;
    if (!w || !h) {
        *error = QStringLiteral("\"%1\" is not a size WxH of positive whole numbers").arg(text);
        return std::nullopt;
    }
    const int width = w.value_or(0);
    const int height = h.value_or(0);
    if (qint64(width) * height > kMaxImagePixels) {
        *error = QStringLiteral("%1 is more than the limit of %2 pixels").arg(text).arg(kMaxImagePixels);
        return std::nullopt;
    }
    return QSize(width, height);
}

std::optional<PartSpec> parsePart(const QString &text, QString *error)
{
    // The file name is the shortest prefix that leaves valid options.
    static const QRegularExpression pattern(QStringLiteral(
        "^(.+?)(?:@(-?\\d+),(-?\\d+))?(?::(\\d+x\\d+))?((?:,(?:mono|gray|opaque))*)$"));
    const auto m = pattern.match(text);
    if (!m.hasMatch()) {
        *error = QStringLiteral("\"%1\" is not a part FILE[@LEFT,TOP][:WxH][,mono][,gray][,opaque]").arg(text);
        return std::nullopt;
    }
    PartSpec spec;
    spec.file = m.captured(1);
    if (m.hasCaptured(2)) {
        bool okX = false, okY = false;
        const int x = m.captured(2).toInt(&okX);
        const int y = m.captured(3).toInt(&okY);
        if (!okX || !okY) {
            *error = QStringLiteral("\"%1\": the position is out of range").arg(text);
            return std::nullopt;
        }
        spec.position = QPoint(x, y);
    }
    if (m.hasCaptured(4)) {
        spec.size = parseSize(m.captured(4), error);
        if (!spec.size)
            return std::nullopt;
    }
    const QStringList flags = m.captured(5).split(u',', Qt::SkipEmptyParts);
    spec.mono = flags.contains(QStringLiteral("mono"));
    spec.gray = flags.contains(QStringLiteral("gray"));
    spec.opaque = flags.contains(QStringLiteral("opaque"));
    return spec;
}

struct ComposeArgs {
    QString output;
    QSize size;
    Colour colour = kWhite;
    std::vector<PartSpec> parts;
};

std::optional<ComposeArgs> parseArgs(const QStringList &args, QString *error)
{
    ComposeArgs out;
    bool haveSize = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString arg = args[i];
        QString value;
        const bool option = arg.startsWith(QStringLiteral("--"));
        if (option) {
            const qsizetype eq = arg.indexOf(u'=');
            if (eq > 0) {
                value = arg.mid(eq + 1);
                arg = arg.left(eq);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                *error = QStringLiteral("%1 needs a value").arg(arg);
                return std::nullopt;
            }
        }
        if (!option) {
            if (!out.output.isEmpty()) {
                *error = QStringLiteral("more than one output file: \"%1\" and \"%2\"").arg(out.output, arg);
                return std::nullopt;
            }
            out.output = arg;
        } else if (arg == u"--size") {
            const auto size = parseSize(value, error);
            if (!size)
                return std::nullopt;
            out.size = *size;
            haveSize = true;
        } else if (arg == u"--color" || arg == u"--colour") {
            static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{6}$"));
            if (!hex.match(value).hasMatch()) {
                *error = QStringLiteral("\"%1\" is not a color RRGGBB").arg(value);
                return std::nullopt;
            }
            out.colour = fromQRgb(0xFF000000u | value.toUInt(nullptr, 16));
        } else if (arg == u"--part") {
            auto part = parsePart(value, error);
            if (!part)
                return std::nullopt;
            out.parts.push_back(*part);
        } else {
            *error = QStringLiteral("unknown option %1 (see --help)").arg(arg);
            return std::nullopt;
        }
    }
    if (out.output.isEmpty() || !haveSize) {
        *error = QStringLiteral("expected an output file and --size WxH (see --help)");
        return std::nullopt;
    }
    return out;
}

// Applies the part options through the program's own commands, as a user
// would after pasting the part.
void applyOptions(EditCommands &edit, const PartSpec &spec)
{
    if (spec.position)
        edit.movePart(*spec.position);
    if (spec.size)
        edit.setPartSize(*spec.size);
    if (spec.mono)
        edit.MonochromeItemClick();
    if (spec.gray)
        edit.GrayItemClick();
    if (spec.opaque)
        edit.TransparentModeItemClick();
}

} // namespace

int runCompose(const QStringList &args)
{
    if (wantsHelp(args)) {
        printOut(help());
        return 0;
    }
    QString error;
    const auto parsed = parseArgs(args, &error);
    if (!parsed)
        return fail(kCommand, error);

    DocumentState document;
    Scene &scene = document.scene();
    scene.setBackgroundSize(parsed->size);
    scene.setBackgroundColour(parsed->colour);
    // What a reader accepts, so that the document can be opened again.
    const DocumentLimits limits;
    qint64 totalPixels = 0;
    for (const PartSpec &spec : parsed->parts) {
        const Bitmap picture = readPictureFile(spec.file, JpegDecodeOptions(), &error);
        if (picture.isNull())
            return fail(kCommand, error.startsWith(spec.file) ? error : spec.file + QStringLiteral(": ") + error);
        const QPoint at = spec.position.value_or(QPoint(0, 0));
        const QSize size = spec.size.value_or(picture.image.size());
        const auto inRange = [](qint64 v) { return v >= -kCoordinateLimit && v <= kCoordinateLimit; };
        if (!inRange(at.x()) || !inRange(at.y()) || !inRange(qint64(at.x()) + size.width())
            || !inRange(qint64(at.y()) + size.height()))
            return fail(kCommand, QStringLiteral("%1: placed beyond ±%2").arg(spec.file).arg(kCoordinateLimit));
        totalPixels += qint64(size.width()) * size.height() + qint64(picture.width()) * picture.height();
        if (totalPixels > limits.maxTotalPixels)
            return fail(kCommand, QStringLiteral("the parts up to %1 hold more than the limit of %2 pixels")
                                      .arg(spec.file).arg(limits.maxTotalPixels));
        document.edit().InsertPastedBitmap(picture);
        applyOptions(document.edit(), spec);
    }

    QString detail;
    switch (saveDocumentFile(parsed->output, scene, &detail)) {
    case SaveError::None:
        return 0;
    case SaveError::Create:
        return fail(kCommand, QStringLiteral("%1: cannot create: %2").arg(parsed->output, detail));
    case SaveError::Write:
        return fail(kCommand, QStringLiteral("%1: write failed: %2").arg(parsed->output, detail));
    }
    return 1;
}

} // namespace zel::cli
