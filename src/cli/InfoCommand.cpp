// info DOC.BMH: the document as JSON.

#include "CliSupport.h"
#include "CommandTable.h"

#include "fileio/NativePath.h"

#include "document/BmhDocument.h"
#include "scene/Scene.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <vector>

namespace zel::cli {

namespace {

const QString kCommand = QStringLiteral("info");

QString help()
{
    return QStringLiteral(
        "usage: zelvane-cli info DOC.BMH\n"
        "\n"
        "Prints the document as JSON: the background (width, height, color as\n"
        "RRGGBB), the transparent-mode and layout bytes of its header, and every\n"
        "part from the top (index 0) to the bottom with its placement, its three\n"
        "flag values as stored and its source's width, height and bit depth.\n");
}

QString colourText(Colour c)
{
    const QRgb rgb = toQRgb(c);
    return QStringLiteral("%1%2%3")
        .arg(qRed(rgb), 2, 16, QLatin1Char('0'))
        .arg(qGreen(rgb), 2, 16, QLatin1Char('0'))
        .arg(qBlue(rgb), 2, 16, QLatin1Char('0'))
        .toUpper();
}

QJsonObject partJson(const DocumentPart &part)
{
    const QRect &b = part.bounds;
    return QJsonObject{
        {QStringLiteral("left"), b.x()},
        {QStringLiteral("top"), b.y()},
        {QStringLiteral("width"), b.width()},
        {QStringLiteral("height"), b.height()},
        {QStringLiteral("monochrome"), part.monochrome},
        {QStringLiteral("grayscale"), part.grayscale},
        {QStringLiteral("transparent"), part.transparent},
        {QStringLiteral("source"),
         QJsonObject{{QStringLiteral("width"), part.sourceSize.width()},
                     {QStringLiteral("height"), part.sourceSize.height()},
                     {QStringLiteral("depth"), part.sourceDepth}}},
    };
}

} // namespace

int runInfo(const QStringList &args)
{
    if (wantsHelp(args)) {
        printOut(help());
        return 0;
    }
    if (args.size() != 1 || args[0].startsWith(u'-'))
        return fail(kCommand, QStringLiteral("expected one document file (see --help)"));
    const QString path = args[0];
    QFile file;
    QString reason;
    if (const OpenError opened = openDocumentForReading(file, path, &reason); opened != OpenError::None)
        return fail(kCommand, documentError(opened, path, reason));
    // The sources' headers tell their sizes and depths: no pixel is decoded
    // and no scene is built.
    DocumentHeader header;
    std::vector<QJsonObject> bottomFirst;
    QString error;
    if (!readDocumentParts(
            file, [&](const DocumentHeader &read) { header = read; },
            [&](DocumentPart &&part) { bottomFirst.push_back(partJson(part)); }, &error, DocumentLimits(),
            SourcePixels::Skip))
        return fail(kCommand, documentError(OpenError::Read, path, error));

    QJsonArray parts; // the top part (the file's last entry) first
    for (auto part = bottomFirst.rbegin(); part != bottomFirst.rend(); ++part)
        parts.append(*part);
    const QJsonObject doc{
        {QStringLiteral("background"),
         QJsonObject{{QStringLiteral("width"), header.frameWidth - Scene::kFrameExtra},
                     {QStringLiteral("height"), header.frameHeight - Scene::kFrameExtra},
                     {QStringLiteral("color"), colourText(header.background)}}},
        {QStringLiteral("transparentMode"), int(header.transparentMode)},
        {QStringLiteral("layout"), int(header.layout)},
        {QStringLiteral("parts"), parts},
    };
    printOut(QString::fromUtf8(QJsonDocument(doc).toJson(QJsonDocument::Indented)));
    return 0;
}

} // namespace zel::cli
