// The colour conversions on a 2048 x 2048 24-bit source beside a deep copy
// of the same image, and RenderScene of a 2048 x 2048 background with 64
// parts of 512 x 512 beside copying every source pixel once.
//
// Each benchmark times its baseline itself, interleaved with the work and in
// thread CPU time, so that the counter "ratio" (work time / baseline time)
// holds up on a busy machine. The targets: conversions within 3, RenderScene
// within 4. RenderSceneBands compares the threaded RenderScene with the
// single-threaded one in wall time.

#include "scene/Render.h"
#include "scene/Scene.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <ctime>
#include <string>

using namespace zel;

namespace {

// Thread CPU time: on a shared machine, time spent waiting for a core would
// otherwise land on whichever side happened to be running.
double cpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + 1e-9 * double(ts.tv_nsec);
}

// Noise with white patches, so that transparent parts skip some pixels.
QImage texture(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_BGR888);
    quint32 state = 2654435761u * (seed + 1);
    for (int y = 0; y < height; ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const bool white = ((x / 32 + y / 32 + seed) % 5) == 0;
            line[3 * x] = white ? 255 : uchar(state >> 24);
            line[3 * x + 1] = white ? 255 : uchar(state >> 16);
            line[3 * x + 2] = white ? 255 : uchar(x + y);
        }
    }
    return image;
}

const QImage &bigSource()
{
    static const QImage image = texture(2048, 2048, 1);
    return image;
}

double wallSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + 1e-9 * double(ts.tv_nsec);
}

// Runs work and baseline alternately, reports the work's time per iteration
// (CPU time of this thread, or wall time for work that uses other threads)
// and the ratio of the two totals.
template<typename Work, typename Baseline>
void measure(benchmark::State &state, Work work, Baseline baseline, double (*clock)() = cpuSeconds)
{
    double workTotal = 0;
    double baselineTotal = 0;
    bool baselineFirst = false;
    for (auto _ : state) {
        baselineFirst = !baselineFirst;
        const double t0 = clock();
        if (baselineFirst)
            baseline();
        else
            work();
        const double t1 = clock();
        if (baselineFirst)
            work();
        else
            baseline();
        const double t2 = clock();
        const double first = t1 - t0;
        const double second = t2 - t1;
        const double workTime = baselineFirst ? second : first;
        workTotal += workTime;
        baselineTotal += baselineFirst ? first : second;
        state.SetIterationTime(workTime);
    }
    const double n = double(state.iterations());
    state.counters["baseline_ms"] = benchmark::Counter(1000.0 * baselineTotal / n);
    state.counters["ratio"] = benchmark::Counter(workTotal / baselineTotal);
}

void copyBigSource()
{
    QImage copy = bigSource().copy();
    benchmark::DoNotOptimize(copy.constBits());
}

void BM_CopyImage(benchmark::State &state)
{
    for (auto _ : state)
        copyBigSource();
}

void BM_MakeMonochrome(benchmark::State &state)
{
    measure(
        state,
        [] {
            QImage dest;
            MakeMonochrome(dest, bigSource());
            benchmark::DoNotOptimize(dest.constBits());
        },
        copyBigSource);
}

void BM_MakeGrayscale(benchmark::State &state)
{
    measure(
        state,
        [] {
            QImage dest;
            MakeGrayscale(dest, bigSource());
            benchmark::DoNotOptimize(dest.constBits());
        },
        copyBigSource);
}

struct SceneFixture {
    UiState ui;
    Scene scene{ui};

    SceneFixture()
    {
        scene.setBackgroundSize(QSize(2048, 2048));
        scene.setBackgroundColour(0x00336699);
        for (int i = 0; i < 64; ++i) {
            const Bitmap source = Bitmap::fromImage(texture(512, 512, quint32(i)));
            // Spread over the background, some reaching past its edges.
            const int left = (i % 8) * 256 - 64 + (i * 37) % 97;
            const int top = (i / 8) * 256 - 64 + (i * 53) % 89;
            switch (i % 5) {
            case 0: scene.InsertPart(left, top, 512, 512, source, 0, 0, 1); break;  // transparent
            case 1: scene.InsertPart(left, top, 512, 512, source, 0, 0, 0); break;  // opaque
            case 2: scene.InsertPart(left, top, 512, 512, source, 1, 0, 1); break;  // monochrome
            case 3: scene.InsertPart(left, top, 512, 512, source, 0, 1, 0); break;  // grayscale
            default: scene.InsertPart(left, top, 700, 380, source, 0, 0, 1); break; // scaled
            }
        }
    }
};

SceneFixture &sceneFixture()
{
    static SceneFixture f;
    return f;
}

void copyEverySource()
{
    const Scene &scene = sceneFixture().scene;
    for (int i = 0; i < scene.count(); ++i) {
        QImage copy = scene.part(i).Source.image.copy();
        benchmark::DoNotOptimize(copy.constBits());
    }
}

void BM_CopyEverySource(benchmark::State &state)
{
    sceneFixture();
    for (auto _ : state)
        copyEverySource();
}

void BM_RenderScene(benchmark::State &state)
{
    const Scene &scene = sceneFixture().scene;
    // In one band: the CPU time of this thread is then all of the work.
    measure(
        state,
        [&] {
            QImage picture = RenderScene(scene, 1);
            benchmark::DoNotOptimize(picture.constBits());
        },
        copyEverySource);
}

// RenderScene as it runs (in bands on the worker threads) beside the same
// picture drawn in one band, in wall time: what the other cores bring.
void BM_RenderSceneBands(benchmark::State &state)
{
    const Scene &scene = sceneFixture().scene;
    state.SetLabel(std::to_string(renderBandsFor(scene.backgroundSize())) + " bands");
    measure(
        state,
        [&] {
            QImage picture = RenderScene(scene);
            benchmark::DoNotOptimize(picture.constBits());
        },
        [&] {
            QImage picture = RenderScene(scene, 1);
            benchmark::DoNotOptimize(picture.constBits());
        },
        wallSeconds);
}

// One part of each kind drawn onto the background, beside copying its
// source: where the time of RenderScene goes.
void BM_RenderPart(benchmark::State &state)
{
    static const char *const names[] = {"transparent", "opaque", "monochrome", "grayscale",
                                        "scaled"};
    const int kind = int(state.range(0));
    state.SetLabel(names[kind]);
    const QImage source = texture(512, 512, 3);
    QImage canvas(2048, 2048, QImage::Format_RGB32);
    canvas.fill(0xFF336699u);
    const QRect rect = kind == 4 ? QRect(100, 100, 700, 380) : QRect(100, 100, 512, 512);
    measure(
        state,
        [&] { RenderPart(canvas, rect, source, kind == 2, kind == 3, kind == 0 || kind >= 2); },
        [&] {
            QImage copy = source.copy();
            benchmark::DoNotOptimize(copy.constBits());
        });
}

} // namespace

BENCHMARK(BM_RenderPart)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond)->UseManualTime();
BENCHMARK(BM_CopyImage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MakeMonochrome)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_MakeGrayscale)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_CopyEverySource)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RenderScene)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_RenderSceneBands)->Unit(benchmark::kMillisecond)->UseManualTime();
