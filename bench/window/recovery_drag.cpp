// Dragging a part of the large workload document (64 parts of 512 x 512 at
// 24 bits, 48 MB, on a 2048 x 2048 background) in the window, with a
// recovery copy of the whole document being written on the copy's own
// thread (started just before the drag), beside the same drag with copies
// off. A step is a mouse move on the canvas and the repaint it causes, on an
// offscreen QApplication. Each iteration is one drag; the counters give the
// median and the longest step over all drags (with copies on, of the steps
// taken while the copy was being written), and how long a copy took.
//
// usage: QT_QPA_PLATFORM=offscreen bench_recovery_drag [benchmark options]
//   ZELVANE_BENCH_DIR=DIR  put the document and the copies there (default:
//                          a new folder in the system's temporary folder)
// The goal: copies on are at most 1 ms slower at the median, and no step
// takes more than 16 ms.

#include "app/Canvas.h"
#include "app/EditorView.h"
#include "app/MainWindow.h"
#include "document/BmhDocument.h"
#include "document/RecoveryCopy.h"
#include "document/RecoveryStore.h"
#include "scene/Scene.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace {

// At least this many steps a drag; with copies on, a drag goes on until its
// copy is written, and only the steps taken meanwhile are counted.
constexpr int kSteps = 300;

QString g_folder;
QString g_document;

// The workload: a grid of 8 x 8 with a step of 230 pixels, each part a
// gradient with noise of its own; the even ones transparent with a white
// disc of radius 160 in the middle, the odd ones opaque.
zel::DocumentContents workload()
{
    zel::DocumentContents contents;
    contents.header.frameWidth = 2048 + zel::Scene::kFrameExtra;
    contents.header.frameHeight = 2048 + zel::Scene::kFrameExtra;
    contents.header.background = zel::kWhite;
    contents.header.transparentMode = 1;
    std::mt19937 noise(1);
    for (int k = 63; k >= 0; --k) { // index 0 is the top part, the file's last
        QImage image(512, 512, QImage::Format_BGR888);
        for (int y = 0; y < 512; ++y) {
            uchar *row = image.scanLine(y);
            for (int x = 0; x < 512; ++x) {
                const bool disc = k % 2 == 0 && (x - 256) * (x - 256) + (y - 256) * (y - 256) <= 160 * 160;
                const int n = int(noise() % 64) - 32;
                for (int c = 0; c < 3; ++c)
                    row[3 * x + c] = disc ? 255 : uchar(std::clamp((k * (37 + 34 * c) + y / 3 + x / 5) % 200 + 20 + n, 0, 255));
            }
        }
        zel::DocumentPart part;
        part.bounds = QRect((k % 8) * 230, (k / 8) * 230, 512, 512);
        part.source = zel::Bitmap{image, 24};
        part.transparent = k % 2 == 0 ? 1 : 0;
        contents.parts.push_back(std::move(part));
    }
    contents.header.partCount = qint32(contents.parts.size());
    return contents;
}

void send(QWidget *widget, QEvent::Type type, const QPoint &at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, {});
    QCoreApplication::sendEvent(widget, &event);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

void BM_Drag(benchmark::State &state, bool copies)
{
    std::unique_ptr<zel::RecoveryStore> store;
    zel::WindowPorts ports;
    if (copies) {
        store = std::make_unique<zel::RecoveryStore>(g_folder + QStringLiteral("/state"));
        ports.recovery = store.get();
    }
    zel::MainWindow window(ports);
    window.show();
    window.openAtStart(g_document);
    if (window.scene().count() != 64) {
        state.SkipWithError("the workload document did not open");
        return;
    }
    zel::RecoveryCopy *copy = window.recoveryCopy();
    QElapsedTimer writing;
    std::vector<double> writeMs;
    bool written = true;
    if (copy) {
        copy->setDelay(24 * 3600 * 1000); // only the writes asked for here
        QObject::connect(copy, &zel::RecoveryCopy::copyWritten, [&](bool) {
            writeMs.push_back(double(writing.nsecsElapsed()) / 1e6);
            written = true;
        });
    }
    zel::Canvas *canvas = window.canvas();
    const QRect part = window.scene().part(0).Image->bounds();
    window.editorView()->ensureVisible(part);
    QCoreApplication::processEvents();
    const QRect shown = canvas->canvasRectOf(part) & canvas->rect();

    std::vector<double> steps;
    for (auto _ : state) {
        QPoint at = shown.center();
        send(canvas, QEvent::MouseButtonPress, at, Qt::LeftButton);
        QCoreApplication::processEvents();
        if (copy) {
            written = false;
            writing.start();
            copy->writeNow();
        }
        QElapsedTimer drag;
        drag.start();
        QElapsedTimer step;
        for (int i = 0; i < kSteps || !written; ++i) {
            at += (i / 40) % 2 == 0 ? QPoint(1, 1) : QPoint(-1, -1);
            const bool during = !written;
            step.start();
            send(canvas, QEvent::MouseMove, at, Qt::LeftButton);
            QCoreApplication::processEvents(); // the repaint the move asked for
            // The first steps begin the drag (past the threshold): left out.
            if (i >= 8 && (!copy || during))
                steps.push_back(double(step.nsecsElapsed()) / 1e6);
        }
        state.SetIterationTime(double(drag.nsecsElapsed()) / 1e9);
        send(canvas, QEvent::MouseButtonRelease, at, Qt::NoButton);
        if (copy) {
            copy->waitForWriter();
            QCoreApplication::processEvents(); // the copy's report
        }
    }
    state.counters["median_ms"] = median(steps);
    state.counters["max_ms"] = steps.empty() ? 0.0 : *std::max_element(steps.begin(), steps.end());
    state.counters["steps"] = double(steps.size());
    if (copy) {
        state.counters["copy_ms"] = median(writeMs);
        state.counters["copy_MB"] = double(QFile(store->copyPath()).size()) / 1e6;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    std::unique_ptr<QTemporaryDir> temporary;
    g_folder = qEnvironmentVariable("ZELVANE_BENCH_DIR");
    if (g_folder.isEmpty()) {
        temporary = std::make_unique<QTemporaryDir>();
        g_folder = temporary->path();
    }
    g_document = g_folder + QStringLiteral("/workload.BMH");
    {
        QFile file(g_document);
        if (!file.open(QIODevice::WriteOnly) || !zel::WriteDocument(file, workload())) {
            std::fprintf(stderr, "bench_recovery_drag: cannot write %s\n", qPrintable(g_document));
            return 1;
        }
    }
    std::printf("document and copies in %s\n", qPrintable(g_folder));
    benchmark::RegisterBenchmark("drag/copies_off", BM_Drag, false)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
    benchmark::RegisterBenchmark("drag/copies_on", BM_Drag, true)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
