// Long random sequences of the edit commands the program runs, with detours
// of undo and redo along the way; then undo all the way back to the starting
// scene and redo all the way to the final one, comparing the scene, its
// rendering and the menu state.
//
// Set ZELVANE_HISTORY_SEED to run one other seed.

#include "Render.h"
#include "SceneTestSupport.h"

#include <QTest>

using namespace zel;
using namespace zel::test;

namespace {

constexpr int kCommandsPerSeed = 1500;
constexpr int kDisplayCheckEvery = 40;

const char *const kCommandNames[] = {"paste", "cut", "delete", "click", "move", "part size",
                                     "background size", "background colour",
                                     "transparent mode", "monochrome", "grayscale"};

// Picks and runs one command that the menus would offer now; returns its
// name, or nullptr when it recorded nothing (a click on the top part).
const char *randomCommand(QRandomGenerator &rng, EditCommands &cmd)
{
    Scene &scene = cmd.scene();
    const int n = scene.count();
    int pick;
    if (n == 0) {
        static const int whenEmpty[] = {0, 0, 0, 6, 7, 8};
        pick = whenEmpty[rng.bounded(int(std::size(whenEmpty)))];
    } else {
        pick = rng.bounded(11);
        if (pick == 0 && n > 12)
            pick = 1;                // keep the scene small
        if ((pick == 1 || pick == 2) && n < 3 && rng.bounded(2))
            pick = 0;                // and not always empty
    }
    const QSize bg = scene.backgroundSize();
    switch (pick) {
    case 0: cmd.InsertPastedBitmap(randomSource(rng, 24)); break;
    case 1: cmd.CutItemClick(testClipboard()); break;
    case 2: cmd.ClearItemClick(); break;
    case 3: {
        const int index = rng.bounded(n);
        cmd.ImageClick(cmd.scene().part(index).Image.get());
        if (index == 0)
            return nullptr;
        break;
    }
    case 4: cmd.movePart(QPoint(rng.bounded(-50, bg.width() + 10), rng.bounded(-50, bg.height() + 10))); break;
    case 5: cmd.setPartSize(QSize(1 + rng.bounded(40), 1 + rng.bounded(40))); break;
    case 6: cmd.setBackgroundSize(QSize(16 + rng.bounded(120), 16 + rng.bounded(120))); break;
    case 7:
        cmd.setBackgroundColour(rng.bounded(4) == 0 ? scene.backgroundColour()
                                                 : Colour(rng.generate() & 0xFFFFFFu));
        break;
    case 8: cmd.TransparentModeItemClick(); break;
    case 9: cmd.MonochromeItemClick(); break;
    default: cmd.GrayItemClick(); break;
    }
    return kCommandNames[pick];
}

} // namespace

class HistoryRandomTest : public QObject
{
    Q_OBJECT

private slots:
    void undoAllAndRedoAll_data();
    void undoAllAndRedoAll();
};

void HistoryRandomTest::undoAllAndRedoAll_data()
{
    QTest::addColumn<quint32>("seed");
    bool ok = false;
    const quint32 chosen = qEnvironmentVariable("ZELVANE_HISTORY_SEED").toUInt(&ok);
    if (ok) {
        QTest::addRow("seed %u", chosen) << chosen;
        return;
    }
    for (quint32 seed : {20240611u, 7u, 900001u})
        QTest::addRow("seed %u", seed) << seed;
}

void HistoryRandomTest::undoAllAndRedoAll()
{
    QFETCH(quint32, seed);
    QRandomGenerator rng(seed);
    UiState ui;
    Scene scene(ui);
    EditHistory history;
    EditCommands cmd(scene, history);

    // Where it went wrong, and how to get there again.
    QString where;
    auto fail = [&](const QString &what) {
        return QStringLiteral("seed %1 (ZELVANE_HISTORY_SEED=%1), %2: %3").arg(seed).arg(where, what);
    };
#define CHECK_EMPTY(expr)                                                                        \
    do {                                                                                         \
        const QString problem_ = (expr);                                                         \
        if (!problem_.isEmpty())                                                                 \
            QFAIL(qPrintable(fail(problem_)));                                                   \
    } while (false)

    // A starting scene that is not recorded, as after opening a document.
    scene.setBackgroundSize(QSize(90, 70));
    scene.setBackgroundColour(0x00405060);
    for (int i = 0; i < 4; ++i) {
        const Bitmap source = randomSource(rng, 24);
        static const qint32 flagValues[] = {0, 1, -1, 7};
        scene.InsertPart(rng.bounded(-20, 80), rng.bounded(-20, 60), 1 + rng.bounded(30),
                         1 + rng.bounded(30), source, flagValues[rng.bounded(4)],
                         flagValues[rng.bounded(4)], flagValues[rng.bounded(4)]);
    }
    const SceneState start = capture(scene, ui);
    const QImage startPicture = RenderScene(scene);

    int recorded = 0;
    for (int step = 0; step < kCommandsPerSeed; ++step) {
        where = QStringLiteral("command %1").arg(step);
        const char *name = randomCommand(rng, cmd);
        if (name) {
            ++recorded;
            where += QStringLiteral(" (%1)").arg(QString::fromLatin1(name));
        }
        // A click on the top part records nothing, so it keeps any redo tail.
        if (history.HistoryPos() != recorded || (name && history.count() != recorded))
            QFAIL(qPrintable(fail(QStringLiteral("history holds %1 at %2, expected %3")
                                      .arg(history.count()).arg(history.HistoryPos()).arg(recorded))));
        CHECK_EMPTY(invariantProblem(scene, ui, step % kDisplayCheckEvery == 0));

        // Now and then a detour: undo a few, redo them, undo some again and
        // go on from there, which discards what could have been redone.
        if (rng.bounded(30) == 0 && recorded > 0) {
            const SceneState here = capture(scene, ui);
            const int back = 1 + rng.bounded(qMin(recorded, 6));
            for (int i = 0; i < back; ++i) {
                if (!cmd.UndoItemClick())
                    QFAIL(qPrintable(fail(QStringLiteral("undo refused"))));
                CHECK_EMPTY(invariantProblem(scene, ui, false));
            }
            for (int i = 0; i < back; ++i) {
                if (!cmd.RedoItemClick())
                    QFAIL(qPrintable(fail(QStringLiteral("redo refused"))));
                CHECK_EMPTY(invariantProblem(scene, ui, false));
            }
            where += QStringLiteral(", after undoing and redoing %1").arg(back);
            CHECK_EMPTY(difference(here, capture(scene, ui)));
            const int drop = rng.bounded(back + 1);
            for (int i = 0; i < drop; ++i)
                cmd.UndoItemClick();
            recorded -= drop;
        }
    }

    // A detour at the very end may have left entries to redo.
    while (cmd.RedoItemClick())
        CHECK_EMPTY(invariantProblem(scene, ui, false));
    const SceneState end = capture(scene, ui);
    const QImage endPicture = RenderScene(scene);
    const int total = history.count();

    where = QStringLiteral("undoing all %1 entries").arg(total);
    while (cmd.UndoItemClick())
        CHECK_EMPTY(invariantProblem(scene, ui, false));
    QCOMPARE(history.HistoryPos(), 0);
    QCOMPARE(history.count(), total);
    CHECK_EMPTY(difference(start, capture(scene, ui)));
    CHECK_EMPTY(invariantProblem(scene, ui));
    if (RenderScene(scene) != startPicture)
        QFAIL(qPrintable(fail(QStringLiteral("rendered picture differs from the start"))));

    where = QStringLiteral("redoing all %1 entries").arg(total);
    while (cmd.RedoItemClick())
        CHECK_EMPTY(invariantProblem(scene, ui, false));
    QCOMPARE(history.HistoryPos(), total);
    CHECK_EMPTY(difference(end, capture(scene, ui)));
    CHECK_EMPTY(invariantProblem(scene, ui));
    if (RenderScene(scene) != endPicture)
        QFAIL(qPrintable(fail(QStringLiteral("rendered picture differs from the end"))));
#undef CHECK_EMPTY
}

QTEST_GUILESS_MAIN(HistoryRandomTest)
#include "tst_historyrandom.moc"
