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

QJsonObject partJson(const ScenePart &part)
{
    const QRect b = part.Image->bounds();
    return QJsonObject{
        {QStringLiteral("left"), b.x()},
        {QStringLiteral("top"), b.y()},
        {QStringLiteral("width"), b.width()},
        {QStringLiteral("height"), b.height()},
        {QStringLiteral("monochrome"), part.Monochrome},
        {QStringLiteral("grayscale"), part.Grayscale},
        {QStringLiteral("transparent"), part.Transparent},
        {QStringLiteral("source"),
         QJsonObject{{QStringLiteral("width"), part.Source.width()},
                     {QStringLiteral("height"), part.Source.height()},
                     {QStringLiteral("depth"), part.Source.depth}}},
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
    UiState ui;
    Scene scene(ui);
    DocumentHeader header;
    QString error;
    if (!ReadDocument(file, scene, &error, DocumentLimits(), &header))
        return fail(kCommand, documentError(OpenError::Read, path, error));

    QJsonArray parts;
    for (int i = 0; i < scene.count(); ++i)
        parts.append(partJson(scene.part(i)));
    const QJsonObject doc{
        {QStringLiteral("background"),
         QJsonObject{{QStringLiteral("width"), scene.backgroundSize().width()},
                     {QStringLiteral("height"), scene.backgroundSize().height()},
                     {QStringLiteral("color"), colourText(scene.backgroundColour())}}},
        {QStringLiteral("transparentMode"), int(header.transparentMode)},
        {QStringLiteral("layout"), int(header.layout)},
        {QStringLiteral("parts"), parts},
    };
    printOut(QString::fromUtf8(QJsonDocument(doc).toJson(QJsonDocument::Indented)));
    return 0;
}

} // namespace zel::cli
