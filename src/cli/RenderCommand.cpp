// render DOC.BMH OUT: the whole picture as a BMP, JPEG or PNG file.

#include "CliSupport.h"
#include "CommandTable.h"

#include "imaging/PictureFiles.h"
#include "scene/Render.h"
#include "scene/Scene.h"

namespace zel::cli {

namespace {

const QString kCommand = QStringLiteral("render");

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

    UiState ui;
    Scene scene(ui);
    scene.setViewsPainted(false);
    QString error;
    if (!loadDocument(documentPath, scene, &error))
        return fail(kCommand, error);
    const QImage picture = RenderScene(scene);
    if (picture.isNull())
        return fail(kCommand, QStringLiteral("not enough memory to render %1 x %2 pixels")
                                  .arg(scene.backgroundSize().width())
                                  .arg(scene.backgroundSize().height()));
    if (!writePictureFile(outputPath, picture, &error))
        return fail(kCommand, error);
    return 0;
}

} // namespace zel::cli
