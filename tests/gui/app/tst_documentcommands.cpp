// New, Open, Save, Save As and the close prompt, and the picture import and
// export commands, through the main window with scripted dialogs.
#include "WindowFixture.h"

#include "FileSizeLimit.h"
#include "SpecialFiles.h"

#include "app/Canvas.h"
#include "DocumentFile.h"
#include "EditHistory.h"
#include "JpegCodec.h"
#include "Render.h"

#include <QAction>
#include <QBuffer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

using namespace zel;
using namespace zel::test;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeJpeg(const QString &path, const QImage &image)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QString error;
    QVERIFY2(encodeJpeg(file, image, &error), qPrintable(error));
}

} // namespace

class DocumentCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void saveUntitledAsksForName();
    void saveNamedWritesWithoutDialog();
    void openRestoresDocument();
    void openFailuresKeepTheDocument();
    void cancelledOpenChangesNothing();
    void newAsksFirst();
    void closePromptTexts();
    void closePromptAnswers();
    void failedSaveKeepsOldFileAndWindow();
    void failedCloseSaveKeepsWindowOpen();
    void createFailureReported();
    void emptyDocumentRoundTrip();

    void pasteFromFileByKind_data();
    void pasteFromFileByKind();
    void brokenJpegChangesNothing();
    void unknownKindInsertsNothing();
    void saveBitmapWritesRenderedPicture();
    void saveClipboardPutsRenderedPicture();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void DocumentCommandsTest::saveUntitledAsksForName()
{
    WindowFixture f;
    f.paste(30, 20, 0xFF123456u);
    const QString file = path(QStringLiteral("first.BMH"));
    f.dialogs.files.push_back(file);
    f.window->trigger(Item::SaveItem);
    QCOMPARE(f.dialogs.fileRequests.size(), 1);
    const FileRequest request = f.dialogs.fileRequests.first();
    QCOMPARE(request.mode, FileRequest::Save);
    QCOMPARE(request.filter, QStringLiteral("Zelvaneﾌｧｲﾙ(*.BMH)|*.BMH"));
    QCOMPARE(request.defaultSuffix, QStringLiteral("BMH"));
    QVERIFY(request.confirmOverwrite);
    QCOMPARE(request.fileName, QString());
    QVERIFY(QFile::exists(file));
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Zelvane - ") + file);
    QCOMPARE(f.history().count(), 0);
    QVERIFY(!f.window->state().isModified());
    // Nothing before the save can be undone.
    f.window->trigger(Item::UndoItem);
    QCOMPARE(f.scene().count(), 1);
}

void DocumentCommandsTest::saveNamedWritesWithoutDialog()
{
    WindowFixture f;
    f.paste(30, 20, 0xFF123456u);
    const QString file = path(QStringLiteral("named.BMH"));
    f.dialogs.files.push_back(file);
    f.window->trigger(Item::SaveAsItem);
    QFile::remove(file);
    f.window->trigger(Item::SaveItem); // unchanged since the last save, written all the same
    QCOMPARE(f.dialogs.fileRequests.size(), 1);
    QVERIFY(QFile::exists(file));
    // Save As presets the current name.
    f.dialogs.files.push_back(QString());
    f.window->trigger(Item::SaveAsItem);
    QCOMPARE(f.dialogs.fileRequests.last().fileName, file);
}

void DocumentCommandsTest::openRestoresDocument()
{
    const QString file = path(QStringLiteral("doc.BMH"));
    {
        WindowFixture f;
        f.paste(30, 20, 0xFF0000FFu);
        f.paste(10, 40, 0xFF00FF00u);
        f.scene().part(0).Image->setBounds(QRect(5, 6, 10, 40));
        f.dialogs.colours.push_back(Colour(0x00112233));
        f.window->trigger(Item::BKColorItem);
        f.dialogs.files.push_back(file);
        f.window->trigger(Item::SaveAsItem);
    }
    WindowFixture f;
    f.paste(1, 1, 0xFF000000u); // modified: asked first, and dropped on No
    f.dialogs.answers.push_back(Answer::No);
    f.dialogs.files.push_back(file);
    f.window->trigger(Item::OpenItem);
    QCOMPARE(f.dialogs.fileRequests.first().mode, FileRequest::Open);
    QCOMPARE(f.dialogs.fileRequests.first().filter, QStringLiteral("Zelvaneﾌｧｲﾙ(*.BMH)|*.BMH"));
    QCOMPARE(f.dialogs.questions, QStringList{QStringLiteral("Zelvane|編集されています。\r\n保存しますか？")});
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Zelvane - ") + file);
    QCOMPARE(f.scene().count(), 2);
    QCOMPARE(f.scene().part(0).Image->bounds(), QRect(5, 6, 10, 40));
    QCOMPARE(f.scene().part(1).Source.image.pixel(0, 0), 0xFF0000FFu);
    QCOMPARE(f.scene().backgroundColour(), Colour(0x00112233));
    QCOMPARE(f.history().count(), 0);
    QCOMPARE(f.window->statusPanel(1)->text(), QStringLiteral("(5, 6, 10, 40)"));
    QVERIFY(f.window->close()); // not modified: no prompt
    QCOMPARE(f.dialogs.questions.size(), 1);
}

void DocumentCommandsTest::openFailuresKeepTheDocument()
{
    const QString garbage = path(QStringLiteral("garbage.BMH"));
    {
        QFile file(garbage);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("too short");
    }
    // Four 1 x 1 parts shown at 16384 x 16383: 416 bytes that would once
    // have asked for 4 GiB of display bitmaps, and now open like any other.
    const QString huge = path(QStringLiteral("huge.BMH"));
    {
        UiState ui;
        Scene scene(ui);
        scene.setBackgroundSize(QSize(10, 10));
        QImage dot(1, 1, QImage::Format_BGR888);
        dot.fill(Qt::red);
        for (int i = 0; i < 4; ++i)
            scene.InsertPart(0, 0, 16384, 16383, Bitmap{dot, 24}, 0, 0, 1);
        QCOMPARE(saveDocumentFile(huge, scene), SaveError::None);
    }
    WindowFixture f;
    f.paste(3, 3, 0xFF000000u);
    const QString named = path(QStringLiteral("named.BMH"));
    f.dialogs.files.push_back(named);
    f.window->trigger(Item::SaveAsItem);
    f.paste(5, 4, 0xFF00FF00u); // named and modified
    const QImage picture = RenderScene(f.scene());
    const auto unchanged = [&] {
        QCOMPARE(f.scene().count(), 2);
        QCOMPARE(RenderScene(f.scene()), picture);
        QCOMPARE(f.history().count(), 1);
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Zelvane - ") + named);
        QCOMPARE(f.window->state().CurrentFileName(), named);
        QVERIFY(f.window->action(Item::CutItem)->isEnabled());
    };

    // Asked first; Cancel changes nothing and shows no dialog.
    f.window->trigger(Item::OpenItem);
    QCOMPARE(f.dialogs.questions.size(), 1);
    QCOMPARE(f.dialogs.fileRequests.size(), 1);
    unchanged();

    const QString folder = m_dir.path();
    // As given on the command line at start: refused at once, never waited on.
    const QString fifo = path(QStringLiteral("fifo.BMH"));
    UnwrittenFifo unwritten(fifo);
    QVERIFY(unwritten.made());
    const QStringList messages{
        QStringLiteral("ﾌｧｲﾙ<") + garbage + QStringLiteral(">の読み込みに失敗しました"),
        QStringLiteral("ﾌｧｲﾙ<") + folder + QStringLiteral(">のオープンに失敗しました"),
        QStringLiteral("ﾌｧｲﾙ<") + fifo + QStringLiteral(">の読み込みに失敗しました")};
    for (const QString &chosen : {garbage, folder, fifo}) {
        f.dialogs.answers.push_back(Answer::No);
        f.dialogs.files.push_back(chosen);
        f.window->trigger(Item::OpenItem);
        unchanged();
    }
    QCOMPARE(f.dialogs.messages, messages);
    QVERIFY2(!unwritten.hadToUnblock(), "opening a FIFO waited for a writer");
    f.dialogs.answers.push_back(Answer::No);
    f.dialogs.files.push_back(huge);
    f.window->trigger(Item::OpenItem);
    QCOMPARE(f.scene().count(), 4);
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Zelvane - ") + huge);
    QCOMPARE(f.window->canvas()->grabArea(QRect(2, 2, 1, 1)).pixel(0, 0), 0xFFFF0000u);
}

void DocumentCommandsTest::cancelledOpenChangesNothing()
{
    WindowFixture f;
    f.paste(3, 3, 0xFF000000u);
    f.dialogs.answers.push_back(Answer::No);
    f.window->trigger(Item::OpenItem); // no file chosen: cancelled
    QCOMPARE(f.scene().count(), 1);
    QCOMPARE(f.history().count(), 1);
}

void DocumentCommandsTest::newAsksFirst()
{
    WindowFixture f;
    f.paste(3, 3, 0xFF000000u);
    f.scene().setBackgroundSize(QSize(700, 500));
    f.window->trigger(Item::NewItem); // Cancel
    QCOMPARE(f.dialogs.questions, QStringList{QStringLiteral("Zelvane|編集されています。\r\n保存しますか？")});
    QCOMPARE(f.scene().count(), 1);
    QCOMPARE(f.history().count(), 1);

    f.dialogs.answers.push_back(Answer::No);
    f.window->trigger(Item::NewItem);
    QCOMPARE(f.scene().count(), 0);
    QCOMPARE(f.scene().backgroundSize(), QSize(514, 386));
    QCOMPARE(f.history().count(), 0);
    QCOMPARE(f.scene().SelectedIndex(), -1);
    QVERIFY(!f.window->action(Item::CutItem)->isEnabled());
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Zelvane - (無題)"));

    // Yes saves first; a failed save stops New.
    f.paste(300, 300, 0xFFFF0000u);
    f.dialogs.answers.push_back(Answer::Yes);
    f.dialogs.files.push_back(path(QStringLiteral("new.BMH")));
    {
        FileSizeLimit full(4096);
        f.window->trigger(Item::NewItem);
    }
    QCOMPARE(f.scene().count(), 1);
    QVERIFY(f.window->state().isModified());
}

void DocumentCommandsTest::closePromptTexts()
{
    WindowFixture f;
    f.paste(3, 3, 0xFF000000u);
    QVERIFY(!f.window->close()); // Cancel by default
    QCOMPARE(f.dialogs.questions,
             QStringList{QStringLiteral("Zelvane|編集されています。\r\n保存しますか？")});
    f.dialogs.files.push_back(path(QStringLiteral("named.BMH")));
    f.window->trigger(Item::SaveAsItem);
    f.window->trigger(Item::MonochromeItem);
    QVERIFY(!f.window->close());
    QCOMPARE(f.dialogs.questions.last(),
             QStringLiteral("Zelvane|内容が変更されています。\r\n保存しますか？"));
    // An edit undone leaves the document unmodified: no prompt.
    f.window->trigger(Item::UndoItem);
    const int asked = f.dialogs.questions.size();
    QVERIFY(f.window->close());
    QCOMPARE(f.dialogs.questions.size(), asked);
}

void DocumentCommandsTest::closePromptAnswers()
{
    {
        WindowFixture f;
        f.paste(3, 3, 0xFF000000u);
        f.dialogs.answers.push_back(Answer::No);
        QVERIFY(f.window->close());
    }
    {
        WindowFixture f;
        f.paste(3, 3, 0xFF000000u);
        f.dialogs.answers.push_back(Answer::Yes); // then the save dialog is cancelled
        QVERIFY(!f.window->close());
        QCOMPARE(f.dialogs.fileRequests.size(), 1);
    }
    {
        WindowFixture f;
        f.paste(3, 3, 0xFF000000u);
        const QString first = path(QStringLiteral("a.BMH"));
        f.dialogs.files.push_back(first);
        f.window->trigger(Item::SaveAsItem);
        f.window->trigger(Item::GrayItem);
        const QString second = path(QStringLiteral("b.BMH"));
        f.dialogs.answers.push_back(Answer::Yes);
        f.dialogs.files.push_back(second);
        QVERIFY(f.window->close());
        // The dialog is shown even for a named document, preset with its name.
        QCOMPARE(f.dialogs.fileRequests.last().fileName, first);
        QVERIFY(QFile::exists(second));
    }
}

void DocumentCommandsTest::failedSaveKeepsOldFileAndWindow()
{
    WindowFixture f;
    f.paste(8, 8, 0xFF000000u);
    const QString file = path(QStringLiteral("keep.BMH"));
    f.dialogs.files.push_back(file);
    f.window->trigger(Item::SaveAsItem);
    const QByteArray before = readAll(file);
    QVERIFY(before.size() > 24);

    f.paste(300, 300, 0xFFFF0000u); // a larger document than the limit below allows
    {
        FileSizeLimit limit(4096);
        f.window->trigger(Item::SaveItem);
    }
    QCOMPARE(f.dialogs.messages,
             QStringList{QStringLiteral("ﾌｧｲﾙ<") + file + QStringLiteral(">の書き込みに失敗しました")});
    QCOMPARE(readAll(file), before);
    QVERIFY(f.window->state().isModified());
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Zelvane - ") + file);
    // No temporary file is left behind.
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("keep.BMH*"), QStringLiteral(".zelvane-*")},
                                          QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("keep.BMH")});
}

void DocumentCommandsTest::failedCloseSaveKeepsWindowOpen()
{
    WindowFixture f;
    f.window->show();
    f.paste(300, 300, 0xFFFF0000u);
    const QString file = path(QStringLiteral("close.BMH"));
    f.dialogs.answers.push_back(Answer::Yes);
    f.dialogs.files.push_back(file);
    bool closed = true;
    {
        FileSizeLimit limit(4096);
        closed = f.window->close();
    }
    QVERIFY(!closed);
    QVERIFY(f.window->isVisible());
    QCOMPARE(f.dialogs.messages.size(), 1);
    QVERIFY(f.window->state().isModified());
    QVERIFY(!QFile::exists(file));
}

void DocumentCommandsTest::createFailureReported()
{
    WindowFixture f;
    f.paste(3, 3, 0xFF000000u);
    const QString file = path(QStringLiteral("missing/folder/x.BMH"));
    f.dialogs.files.push_back(file);
    f.window->trigger(Item::SaveAsItem);
    QCOMPARE(f.dialogs.messages,
             QStringList{QStringLiteral("ﾌｧｲﾙ<") + file + QStringLiteral(">の作成に失敗しました")});
    QVERIFY(f.window->state().isModified());
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Zelvane - (無題)"));
    QCOMPARE(f.window->state().CurrentFileName(), file); // the chosen name stays
}

void DocumentCommandsTest::emptyDocumentRoundTrip()
{
    WindowFixture f;
    f.paste(3, 3, 0xFF000000u);
    f.window->trigger(Item::ClearItem);
    f.scene().setBackgroundSize(QSize(200, 150));
    const QString file = path(QStringLiteral("empty.BMH"));
    f.dialogs.answers.push_back(Answer::Yes);
    f.dialogs.files.push_back(file);
    QVERIFY(f.window->close());
    QCOMPARE(readAll(file).size(), 24);

    WindowFixture g;
    g.dialogs.files.push_back(file);
    g.window->trigger(Item::OpenItem);
    QCOMPARE(g.scene().count(), 0);
    QCOMPARE(g.scene().backgroundSize(), QSize(200, 150));
    QCOMPARE(g.scene().SelectedIndex(), -1);
    QCOMPARE(g.window->windowTitle(), QStringLiteral("Zelvane - ") + file);
}

void DocumentCommandsTest::pasteFromFileByKind_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("jpeg");
    QTest::newRow("PHOTO.jpeg") << QStringLiteral("PHOTO.jpeg") << true;
    QTest::newRow("photo.JPG") << QStringLiteral("photo.JPG") << true;
    QTest::newRow("Pic.Bmp") << QStringLiteral("Pic.Bmp") << false;
}

void DocumentCommandsTest::pasteFromFileByKind()
{
    QFETCH(QString, name);
    QFETCH(bool, jpeg);
    const QString file = path(name);
    const QImage image = WindowFixture::solid(64, 32, qRgb(0, 0, 255));
    if (jpeg)
        writeJpeg(file, image);
    else
        QVERIFY(image.save(file, "BMP"));

    WindowFixture f;
    f.dialogs.files.push_back(file);
    f.window->trigger(Item::PasteFromFileItem);
    QCOMPARE(f.dialogs.fileRequests.first().filter,
             QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟ･JPEGｲﾒｰｼﾞ|*.bmp;*.jpg;*.jpeg;*.png|ﾋﾞｯﾄﾏｯﾌﾟ|*.bmp|JPEGｲﾒｰｼﾞ|*.jpg;*.jpeg|PNGｲﾒｰｼﾞ|*.png"));
    QVERIFY(f.dialogs.fileRequests.first().defaultSuffix.isEmpty());
    QCOMPARE(f.scene().count(), 1);
    QCOMPARE(f.scene().part(0).Image->bounds(), QRect(0, 0, 64, 32));
    QCOMPARE(f.scene().part(0).Transparent, 1);
    const QRgb pixel = f.scene().part(0).Source.image.pixel(30, 15);
    QVERIFY(qBlue(pixel) > 240 && qRed(pixel) < 16 && qGreen(pixel) < 16);
    QCOMPARE(f.history().count(), 1);
    QCOMPARE(f.history().entry(0).Type, quint8(PasteEntry));
}

void DocumentCommandsTest::brokenJpegChangesNothing()
{
    const QString file = path(QStringLiteral("broken.jpg"));
    {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("\xFF\xD8\xFF\xE0 this is not really a JPEG");
    }
    WindowFixture f;
    f.paste(3, 3, 0xFF000000u);
    f.dialogs.files.push_back(file);
    f.window->trigger(Item::PasteFromFileItem);
    QCOMPARE(f.dialogs.errors.size(), 1);
    QVERIFY2(f.dialogs.errors.first().startsWith(QStringLiteral("JPEG ｴﾗｰ #")),
             qPrintable(f.dialogs.errors.first()));
    // A FIFO under a picture's name has no picture to give.
    const QString fifo = path(QStringLiteral("fifo.jpg"));
    UnwrittenFifo unwritten(fifo);
    QVERIFY(unwritten.made());
    f.dialogs.files.push_back(fifo);
    f.window->trigger(Item::PasteFromFileItem);
    QVERIFY2(!unwritten.hadToUnblock(), "pasting from a FIFO waited for a writer");
    QCOMPARE(f.dialogs.errors.size(), 2);
    QCOMPARE(f.dialogs.errors.last(), QStringLiteral("ﾌｧｲﾙ<") + fifo + QStringLiteral(">の画像を読み込めませんでした"));
    QCOMPARE(f.scene().count(), 1);
    QCOMPARE(f.history().count(), 1);
}

void DocumentCommandsTest::unknownKindInsertsNothing()
{
    const QString file = path(QStringLiteral("picture.gif"));
    QVERIFY(WindowFixture::solid(4, 4, 0xFF000000u).save(file, "PNG"));
    WindowFixture f;
    f.dialogs.files.push_back(file);
    f.window->trigger(Item::PasteFromFileItem);
    QCOMPARE(f.scene().count(), 0);
    QCOMPARE(f.history().count(), 0);
    QCOMPARE(f.dialogs.errors,
             QStringList{QStringLiteral("ﾌｧｲﾙ<") + file + QStringLiteral(">はﾋﾞｯﾄﾏｯﾌﾟ、JPEG、PNGのいずれでもありません")});
    QCOMPARE(f.dialogs.fileRequests.first().title, QStringLiteral("ﾌｧｲﾙから貼り付け"));
    QVERIFY(f.dialogs.fileRequests.first().preview);

    // A PNG with alpha comes in laid over white: what was see-through
    // stays so in transparent mode.
    const QString png = path(QStringLiteral("alpha.png"));
    QImage alpha(2, 1, QImage::Format_ARGB32);
    alpha.setPixel(0, 0, 0x00000000u);
    alpha.setPixel(1, 0, 0xFF102030u);
    QVERIFY(alpha.save(png, "PNG"));
    // And one whose palette holds the transparency.
    const QString palette = path(QStringLiteral("palette.png"));
    QImage indexed(2, 1, QImage::Format_Indexed8);
    indexed.setColorTable({0x00000000u, 0xFF102030u});
    indexed.setPixel(0, 0, 0);
    indexed.setPixel(1, 0, 1);
    QVERIFY(indexed.save(palette, "PNG"));
    for (const QString &file : {png, palette}) {
        f.dialogs.files.push_back(file);
        f.window->trigger(Item::PasteFromFileItem);
        QCOMPARE(f.scene().part(0).Source.image.pixel(0, 0), 0xFFFFFFFFu);
        QCOMPARE(f.scene().part(0).Source.image.pixel(1, 0), 0xFF102030u);
    }
    QCOMPARE(f.scene().count(), 2);
}

void DocumentCommandsTest::saveBitmapWritesRenderedPicture()
{
    WindowFixture f;
    f.paste(40, 40, 0xFF00FF00u);
    f.scene().part(0).Image->setBounds(QRect(500, 370, 40, 40)); // clipped at the edge
    // A bare name takes the extension of the filter chosen; a name of
    // another kind is reported, and nothing is written.
    for (const char *name : {"out.BMP", "out", "bare", "out.gif"})
        f.dialogs.files.push_back(path(QString::fromLatin1(name)));
    for (const int filter : {0, 0, 1, 0})
        f.dialogs.filters.push_back(filter);
    for (int i = 0; i < 4; ++i)
        f.window->trigger(Item::SaveBitmapItem);
    QCOMPARE(f.dialogs.fileRequests.first().filter,
             QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟ|*.bmp|JPEGｲﾒｰｼﾞ|*.jpg;*.jpeg"));
    QCOMPARE(f.dialogs.fileRequests.first().title, QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟとしてﾌｧｲﾙに保存"));
    QVERIFY(f.dialogs.fileRequests.first().confirmOverwrite);
    QCOMPARE(QImage(path(QStringLiteral("out.bmp")), "BMP").size(), QSize(514, 386));
    QCOMPARE(QImage(path(QStringLiteral("bare.jpg")), "JPEG").size(), QSize(514, 386));
    // The bare name again: the name it makes exists, so it is asked about.
    f.dialogs.files.push_back(path(QStringLiteral("bare")));
    f.dialogs.filters.push_back(1);
    f.window->trigger(Item::SaveBitmapItem);
    QCOMPARE(f.dialogs.questions,
             QStringList{QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟとしてﾌｧｲﾙに保存|ﾌｧｲﾙ<") + path(QStringLiteral("bare.jpg"))
                         + QStringLiteral(">は既に存在します。\r\n上書きしますか？")});
    QCOMPARE(f.dialogs.messages,
             QStringList{QStringLiteral("ﾌｧｲﾙ<") + path(QStringLiteral("out.gif"))
                         + QStringLiteral(">はﾋﾞｯﾄﾏｯﾌﾟ(.bmp)でもJPEG(.jpg)でもないため保存できません")});
    QVERIFY(!QFile::exists(path(QStringLiteral("out.gif"))));
    QImage written(path(QStringLiteral("out.BMP")), "BMP");
    QCOMPARE(written.size(), QSize(514, 386));
    QCOMPARE(written.convertToFormat(QImage::Format_RGB32),
             RenderScene(f.scene()).convertToFormat(QImage::Format_RGB32));
    QCOMPARE(written.pixel(505, 375), qRgb(0, 255, 0));
    QVERIFY(f.dialogs.errors.isEmpty());
}

void DocumentCommandsTest::saveClipboardPutsRenderedPicture()
{
    WindowFixture f;
    f.paste(10, 10, 0xFFFFFFFFu); // white and transparent: the background shows
    f.dialogs.colours.push_back(Colour(0x0000FF00));
    f.window->trigger(Item::BKColorItem);
    f.window->trigger(Item::SaveClipboardItem);
    QCOMPARE(f.clipboard.image.size(), QSize(514, 386));
    QCOMPARE(f.clipboard.image.pixel(5, 5), qRgb(0, 255, 0));
    QCOMPARE(f.history().count(), 2); // exporting records nothing
}

QTEST_MAIN(DocumentCommandsTest)
#include "tst_documentcommands.moc"
