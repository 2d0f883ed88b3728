// The scene model: insert, remove, select and restore order, the frames in
// the display bitmaps, the stacking of the views, the flag setters and the
// menu and status state the window binds.

#include "Render.h"
#include "SceneTestSupport.h"

#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using namespace zel;
using namespace zel::test;

namespace {

const Item kPerPartItems[] = {Item::CutItem, Item::CopyItem, Item::ClearItem, Item::MoveItem,
                              Item::PartSizeItem, Item::MonochromeItem, Item::GrayItem};

// Lengths of the runs of equal values, starting with a run of true.
std::vector<int> runs(const std::vector<bool> &pattern, bool value)
{
    std::vector<int> lengths;
    int n = 0;
    for (bool b : pattern) {
        if (b == value) {
            ++n;
        } else if (n > 0) {
            lengths.push_back(n);
            n = 0;
        }
    }
    if (n > 0)
        lengths.push_back(n);
    return lengths;
}

bool isSubsequence(const std::vector<const PartView *> &part, const std::vector<PartView *> &whole)
{
    size_t j = 0;
    for (const PartView *v : whole)
        if (j < part.size() && part[j] == v)
            ++j;
    return j == part.size();
}

int countOf(const QImage &image, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}

// Five parts, A at index 0 down to E at index 4, with distinct bounds,
// pixels and flags.
void addFiveParts(Scene &scene)
{
    const qint32 flags[5][3] = {{0, 0, 1}, {-1, 0, 0}, {0, 1, 1}, {1, 1, 0}, {0, 0, 0}};
    for (int i = 4; i >= 0; --i)
        scene.InsertPart(3 * i - 4, 2 * i, 20 + i, 12 + i, patternSource(6 + i, 5, quint32(i)),
                         flags[i][0], flags[i][1], flags[i][2]);
}

void selectByClick(Scene &scene, int index)
{
    scene.MovePart(index, 0);
    scene.SelectPart(scene.part(0).Image.get());
}

} // namespace

class SceneTest : public QObject
{
    Q_OBJECT

private slots:
    void startsEmptyWithDefaults();
    void insertIntoEmptyScene();
    void insertOnTopFramesThePreviousPart();
    void framesAreDashedAndDotted();
    void framesOfTinyParts_data();
    void framesOfTinyParts();
    void insertKeepsItsOwnCopy();
    void removeTopPartWithPartsLeft_data();
    void removeTopPartWithPartsLeft();
    void removeLastPart_data();
    void removeLastPart();
    void clearSelectionWithParts();
    void clickMovesPartToTop();
    void restorePartOrder_data();
    void restorePartOrder();
    void monochromeAndGrayscaleSetters();
    void transparentModeSetter();
    void settersWithoutParts();
    void negativeBoundsAreKept();
    void backgroundAndFrameSize();
    void viewAtFindsFrontmostVisible();
    void loadedPartsAndRemoveAll();
};

void SceneTest::startsEmptyWithDefaults()
{
    UiState ui;
    Scene scene(ui);
    QCOMPARE(scene.count(), 0);
    QCOMPARE(scene.SelectedIndex(), -1);
    QCOMPARE(scene.backgroundSize(), QSize(514, 386));
    QCOMPARE(scene.frameSize(), QSize(520, 392));
    QCOMPARE(scene.backgroundColour(), Colour(0x00FFFFFF));
    QVERIFY(ui.isEnabled(Item::TransparentModeItem));
    QVERIFY(ui.isChecked(Item::TransparentModeItem));
    for (Item item : kPerPartItems)
        QVERIFY(!ui.isEnabled(item));
}

void SceneTest::insertIntoEmptyScene()
{
    UiState ui;
    Scene scene(ui);
    QSignalSpy parts(&scene, &Scene::partsChanged);
    scene.InsertPart(3, 4, 30, 20, solidSource(5, 5, qRgb(200, 30, 40)), 0, 0, 1);
    QCOMPARE(parts.count(), 1);
    QCOMPARE(scene.count(), 1);
    QCOMPARE(scene.SelectedIndex(), 0);
    const PartView &view = *scene.part(0).Image;
    QCOMPARE(view.bounds(), QRect(3, 4, 30, 20));
    QVERIFY(scene.part(0).Transparent != 0);
    QVERIFY(view.isVisible());
    QCOMPARE(ui.statusText(1), QStringLiteral("(3, 4, 30, 20)"));
    QVERIFY2(displayProblem(scene.part(0), kAqua).isEmpty(),
             qPrintable(displayProblem(scene.part(0), kAqua)));
    const QImage display = displayBitmap(scene.part(0));
    QCOMPARE(countOf(display, kNavy), 0);
    QCOMPARE(countOf(display, qRgb(200, 30, 40)) + countOf(display, kAqua), 600);
    for (Item item : kPerPartItems)
        QVERIFY(ui.isEnabled(item));
    QVERIFY(ui.isEnabled(Item::TransparentModeItem));
    QVERIFY(!ui.isChecked(Item::MonochromeItem));
    QVERIFY(!ui.isChecked(Item::GrayItem));
    QVERIFY(ui.isChecked(Item::TransparentModeItem));
    QVERIFY2(invariantProblem(scene, ui).isEmpty(), qPrintable(invariantProblem(scene, ui)));
}

void SceneTest::insertOnTopFramesThePreviousPart()
{
    UiState ui;
    Scene scene(ui);
    scene.InsertPart(0, 0, 40, 30, solidSource(4, 4, qRgb(10, 200, 10)), 0, 0, 1);
    const QImage firstAlone = displayBitmap(scene.part(0));
    scene.InsertPart(-2, 7, 25, 15, patternSource(9, 6), 1, 0, 0);

    QCOMPARE(scene.count(), 2);
    QVERIFY2(displayProblem(scene.part(1), kNavy).isEmpty(),
             qPrintable(displayProblem(scene.part(1), kNavy)));
    QVERIFY2(displayProblem(scene.part(0), kAqua).isEmpty(),
             qPrintable(displayProblem(scene.part(0), kAqua)));
    QCOMPARE(countOf(displayBitmap(scene.part(1)), kAqua), 0);
    QVERIFY(displayBitmap(scene.part(1)) != firstAlone);
    // The new part is monochrome: its display shows only black and white
    // inside the frame.
    const QImage inner = displayBitmap(scene.part(0)).copy(1, 1, 23, 13);
    QCOMPARE(countOf(inner, 0xFF000000u) + countOf(inner, kWhiteRgb), 23 * 13);

    QCOMPARE(ui.statusText(1), QStringLiteral("(-2, 7, 25, 15)"));
    QVERIFY(ui.isChecked(Item::MonochromeItem));
    QVERIFY(!ui.isChecked(Item::TransparentModeItem));
    QVERIFY2(invariantProblem(scene, ui).isEmpty(), qPrintable(invariantProblem(scene, ui)));
}

void SceneTest::framesAreDashedAndDotted()
{
    UiState ui;
    Scene scene(ui);
    scene.InsertPart(0, 0, 60, 40, solidSource(3, 3, qRgb(90, 90, 90)), 0, 0, 0);
    scene.InsertPart(0, 0, 60, 40, solidSource(3, 3, qRgb(90, 90, 90)), 0, 0, 0);

    const std::vector<bool> dashed = framePattern(displayBitmap(scene.part(0)), kAqua);
    const std::vector<bool> dotted = framePattern(displayBitmap(scene.part(1)), kNavy);
    QCOMPARE(int(dashed.size()), 2 * (60 + 40) - 4);
    const std::vector<int> dashes = runs(dashed, true);
    const std::vector<int> dots = runs(dotted, true);
    // Dashes are long with short gaps; dots are short with equal gaps.
    QVERIFY(*std::max_element(dashes.begin(), dashes.end()) >= 8);
    QVERIFY(!runs(dashed, false).empty());
    QVERIFY(int(std::count(dashed.begin(), dashed.end(), true)) > int(dashed.size()) / 2);
    QVERIFY(*std::max_element(dots.begin(), dots.end()) <= 4);
    QVERIFY(int(dots.size()) >= int(dotted.size()) / 10);
    const std::vector<int> dotGaps = runs(dotted, false);
    QVERIFY(!dotGaps.empty());
    QVERIFY(*std::max_element(dotGaps.begin(), dotGaps.end()) <= 4);
    // Only the outermost rows and columns carry a frame.
    QCOMPARE(countOf(displayBitmap(scene.part(0)).copy(1, 1, 58, 38), kAqua), 0);
    QCOMPARE(countOf(displayBitmap(scene.part(1)).copy(1, 1, 58, 38), kNavy), 0);
}

void SceneTest::framesOfTinyParts_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("1x1") << QSize(1, 1);
    QTest::newRow("1x9") << QSize(1, 9);
    QTest::newRow("9x1") << QSize(9, 1);
    QTest::newRow("2x2") << QSize(2, 2);
    QTest::newRow("3x3") << QSize(3, 3);
}

void SceneTest::framesOfTinyParts()
{
    QFETCH(QSize, size);
    UiState ui;
    Scene scene(ui);
    scene.InsertPart(0, 0, size.width(), size.height(), patternSource(5, 5), 0, 0, 0);
    scene.InsertPart(0, 0, size.width(), size.height(), patternSource(4, 4), 0, 0, 0);
    QVERIFY2(displayProblem(scene.part(0), kAqua).isEmpty(),
             qPrintable(displayProblem(scene.part(0), kAqua)));
    QVERIFY2(displayProblem(scene.part(1), kNavy).isEmpty(),
             qPrintable(displayProblem(scene.part(1), kNavy)));
    if (size.width() <= 2 || size.height() <= 2) // every pixel is on the edge
        QCOMPARE(displayBitmap(scene.part(0)).pixel(size.width() - 1, size.height() - 1), kAqua);
}

void SceneTest::insertKeepsItsOwnCopy()
{
    UiState ui;
    Scene scene(ui);
    Bitmap mine = patternSource(6, 6);
    const Bitmap original = mine;
    const QImage originalPixels = mine.image.copy();
    scene.InsertPart(0, 0, 6, 6, mine, 0, 0, 0);
    const QImage display = displayBitmap(scene.part(0));
    mine.image.fill(Qt::black);
    QCOMPARE(scene.part(0).Source.image, originalPixels);
    QCOMPARE(scene.part(0).Source.depth, original.depth);
    QCOMPARE(displayBitmap(scene.part(0)), display);
    scene.part(0).Source.image.setPixel(0, 0, qRgb(1, 2, 3));
    QCOMPARE(original.image, originalPixels);
}

void SceneTest::removeTopPartWithPartsLeft_data()
{
    QTest::addColumn<qint32>("monochrome");
    QTest::addColumn<qint32>("grayscale");
    QTest::addColumn<qint32>("transparent");
    QTest::newRow("none") << 0 << 0 << 0;
    QTest::newRow("monochrome all-ones") << -1 << 0 << 0;
    QTest::newRow("grayscale and transparent") << 0 << 1 << 1;
    QTest::newRow("file byte 7 everywhere") << 7 << 7 << 7;
}

void SceneTest::removeTopPartWithPartsLeft()
{
    QFETCH(qint32, monochrome);
    QFETCH(qint32, grayscale);
    QFETCH(qint32, transparent);
    UiState ui;
    Scene scene(ui);
    scene.InsertPart(0, 0, 5, 5, patternSource(5, 5, 2), 0, 0, 0);
    scene.InsertPart(11, -3, 17, 9, patternSource(8, 8, 4), monochrome, grayscale, transparent);
    scene.InsertPart(1, 1, 12, 12, patternSource(3, 3, 6), -1, -1, 1);
    const Bitmap topSource = scene.part(0).Source;

    const Bitmap removed = scene.RemoveTopPart();
    QVERIFY(removed == topSource);
    QCOMPARE(removed.image.cacheKey(), topSource.image.cacheKey()); // handed over, not copied
    QCOMPARE(scene.count(), 2);
    QCOMPARE(scene.part(0).Monochrome, monochrome);
    QCOMPARE(ui.statusText(1), QStringLiteral("(11, -3, 17, 9)"));
    QCOMPARE(ui.isChecked(Item::MonochromeItem), monochrome != 0);
    QCOMPARE(ui.isChecked(Item::GrayItem), grayscale != 0);
    QCOMPARE(ui.isChecked(Item::TransparentModeItem), transparent != 0);
    QVERIFY2(displayProblem(scene.part(0), kAqua).isEmpty(),
             qPrintable(displayProblem(scene.part(0), kAqua)));
    QVERIFY2(invariantProblem(scene, ui).isEmpty(), qPrintable(invariantProblem(scene, ui)));
}

void SceneTest::removeLastPart_data()
{
    QTest::addColumn<bool>("transparentCheck");
    QTest::newRow("transparent mode checked") << true;
    QTest::newRow("transparent mode unchecked") << false;
}

void SceneTest::removeLastPart()
{
    QFETCH(bool, transparentCheck);
    UiState ui;
    Scene scene(ui);
    scene.InsertPart(0, 0, 5, 5, patternSource(5, 5), -1, -1, 1);
    scene.SetTransparentMode(transparentCheck ? -1 : 0);
    ui.setEnabled(Item::SaveBitmapItem, true);
    ui.setEnabled(Item::SaveClipboardItem, true);

    scene.RemoveTopPart();
    QCOMPARE(scene.count(), 0);
    QCOMPARE(scene.SelectedIndex(), -1);
    QCOMPARE(ui.statusText(1), QString());
    for (Item item : kPerPartItems)
        QVERIFY(!ui.isEnabled(item));
    QVERIFY(!ui.isEnabled(Item::SaveBitmapItem));
    QVERIFY(!ui.isEnabled(Item::SaveClipboardItem));
    QVERIFY(!ui.isChecked(Item::MonochromeItem));
    QVERIFY(!ui.isChecked(Item::GrayItem));
    QVERIFY(ui.isEnabled(Item::TransparentModeItem));
    QCOMPARE(ui.isChecked(Item::TransparentModeItem), transparentCheck);
    QVERIFY(scene.stacking().empty());
}

void SceneTest::clearSelectionWithParts()
{
    UiState ui;
    Scene scene(ui);
    scene.InsertPart(0, 0, 5, 5, patternSource(5, 5), 0, 0, 1);
    scene.ClearSelection();
    QCOMPARE(scene.SelectedIndex(), -1);
    QVERIFY(ui.isEnabled(Item::SaveBitmapItem));
    QVERIFY(ui.isEnabled(Item::SaveClipboardItem));
    QVERIFY(!ui.isEnabled(Item::CutItem));
    QCOMPARE(ui.statusText(1), QString());
}

void SceneTest::clickMovesPartToTop()
{
    UiState ui;
    Scene scene(ui);
    addFiveParts(scene);
    std::vector<const PartView *> views;
    for (int i = 0; i < 5; ++i)
        views.push_back(scene.part(i).Image.get());

    selectByClick(scene, 2);
    const std::vector<const PartView *> expected = {views[2], views[0], views[1], views[3],
                                                    views[4]};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(scene.part(i).Image.get(), expected[size_t(i)]);
    QCOMPARE(ui.statusText(1), QStringLiteral("(2, 4, 22, 14)"));
    QVERIFY(ui.isChecked(Item::GrayItem));
    QVERIFY(!ui.isChecked(Item::MonochromeItem));
    QVERIFY2(displayProblem(scene.part(1), kNavy).isEmpty(),
             qPrintable(displayProblem(scene.part(1), kNavy)));
    QVERIFY2(invariantProblem(scene, ui).isEmpty(), qPrintable(invariantProblem(scene, ui)));
}

void SceneTest::restorePartOrder_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < 5; ++i)
        QTest::addRow("index %d", i) << i;
}

void SceneTest::restorePartOrder()
{
    QFETCH(int, index);
    UiState ui;
    Scene scene(ui);
    addFiveParts(scene);
    const SceneState before = capture(scene, ui);
    const QString statusBefore = ui.statusText(1);
    std::vector<PartView *> initial;
    for (int i = 4; i >= 0; --i)
        initial.push_back(scene.part(i).Image.get());

    selectByClick(scene, index);
    const std::vector<PartView *> selected = scene.stacking();

    // Whenever the screen could repaint, the visible views must stand in an
    // order the screen showed before or shows afterwards.
    int checks = 0;
    QString problem;
    const auto watch = connect(&scene, &Scene::damaged, this, [&] {
        std::vector<const PartView *> visible;
        for (PartView *v : scene.stacking())
            if (v->isVisible())
                visible.push_back(v);
        ++checks;
        if (problem.isEmpty() && !isSubsequence(visible, selected)
            && !isSubsequence(visible, initial))
            problem = QStringLiteral("an intermediate order was visible at damage %1").arg(checks);
    });
    scene.RestorePartOrder(index);
    disconnect(watch);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY(checks > 0);

    QCOMPARE(scene.stacking(), initial);
    const QString diff = difference(before, capture(scene, ui));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    QCOMPARE(ui.statusText(1), statusBefore);
    QVERIFY2(invariantProblem(scene, ui).isEmpty(), qPrintable(invariantProblem(scene, ui)));
}

void SceneTest::monochromeAndGrayscaleSetters()
{
    UiState ui;
    Scene scene(ui);
    scene.InsertPart(0, 0, 9, 9, patternSource(9, 9, 1), 0, 0, 0);
    scene.InsertPart(2, 2, 14, 10, patternSource(7, 5, 8), 0, 0, 1);
    const QImage below = displayBitmap(scene.part(1));
    const QImage colour = displayBitmap(scene.part(0));

    scene.SetMonochrome(-1);
    QCOMPARE(scene.part(0).Monochrome, -1);
    QVERIFY(ui.isChecked(Item::MonochromeItem));
    QVERIFY2(displayProblem(scene.part(0), kAqua).isEmpty(),
             qPrintable(displayProblem(scene.part(0), kAqua)));
    const QImage mono = displayBitmap(scene.part(0));
    QVERIFY(mono != colour);

    scene.SetGrayscale(5);
    QCOMPARE(scene.part(0).Grayscale, 5);
    QVERIFY(ui.isChecked(Item::GrayItem));
    QCOMPARE(displayBitmap(scene.part(0)), mono); // monochrome still wins

    scene.SetMonochrome(0);
    QVERIFY(!ui.isChecked(Item::MonochromeItem));
    QVERIFY2(displayProblem(scene.part(0), kAqua).isEmpty(),
             qPrintable(displayProblem(scene.part(0), kAqua)));
    QVERIFY(displayBitmap(scene.part(0)) != mono);

    scene.SetGrayscale(0);
    QCOMPARE(displayBitmap(scene.part(0)), colour);
    QCOMPARE(displayBitmap(scene.part(1)), below);
    QCOMPARE(scene.part(1).Monochrome, 0);
    QCOMPARE(scene.part(1).Grayscale, 0);
}

void SceneTest::transparentModeSetter()
{
    UiState ui;
    Scene scene(ui);
    scene.InsertPart(0, 0, 9, 9, patternSource(9, 9, 1), 0, 0, 1);
    scene.InsertPart(0, 0, 9, 9, solidSource(3, 3, kWhiteRgb), 0, 0, 1);
    const QImage display = displayBitmap(scene.part(0));

    scene.SetTransparentMode(0);
    QCOMPARE(scene.part(0).Transparent, 0);
    QVERIFY(!ui.isChecked(Item::TransparentModeItem));
    QCOMPARE(displayBitmap(scene.part(0)), display); // holds its white pixels either way
    QVERIFY(scene.part(1).Transparent != 0);

    scene.SetTransparentMode(-1);
    QCOMPARE(scene.part(0).Transparent, -1);
    QVERIFY(ui.isChecked(Item::TransparentModeItem));
}

void SceneTest::settersWithoutParts()
{
    UiState ui;
    Scene scene(ui);
    QSignalSpy damaged(&scene, &Scene::damaged);
    scene.SetTransparentMode(0);
    QVERIFY(!ui.isChecked(Item::TransparentModeItem));
    scene.SetMonochrome(-1);
    QVERIFY(ui.isChecked(Item::MonochromeItem));
    scene.SetGrayscale(-1);
    QVERIFY(ui.isChecked(Item::GrayItem));
    QCOMPARE(scene.count(), 0);
    QCOMPARE(damaged.count(), 0);
}

void SceneTest::negativeBoundsAreKept()
{
    UiState ui;
    Scene scene(ui);
    scene.InsertPart(-5, -7, 10, 4, patternSource(3, 3), 0, 0, 0);
    QCOMPARE(scene.part(0).Image->bounds(), QRect(-5, -7, 10, 4));
    QCOMPARE(ui.statusText(1), QStringLiteral("(-5, -7, 10, 4)"));
    scene.part(0).Image->setBounds(QRect(-600, 900, 10, 4));
    scene.showTopBounds();
    QCOMPARE(ui.statusText(1), QStringLiteral("(-600, 900, 10, 4)"));
    QCOMPARE(scene.part(0).Image->left(), -600);
}

void SceneTest::backgroundAndFrameSize()
{
    UiState ui;
    Scene scene(ui);
    QSignalSpy changed(&scene, &Scene::backgroundChanged);
    scene.setFrameSize(306, 206);
    QCOMPARE(scene.backgroundSize(), QSize(300, 200));
    QCOMPARE(scene.frameSize(), QSize(306, 206));
    scene.setBackgroundSize(QSize(2048, 100));
    QCOMPARE(scene.frameSize(), QSize(2054, 106));
    scene.setBackgroundSize(QSize(2048, 100));
    scene.setBackgroundColour(0x00010203);
    QCOMPARE(scene.backgroundColour(), Colour(0x00010203));
    QCOMPARE(changed.count(), 3);
}

void SceneTest::viewAtFindsFrontmostVisible()
{
    UiState ui;
    Scene scene(ui);
    scene.InsertPart(0, 0, 10, 10, patternSource(3, 3), 0, 0, 0);
    scene.InsertPart(5, 5, 10, 10, patternSource(3, 3), 0, 0, 0);
    PartView *bottom = scene.part(1).Image.get();
    PartView *top = scene.part(0).Image.get();
    QCOMPARE(scene.viewAt(QPoint(7, 7)), top);
    QCOMPARE(scene.viewAt(QPoint(2, 2)), bottom);
    QCOMPARE(scene.viewAt(QPoint(30, 30)), nullptr);
    top->setVisible(false);
    QCOMPARE(scene.viewAt(QPoint(7, 7)), bottom);
    QCOMPARE(scene.indexOf(top), 0);
    QCOMPARE(scene.indexOf(bottom), 1);
}

void SceneTest::loadedPartsAndRemoveAll()
{
    UiState ui;
    Scene scene(ui);
    for (int i = 0; i < 3; ++i)
        scene.appendLoadedPart(QRect(i, i, 8, 6), patternSource(4, 4, quint32(i)), i, 0, i % 2);
    QCOMPARE(scene.SelectedIndex(), -1);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(scene.part(i).Image->left(), i);
        QVERIFY2(displayProblem(scene.part(i), kNavy).isEmpty(),
                 qPrintable(displayProblem(scene.part(i), kNavy)));
    }
    scene.SelectPart(scene.part(0).Image.get());
    QVERIFY2(invariantProblem(scene, ui).isEmpty(), qPrintable(invariantProblem(scene, ui)));

    scene.removeAllParts();
    QCOMPARE(scene.count(), 0);
    QVERIFY(scene.stacking().empty());
}

QTEST_GUILESS_MAIN(SceneTest)
#include "tst_scene.moc"
