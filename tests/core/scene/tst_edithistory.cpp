// The edit history: undo and redo of every entry type, the captions, the
// position rules and who owns the bitmaps of part entries.

#include "SceneTestSupport.h"

#include <QTest>

using namespace zel;
using namespace zel::test;

namespace {

enum Command {
    Cut, Paste, Delete, Click2, Move, PartSize, BackgroundSize, BackgroundColour,
    SameColour, ToggleTransparent, ToggleMonochrome, ToggleGrayscale
};

void run(EditCommands &cmd, Command command)
{
    switch (command) {
    case Cut: cmd.CutItemClick(testClipboard()); break;
    case Paste: cmd.InsertPastedBitmap(patternSource(7, 5, 21)); break;
    case Delete: cmd.ClearItemClick(); break;
    case Click2: cmd.ImageClick(cmd.scene().part(2).Image.get()); break;
    case Move: cmd.movePart(QPoint(-15, 40)); break;
    case PartSize: cmd.setPartSize(QSize(33, 7)); break;
    case BackgroundSize: cmd.setBackgroundSize(QSize(300, 150)); break;
    case BackgroundColour: cmd.setBackgroundColour(0x00336699); break;
    case SameColour: cmd.setBackgroundColour(cmd.scene().backgroundColour()); break;
    case ToggleTransparent: cmd.TransparentModeItemClick(); break;
    case ToggleMonochrome: cmd.MonochromeItemClick(); break;
    case ToggleGrayscale: cmd.GrayItemClick(); break;
    }
}

// Three parts, the top one monochrome; none of it recorded.
void addParts(Scene &scene, int count)
{
    const qint32 flags[3][3] = {{0, 1, 0}, {0, 0, 1}, {-1, 0, 1}};
    for (int i = 3 - count; i < 3; ++i)
        scene.InsertPart(4 * i, 3 * i - 2, 15 + i, 11 + 2 * i, patternSource(5 + i, 6, quint32(i)),
                         flags[i][0], flags[i][1], flags[i][2]);
}

QString topBoundsText(const Scene &scene)
{
    if (scene.isEmpty())
        return QString();
    const QRect b = scene.part(0).Image->bounds();
    return UiState::boundsText(b.x(), b.y(), b.width(), b.height());
}

#define VERIFY_EMPTY(expr)                                                                       \
    do {                                                                                         \
        const QString problem_ = (expr);                                                         \
        QVERIFY2(problem_.isEmpty(), qPrintable(problem_));                                      \
    } while (false)

} // namespace

class EditHistoryTest : public QObject
{
    Q_OBJECT

private slots:
    void undoRedoEveryType_data();
    void undoRedoEveryType();
    void tableEffects();
    void captions_data();
    void captions();
    void captionsWithoutEntries();
    void undoAtStartAndRedoAtEndDoNothing();
    void newEntryDiscardsRedoTail();
    void pasteUndoRedo();
    void cutUndoFramesThePartBelow();
    void clickDragUndoTwice();
    void transparentModeWithoutParts();
    void unchangedColourStillRecorded();
    void cutEntryTakesTheSourceOver();
    void pasteEntryKeepsItsOwnCopy();
    void undoneCutGivesThePartItsOwnCopy();
    void clearHistory();
    void entriesOnAnEmptySceneAreHarmless();
    void freeingAnAppliedEntryKeepsThePosition();
};

void EditHistoryTest::undoRedoEveryType_data()
{
    QTest::addColumn<int>("parts");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("setsStatus");
    QTest::newRow("0 cut") << 3 << int(Cut) << 0 << true;
    QTest::newRow("0 cut the last part") << 1 << int(Cut) << 0 << true;
    QTest::newRow("1 paste") << 3 << int(Paste) << 1 << true;
    QTest::newRow("1 paste into an empty scene") << 0 << int(Paste) << 1 << true;
    QTest::newRow("2 delete") << 3 << int(Delete) << 2 << true;
    QTest::newRow("3 select") << 3 << int(Click2) << 3 << true;
    QTest::newRow("4 move") << 3 << int(Move) << 4 << true;
    QTest::newRow("5 part size") << 3 << int(PartSize) << 5 << true;
    QTest::newRow("6 background size") << 3 << int(BackgroundSize) << 6 << false;
    QTest::newRow("7 background colour") << 3 << int(BackgroundColour) << 7 << false;
    QTest::newRow("7 same colour") << 0 << int(SameColour) << 7 << false;
    QTest::newRow("8 transparent mode") << 3 << int(ToggleTransparent) << 8 << false;
    QTest::newRow("8 transparent mode, no parts") << 0 << int(ToggleTransparent) << 8 << false;
    QTest::newRow("9 monochrome") << 3 << int(ToggleMonochrome) << 9 << false;
    QTest::newRow("9 monochrome of the bottom part") << 1 << int(ToggleMonochrome) << 9 << false;
    QTest::newRow("10 grayscale") << 3 << int(ToggleGrayscale) << 10 << false;
}

void EditHistoryTest::undoRedoEveryType()
{
    QFETCH(int, parts);
    QFETCH(int, command);
    QFETCH(int, type);
    QFETCH(bool, setsStatus);
    UiState ui;
    Scene scene(ui);
    EditHistory history;
    EditCommands cmd(scene, history);
    addParts(scene, parts);
    const SceneState before = capture(scene, ui);

    run(cmd, Command(command));
    QCOMPARE(history.count(), 1);
    QCOMPARE(history.HistoryPos(), 1);
    QCOMPARE(int(history.entry(0).Type), type);
    const SceneState after = capture(scene, ui);
    VERIFY_EMPTY(invariantProblem(scene, ui));

    for (int round = 0; round < 2; ++round) {
        ui.setStatusText(1, QStringLiteral("stale"));
        QVERIFY(history.undo(scene));
        QCOMPARE(history.HistoryPos(), 0);
        QCOMPARE(history.count(), 1);
        VERIFY_EMPTY(difference(before, capture(scene, ui)));
        VERIFY_EMPTY(invariantProblem(scene, ui));
        QCOMPARE(ui.statusText(1), setsStatus ? topBoundsText(scene) : QStringLiteral("stale"));

        ui.setStatusText(1, QStringLiteral("stale"));
        QVERIFY(history.redo(scene));
        QCOMPARE(history.HistoryPos(), 1);
        QCOMPARE(history.count(), 1);
        VERIFY_EMPTY(difference(after, capture(scene, ui)));
        VERIFY_EMPTY(invariantProblem(scene, ui));
        QCOMPARE(ui.statusText(1), setsStatus ? topBoundsText(scene) : QStringLiteral("stale"));
    }
}

void EditHistoryTest::tableEffects()
{
    UiState ui;
    Scene scene(ui);
    EditHistory history;
    scene.InsertPart(9, 9, 20, 10, patternSource(4, 4), 0, 0, 1);

    history.AddHistoryEntry(MoveEntry, 1, 2, 3, 4);
    history.AddHistoryEntry(PartSizeEntry, 5, 6, 7, 8);
    history.AddHistoryEntry(BackgroundSizeEntry, 101, 102, 103, 104);
    history.AddHistoryEntry(BackgroundColourEntry, 0x00112233, 0x00445566);
    history.AddHistoryEntry(TransparentModeEntry, 0);
    history.AddHistoryEntry(MonochromeEntry, -1);
    history.AddHistoryEntry(GrayscaleEntry, 0);
    QCOMPARE(history.HistoryPos(), 7);

    // Undo applies the old values, setters get Value1 itself.
    QVERIFY(history.undo(scene));
    QCOMPARE(scene.part(0).Grayscale, 0);
    QVERIFY(history.undo(scene));
    QCOMPARE(scene.part(0).Monochrome, -1);
    QVERIFY(history.undo(scene));
    QCOMPARE(scene.part(0).Transparent, 0);
    QVERIFY(history.undo(scene));
    QCOMPARE(scene.backgroundColour(), Colour(0x00112233));
    QVERIFY(history.undo(scene));
    QCOMPARE(scene.backgroundSize(), QSize(101, 102));
    QCOMPARE(scene.frameSize(), QSize(107, 108));
    QVERIFY(history.undo(scene));
    QCOMPARE(scene.part(0).Image->bounds(), QRect(9, 9, 5, 6));
    QCOMPARE(ui.statusText(1), QStringLiteral("(9, 9, 5, 6)"));
    VERIFY_EMPTY(displayProblem(scene.part(0), kAqua));
    QVERIFY(history.undo(scene));
    QCOMPARE(scene.part(0).Image->bounds(), QRect(1, 2, 5, 6));
    QCOMPARE(ui.statusText(1), QStringLiteral("(1, 2, 5, 6)"));
    QVERIFY(!history.undo(scene));

    // Redo applies the new values, setters get the opposite of Value1.
    QVERIFY(history.redo(scene));
    QCOMPARE(scene.part(0).Image->bounds(), QRect(3, 4, 5, 6));
    QCOMPARE(ui.statusText(1), QStringLiteral("(3, 4, 5, 6)"));
    QVERIFY(history.redo(scene));
    QCOMPARE(scene.part(0).Image->bounds(), QRect(3, 4, 7, 8));
    VERIFY_EMPTY(displayProblem(scene.part(0), kAqua));
    QCOMPARE(ui.statusText(1), QStringLiteral("(3, 4, 7, 8)"));
    QVERIFY(history.redo(scene));
    QCOMPARE(scene.backgroundSize(), QSize(103, 104));
    QVERIFY(history.redo(scene));
    QCOMPARE(scene.backgroundColour(), Colour(0x00445566));
    QVERIFY(history.redo(scene));
    QCOMPARE(scene.part(0).Transparent, -1);
    QVERIFY(history.redo(scene));
    QCOMPARE(scene.part(0).Monochrome, 0);
    QVERIFY(history.redo(scene));
    QCOMPARE(scene.part(0).Grayscale, -1);
    QVERIFY(ui.isChecked(Item::GrayItem));
    QVERIFY(!history.redo(scene));
    QCOMPARE(history.HistoryPos(), 7);
}

void EditHistoryTest::captions_data()
{
    QTest::addColumn<int>("parts");
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("preToggle"); // flip the item's check first, unrecorded
    QTest::addColumn<QString>("action");
    QTest::newRow("cut") << 3 << int(Cut) << false << QStringLiteral("切り取り");
    QTest::newRow("paste") << 0 << int(Paste) << false << QStringLiteral("貼り付け");
    QTest::newRow("delete") << 3 << int(Delete) << false << QStringLiteral("削除");
    QTest::newRow("select") << 3 << int(Click2) << false << QStringLiteral("選択");
    QTest::newRow("move") << 3 << int(Move) << false << QStringLiteral("移動");
    QTest::newRow("part size") << 3 << int(PartSize) << false << QStringLiteral("部品ｻｲｽﾞ");
    QTest::newRow("background size") << 3 << int(BackgroundSize) << false << QStringLiteral("背景ｻｲｽﾞ");
    QTest::newRow("background colour") << 0 << int(BackgroundColour) << false << QStringLiteral("背景色");
    QTest::newRow("transparent mode off") << 3 << int(ToggleTransparent) << false << QStringLiteral("透過ﾓｰﾄﾞ ｵﾌ");
    QTest::newRow("transparent mode on") << 3 << int(ToggleTransparent) << true << QStringLiteral("透過ﾓｰﾄﾞ ｵﾝ");
    QTest::newRow("transparent mode on, no parts") << 0 << int(ToggleTransparent) << true << QStringLiteral("透過ﾓｰﾄﾞ ｵﾝ");
    QTest::newRow("monochrome off") << 3 << int(ToggleMonochrome) << false << QStringLiteral("ﾓﾉｸﾛ ｵﾌ");
    QTest::newRow("monochrome on") << 3 << int(ToggleMonochrome) << true << QStringLiteral("ﾓﾉｸﾛ ｵﾝ");
    QTest::newRow("grayscale on") << 3 << int(ToggleGrayscale) << false << QStringLiteral("ｸﾞﾚｲｽｹｰﾙ");
    QTest::newRow("grayscale off") << 3 << int(ToggleGrayscale) << true << QStringLiteral("ｸﾞﾚｲｽｹｰﾙ");
}

void EditHistoryTest::captions()
{
    QFETCH(int, parts);
    QFETCH(int, command);
    QFETCH(bool, preToggle);
    QFETCH(QString, action);
    UiState ui;
    Scene scene(ui);
    EditHistory history;
    EditCommands cmd(scene, history);
    addParts(scene, parts); // top part: monochrome, transparent, not gray
    if (preToggle) {
        if (command == ToggleTransparent)
            scene.SetTransparentMode(0);
        else if (command == ToggleMonochrome)
            scene.SetMonochrome(0);
        else
            scene.SetGrayscale(-1);
    }
    run(cmd, Command(command));
    QCOMPARE(history.undoCaption(), QStringLiteral("元に戻す(&U) ") + action);
    QCOMPARE(history.redoCaption(), QStringLiteral("やり直し(&R) "));
    history.undo(scene);
    // The suffix names the recorded change, not the state now shown.
    QCOMPARE(history.undoCaption(), QStringLiteral("元に戻す(&U) "));
    QCOMPARE(history.redoCaption(), QStringLiteral("やり直し(&R) ") + action);
    QVERIFY(!history.canUndo());
    QVERIFY(history.canRedo());
}

void EditHistoryTest::captionsWithoutEntries()
{
    EditHistory history;
    QCOMPARE(history.undoCaption(), QStringLiteral("元に戻す(&U) "));
    QCOMPARE(history.redoCaption(), QStringLiteral("やり直し(&R) "));
    QCOMPARE(QString::fromUtf8(OnOffSuffixes[0]), QStringLiteral(" ｵﾝ"));
    QCOMPARE(QString::fromUtf8(OnOffSuffixes[1]), QStringLiteral(" ｵﾌ"));

    // Two entries: each caption names its own neighbour.
    history.AddHistoryEntry(MonochromeEntry, 0);
    history.AddHistoryEntry(TransparentModeEntry, -1);
    UiState scratchUi;
    Scene scratch(scratchUi);
    QVERIFY(history.undo(scratch));
    QCOMPARE(history.undoCaption(), QStringLiteral("元に戻す(&U) ﾓﾉｸﾛ ｵﾝ"));
    QCOMPARE(history.redoCaption(), QStringLiteral("やり直し(&R) 透過ﾓｰﾄﾞ ｵﾌ"));
}

void EditHistoryTest::undoAtStartAndRedoAtEndDoNothing()
{
    UiState ui;
    Scene scene(ui);
    EditHistory history;
    EditCommands cmd(scene, history);
    QVERIFY(!history.undo(scene));
    QVERIFY(!history.redo(scene));
    QCOMPARE(history.HistoryPos(), 0);

    cmd.InsertPastedBitmap(patternSource(4, 4));
    cmd.setBackgroundColour(0x00000001);
    const SceneState end = capture(scene, ui);
    QVERIFY(!history.canRedo());
    QVERIFY(!history.redo(scene));
    QCOMPARE(history.HistoryPos(), 2);
    VERIFY_EMPTY(difference(end, capture(scene, ui)));

    QVERIFY(history.undo(scene));
    QVERIFY(history.undo(scene));
    const SceneState start = capture(scene, ui);
    QVERIFY(!history.canUndo());
    QVERIFY(!history.undo(scene));
    QCOMPARE(history.HistoryPos(), 0);
    QCOMPARE(history.count(), 2);
    VERIFY_EMPTY(difference(start, capture(scene, ui)));
}

void EditHistoryTest::newEntryDiscardsRedoTail()
{
    UiState ui;
    Scene scene(ui);
    EditHistory history;
    EditCommands cmd(scene, history);
    for (Colour c = 1; c <= 5; ++c)
        cmd.setBackgroundColour(c);
    for (int i = 0; i < 3; ++i)
        QVERIFY(history.undo(scene));
    QCOMPARE(history.HistoryPos(), 2);
    QCOMPARE(scene.backgroundColour(), Colour(2));

    cmd.setBackgroundColour(0x00ABCDEF);
    QCOMPARE(history.count(), 3);
    QCOMPARE(history.HistoryPos(), 3);
    QVERIFY(!history.canRedo());
    QVERIFY(!history.redo(scene));
    QCOMPARE(history.entry(0).Value2, 1);
    QCOMPARE(history.entry(1).Value2, 2);
    QCOMPARE(history.entry(2).Value1, 2);
    QCOMPARE(history.entry(2).Value2, 0x00ABCDEF);
    while (history.undo(scene)) {
    }
    QCOMPARE(scene.backgroundColour(), kWhite);
}

void EditHistoryTest::pasteUndoRedo()
{
    UiState ui;
    Scene scene(ui);
    EditHistory history;
    EditCommands cmd(scene, history);
    addParts(scene, 2);
    const Bitmap pasted = patternSource(9, 4, 30);
    cmd.InsertPastedBitmap(pasted);
    history.undo(scene);
    QCOMPARE(scene.count(), 2);
    history.redo(scene);
    QCOMPARE(scene.count(), 3);
    QCOMPARE(scene.part(0).Image->bounds(), QRect(0, 0, 9, 4));
    QVERIFY(scene.part(0).Source == pasted);
    QCOMPARE(scene.part(0).Transparent, 1);
    QCOMPARE(scene.SelectedIndex(), 0);
    QCOMPARE(ui.statusText(1), QStringLiteral("(0, 0, 9, 4)"));
    QCOMPARE(history.count(), 1);
    QCOMPARE(history.HistoryPos(), 1);
    VERIFY_EMPTY(invariantProblem(scene, ui));
}

void EditHistoryTest::cutUndoFramesThePartBelow()
{
    UiState ui;
    Scene scene(ui);
    EditHistory history;
    EditCommands cmd(scene, history);
    addParts(scene, 2);
    const QRect bounds = scene.part(0).Image->bounds();
    const PartView *below = scene.part(1).Image.get();
    cmd.CutItemClick(testClipboard());
    VERIFY_EMPTY(displayProblem(scene.part(0), kAqua)); // selected after the cut
    history.undo(scene);
    QCOMPARE(scene.count(), 2);
    QCOMPARE(scene.part(0).Image->bounds(), bounds);
    QCOMPARE(scene.part(0).Monochrome, 1);
    QCOMPARE(scene.part(0).Grayscale, 0);
    QCOMPARE(scene.part(0).Transparent, 1);
    QCOMPARE(scene.part(1).Image.get(), below);
    VERIFY_EMPTY(displayProblem(scene.part(1), kNavy));
    VERIFY_EMPTY(displayProblem(scene.part(0), kAqua));
    QCOMPARE(ui.statusText(1), topBoundsText(scene));
}

void EditHistoryTest::clickDragUndoTwice()
{
    UiState ui;
    Scene scene(ui);
    EditHistory history;
    EditCommands cmd(scene, history);
    addParts(scene, 3);
    scene.InsertPart(50, 50, 10, 10, patternSource(3, 3, 40), 0, 1, 0);
    const SceneState before = capture(scene, ui);
    std::vector<PartView *> stacking = scene.stacking();
    const PartView *clicked = scene.part(2).Image.get();
    const QRect clickedBounds = clicked->bounds();

    cmd.ImageClick(cmd.scene().part(2).Image.get());
    cmd.ImageClick(cmd.scene().part(0).Image.get()); // the selected part: nothing recorded
    QCOMPARE(history.count(), 1);
    cmd.movePart(QPoint(-30, 77));
    QVERIFY(history.undo(scene));
    QCOMPARE(scene.part(0).Image.get(), clicked);
    QCOMPARE(clicked->bounds(), clickedBounds);
    QVERIFY(history.undo(scene));
    QCOMPARE(scene.part(2).Image.get(), clicked);
    QCOMPARE(scene.stacking(), stacking);
    VERIFY_EMPTY(difference(before, capture(scene, ui)));
    VERIFY_EMPTY(invariantProblem(scene, ui));
}

void EditHistoryTest::transparentModeWithoutParts()
{
    UiState ui;
    Scene scene(ui);
    EditHistory history;
    EditCommands cmd(scene, history);
    cmd.TransparentModeItemClick();
    QCOMPARE(history.count(), 1);
    QCOMPARE(history.entry(0).Value1, -1);
    QVERIFY(!ui.isChecked(Item::TransparentModeItem));
    history.undo(scene);
    QVERIFY(ui.isChecked(Item::TransparentModeItem));
    QCOMPARE(scene.count(), 0);
    QVERIFY(ui.isEnabled(Item::TransparentModeItem));
    history.redo(scene);
    QVERIFY(!ui.isChecked(Item::TransparentModeItem));
}

void EditHistoryTest::unchangedColourStillRecorded()
{
    UiState ui;
    Scene scene(ui);
    EditHistory history;
    EditCommands cmd(scene, history);
    cmd.setBackgroundColour(kWhite);
    QCOMPARE(history.count(), 1);
    QCOMPARE(history.HistoryPos(), 1);
    QVERIFY(history.undo(scene));
    QCOMPARE(history.HistoryPos(), 0);
    QCOMPARE(scene.backgroundColour(), kWhite);
}

void EditHistoryTest::cutEntryTakesTheSourceOver()
{
    UiState ui;
    Scene scene(ui);
    EditHistory history;
    EditCommands cmd(scene, history);
    scene.InsertPart(3, 4, 5, 6, patternSource(7, 7), -1, 0, 7);
    const Bitmap source = scene.part(0).Source;
    cmd.CutItemClick(testClipboard());
    const HistoryEntry &e = history.entry(0);
    QVERIFY(e.Bitmap == source);
    QCOMPARE(e.Bitmap.image.cacheKey(), source.image.cacheKey()); // the same pixels, no copy
    QCOMPARE(e.Monochrome, quint8(1));
    QCOMPARE(e.Grayscale, quint8(0));
    QCOMPARE(e.Transparent, quint8(1));
    QCOMPARE(QRect(e.Value1, e.Value2, e.Value3, e.Value4), QRect(3, 4, 5, 6));
}

void EditHistoryTest::pasteEntryKeepsItsOwnCopy()
{
    UiState ui;
    Scene scene(ui);
    EditHistory history;
    EditCommands cmd(scene, history);
    Bitmap clipboard = patternSource(6, 5, 12);
    const QImage pixels = clipboard.image.copy();
    cmd.InsertPastedBitmap(clipboard);
    clipboard.image.fill(Qt::black);                      // the caller's bitmap changes
    scene.part(0).Source.image.setPixel(1, 1, 0xFF010203); // and the part's own
    QCOMPARE(history.entry(0).Bitmap.image, pixels);
    QCOMPARE(history.entry(0).Monochrome, quint8(0));
    QCOMPARE(history.entry(0).Grayscale, quint8(0));
    QCOMPARE(history.entry(0).Transparent, quint8(1));
    history.undo(scene);
    history.redo(scene);
    QCOMPARE(scene.part(0).Source.image, pixels);
}

void EditHistoryTest::undoneCutGivesThePartItsOwnCopy()
{
    UiState ui;
    Scene scene(ui);
    EditHistory history;
    EditCommands cmd(scene, history);
    scene.InsertPart(0, 0, 5, 5, patternSource(5, 5, 3), 0, 0, 0);
    const QImage pixels = scene.part(0).Source.image.copy();
    cmd.ClearItemClick();
    history.undo(scene);
    scene.part(0).Source.image.fill(Qt::black);
    QCOMPARE(history.entry(0).Bitmap.image, pixels);
    history.redo(scene);
    QCOMPARE(scene.count(), 0);
    QCOMPARE(history.entry(0).Bitmap.image, pixels);
    history.undo(scene);
    QCOMPARE(scene.part(0).Source.image, pixels);
}

void EditHistoryTest::clearHistory()
{
    UiState ui;
    Scene scene(ui);
    EditHistory history;
    EditCommands cmd(scene, history);
    cmd.InsertPastedBitmap(patternSource(3, 3));
    cmd.CutItemClick(testClipboard());
    cmd.setBackgroundSize(QSize(200, 200));
    history.undo(scene);
    history.FreeHistoryEntry(-1); // out of range: nothing
    history.FreeHistoryEntry(3);
    QCOMPARE(history.count(), 3);
    history.ClearHistory();
    QCOMPARE(history.count(), 0);
    QCOMPARE(history.HistoryPos(), 0);
    QVERIFY(!history.canUndo());
    QVERIFY(!history.canRedo());
    QVERIFY(!history.undo(scene));
    QCOMPARE(history.undoCaption(), QStringLiteral("元に戻す(&U) "));
    QCOMPARE(scene.backgroundSize(), QSize(514, 386));
}

void EditHistoryTest::entriesOnAnEmptySceneAreHarmless()
{
    // A history replayed over a scene that has lost its parts some other
    // way must not reach for parts that are not there.
    UiState ui;
    Scene scene(ui);
    EditHistory history;
    history.AddHistoryEntry(MoveEntry, 1, 2, 3, 4);
    history.AddHistoryEntry(PartSizeEntry, 5, 6, 7, 8);
    history.AddHistoryEntry(SelectEntry, 3);
    history.AddHistoryEntry(MonochromeEntry, 0);
    history.AddHistoryEntry(GrayscaleEntry, 0);
    history.AddHistoryEntry(PasteEntry, 0, 0, 4, 4, patternSource(4, 4), 0, 0, 1);
    for (int i = 0; i < 6; ++i)
        QVERIFY(history.undo(scene));
    QCOMPARE(scene.count(), 0);
    for (int i = 0; i < 6; ++i)
        QVERIFY(history.redo(scene));
    QCOMPARE(scene.count(), 1);

    EditHistory removals;
    removals.AddHistoryEntry(CutEntry, 0, 0, 4, 4, patternSource(4, 4), 0, 0, 0);
    removals.AddHistoryEntry(DeleteEntry, 0, 0, 4, 4, patternSource(4, 4), 0, 0, 0);
    removals.AddHistoryEntry(SelectEntry, 1);
    UiState scratchUi;
    Scene scratch(scratchUi); // undone over a scene of its own
    while (removals.undo(scratch)) {
    }
    scene.removeAllParts();
    scene.ClearSelection();
    for (int i = 0; i < 3; ++i)
        QVERIFY(removals.redo(scene));
    QCOMPARE(scene.count(), 0);
    QCOMPARE(scene.SelectedIndex(), -1);
}

void EditHistoryTest::freeingAnAppliedEntryKeepsThePosition()
{
    UiState ui;
    Scene scene(ui);
    EditHistory history;
    EditCommands cmd(scene, history);
    for (Colour c = 1; c <= 3; ++c)
        cmd.setBackgroundColour(c);
    history.FreeHistoryEntry(0);
    QCOMPARE(history.count(), 2);
    QCOMPARE(history.HistoryPos(), 2);
    QVERIFY(history.undo(scene));
    QCOMPARE(scene.backgroundColour(), Colour(2));
    QVERIFY(history.undo(scene));
    QCOMPARE(scene.backgroundColour(), Colour(1));
    QVERIFY(!history.undo(scene));

    history.FreeHistoryEntry(1); // above the position: nothing to adjust
    QCOMPARE(history.HistoryPos(), 0);
    QCOMPARE(history.count(), 1);
}


QTEST_GUILESS_MAIN(EditHistoryTest)
#include "tst_edithistory.moc"
