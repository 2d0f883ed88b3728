// JPEG decoding and encoding of a 4000 x 3000 photo-like picture through our
// code, beside djpeg and cjpeg (libjpeg-turbo-progs) on the same files in the
// same run. The argument is the file's EXIF Orientation: 1 stands as stored,
// 6 is a phone's portrait photo, 3000 x 4000 once upright. Ratios:
// PasteOurs/N / DecodeDjpeg/N (a picture pasted from a file into a document,
// the way the window's Paste from file does it), DecodeOurs/N / DecodeDjpeg/N
// (the file alone), EncodeOurs / EncodeCjpeg. The tools run through
// std::system, so ProcessStart (std::system("true")) is measured too: it is
// part of their time but not of the work.
//
// Besides the wall time, every benchmark reports cpu_ms: the processor time
// per iteration of this process and its children together, which a busy
// machine disturbs far less than the wall time.

#include "FakePorts.h"
#include "JpegFixtures.h"

#include "document/DocumentState.h"
#include "imaging/JpegCodec.h"
#include "imaging/PictureFiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

using namespace zel;

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Smooth light and shade with edges and a fine grain, like a photograph.
QImage photo()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    quint32 state = 12345;
    for (int y = 0; y < kHeight; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            state = state * 1664525u + 1013904223u;
            const int grain = int(state >> 28) - 8;
            const double u = x / double(kWidth), v = y / double(kHeight);
            const bool inBox = ((x / 400) + (y / 300)) % 3 == 0;
            const int r = int(120 + 90 * std::sin(6.0 * u + 2.0 * v)) + grain + (inBox ? 30 : 0);
            const int g = int(110 + 80 * std::cos(4.0 * v - 3.0 * u)) + grain;
            const int b = int(100 + 70 * std::sin(9.0 * u * v + 1.0)) + grain - (inBox ? 20 : 0);
            line[x] = qRgb(qBound(0, r, 255), qBound(0, g, 255), qBound(0, b, 255));
        }
    }
    return image;
}

struct Fixture {
    QTemporaryDir dir;
    QImage picture = photo();
    QString jpegPath = dir.filePath(QStringLiteral("photo.jpg"));
    QString portraitPath = dir.filePath(QStringLiteral("portrait.jpg"));
    QString ppmPath = dir.filePath(QStringLiteral("photo.ppm"));

    Fixture()
    {
        if (!writePictureFile(jpegPath, picture, nullptr) || !picture.save(ppmPath, "PPM"))
            std::abort();
        QFile plain(jpegPath), portrait(portraitPath);
        if (!plain.open(QIODevice::ReadOnly) || !portrait.open(QIODevice::WriteOnly)
            || portrait.write(withOrientation(plain.readAll(), 6)) <= 0)
            std::abort();
    }
    const QString &file(benchmark::State &state) const
    {
        return state.range(0) == 6 ? portraitPath : jpegPath;
    }
    std::string path(const QString &name) const { return dir.filePath(name).toStdString(); }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

double cpuSeconds()
{
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                 + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

// Counts processor time over the benchmark's loop, children included, less
// the time between pause() and resume().
class CpuMeter
{
public:
    explicit CpuMeter(benchmark::State &state) : m_state(state), m_start(cpuSeconds()) {}
    ~CpuMeter()
    {
        if (m_state.iterations() > 0)
            m_state.counters["cpu_ms"] = 1000 * (cpuSeconds() - m_start - m_paused) / double(m_state.iterations());
    }
    void pause()
    {
        m_state.PauseTiming();
        m_pausedAt = cpuSeconds();
    }
    void resume()
    {
        m_paused += cpuSeconds() - m_pausedAt;
        m_state.ResumeTiming();
    }

private:
    benchmark::State &m_state;
    double m_start;
    double m_paused = 0;
    double m_pausedAt = 0;
};

void run(benchmark::State &state, const std::string &command)
{
    if (std::system(command.c_str()) != 0)
        state.SkipWithError(command.c_str());
}

void BM_ProcessStart(benchmark::State &state)
{
    CpuMeter meter(state);
    for (auto _ : state)
        run(state, "true");
}

void BM_DecodeOurs(benchmark::State &state)
{
    Fixture &f = fixture();
    CpuMeter meter(state);
    for (auto _ : state) {
        QString error;
        const Bitmap b = readPictureFile(f.file(state), {}, &error);
        if (b.isNull() || b.width() != (state.range(0) == 6 ? kHeight : kWidth))
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(b.image.constBits());
    }
}

// The file pasted into an empty document: read, decoded, turned upright,
// made a part and recorded for undo. Making and closing the document are
// left out.
void BM_PasteOurs(benchmark::State &state)
{
    Fixture &f = fixture();
    test::ScriptedDialogs dialogs;
    std::optional<DocumentState> document;
    CpuMeter meter(state);
    for (auto _ : state) {
        meter.pause();
        document.reset();
        document.emplace();
        meter.resume();
        if (!document->pictures().PastePictureFile(dialogs, f.file(state)))
            state.SkipWithError("paste failed");
    }
    if (document && document->scene().count() != 1)
        state.SkipWithError("no part pasted");
}

void BM_DecodeDjpeg(benchmark::State &state)
{
    Fixture &f = fixture();
    const std::string command = "djpeg -outfile /dev/null '" + f.file(state).toStdString() + "'";
    CpuMeter meter(state);
    for (auto _ : state)
        run(state, command);
}

void BM_EncodeOurs(benchmark::State &state)
{
    Fixture &f = fixture();
    const QString out = f.dir.filePath(QStringLiteral("ours.jpg"));
    CpuMeter meter(state);
    for (auto _ : state)
        if (!writePictureFile(out, f.picture, nullptr))
            state.SkipWithError("encode failed");
}

void BM_EncodeCjpeg(benchmark::State &state)
{
    Fixture &f = fixture();
    const std::string command = "cjpeg -quality 90 -baseline -outfile '" + f.path(QStringLiteral("cjpeg.jpg"))
                                + "' '" + f.path(QStringLiteral("photo.ppm")) + "'";
    CpuMeter meter(state);
    for (auto _ : state)
        run(state, command);
}

} // namespace

BENCHMARK(BM_ProcessStart)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PasteOurs)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeOurs)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeDjpeg)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeOurs)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeCjpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
