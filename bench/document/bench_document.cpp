// Writing and reading a document of 50 parts of 1024 x 1024 24-bit sources,
// beside copying a file of the same size through user space (read 1 MiB,
// write 1 MiB) in the same run. The figure that counts is
// WriteThenRead / CopyFileSynced: both read and write every byte once and
// wait for the new file to reach the disk (QSaveFile syncs before renaming).
// ReadDocument includes painting the 50 display images of the scene;
// ReadDocumentContents is the file alone.

#include "document/BmhDocument.h"
#include "document/DocumentFile.h"
#include "scene/Scene.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

#include <unistd.h>

using namespace zel;

namespace {

constexpr int kParts = 50;
constexpr int kSide = 1024;

// A 24-bit source with some texture, different for every part.
Bitmap source(int seed)
{
    QImage image(kSide, kSide, QImage::Format_BGR888);
    quint32 state = 2654435761u * quint32(seed + 1);
    for (int y = 0; y < kSide; ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < kSide * 3; ++x) {
            state = state * 1664525u + 1013904223u;
            line[x] = uchar(((x / 3 + y + seed * 17) & 0xFF) ^ (state >> 28));
        }
    }
    return Bitmap{image, 24};
}

struct Fixture {
    QTemporaryDir dir;
    UiState ui;
    Scene scene{ui};
    QString documentPath;
    qint64 documentSize = 0;

    Fixture()
    {
        scene.setBackgroundSize(QSize(2048, 2048));
        for (int i = 0; i < kParts; ++i)
            scene.InsertPart((i * 37) % 1024, (i * 53) % 1024, kSide, kSide, source(i), 0, 0, 1);
        documentPath = dir.filePath(QStringLiteral("fixture.BMH"));
        if (saveDocumentFile(documentPath, scene) != SaveError::None)
            std::abort();
        documentSize = QFileInfo(documentPath).size();
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void copyFile(const QString &from, const QString &to, bool synced)
{
    QFile in(from);
    QFile out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n <= 0)
            break;
        if (out.write(buffer.constData(), n) != n)
            std::abort();
    }
    if (synced && (!out.flush() || ::fdatasync(out.handle()) != 0))
        std::abort();
}

void BM_CopyFile(benchmark::State &state)
{
    Fixture &f = fixture();
    const QString copy = f.dir.filePath(QStringLiteral("copy.bin"));
    for (auto _ : state)
        copyFile(f.documentPath, copy, false);
    state.SetBytesProcessed(state.iterations() * f.documentSize);
}

// The same, made durable as a saved document is: QSaveFile syncs the new
// file to disk before it replaces the old one.
void BM_CopyFileSynced(benchmark::State &state)
{
    Fixture &f = fixture();
    const QString copy = f.dir.filePath(QStringLiteral("copy.bin"));
    for (auto _ : state)
        copyFile(f.documentPath, copy, true);
    state.SetBytesProcessed(state.iterations() * f.documentSize);
}

void BM_WriteDocument(benchmark::State &state)
{
    Fixture &f = fixture();
    const QString path = f.dir.filePath(QStringLiteral("written.BMH"));
    for (auto _ : state)
        if (saveDocumentFile(path, f.scene) != SaveError::None)
            state.SkipWithError("save failed");
    state.SetBytesProcessed(state.iterations() * f.documentSize);
}

// Reading into a scene: parsing, plus the display images the scene paints.
void BM_ReadDocument(benchmark::State &state)
{
    Fixture &f = fixture();
    for (auto _ : state) {
        UiState ui;
        Scene scene(ui);
        if (openDocumentFile(f.documentPath, scene) != OpenError::None)
            state.SkipWithError("open failed");
        benchmark::DoNotOptimize(scene.count());
    }
    state.SetBytesProcessed(state.iterations() * f.documentSize);
}

// Parsing alone: the file into parts in memory.
void BM_ReadDocumentContents(benchmark::State &state)
{
    Fixture &f = fixture();
    for (auto _ : state) {
        QFile file(f.documentPath);
        file.open(QIODevice::ReadOnly);
        DocumentContents contents;
        if (!readDocumentContents(file, contents))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(contents.parts.size());
    }
    state.SetBytesProcessed(state.iterations() * f.documentSize);
}

void BM_WriteThenRead(benchmark::State &state)
{
    Fixture &f = fixture();
    const QString path = f.dir.filePath(QStringLiteral("roundtrip.BMH"));
    for (auto _ : state) {
        if (saveDocumentFile(path, f.scene) != SaveError::None)
            state.SkipWithError("save failed");
        UiState ui;
        Scene scene(ui);
        if (openDocumentFile(path, scene) != OpenError::None)
            state.SkipWithError("open failed");
    }
    state.SetBytesProcessed(state.iterations() * f.documentSize);
}

// The file alone both ways: saving, then parsing without a scene.
void BM_WriteThenReadContents(benchmark::State &state)
{
    Fixture &f = fixture();
    const QString path = f.dir.filePath(QStringLiteral("roundtrip.BMH"));
    for (auto _ : state) {
        if (saveDocumentFile(path, f.scene) != SaveError::None)
            state.SkipWithError("save failed");
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        DocumentContents contents;
        if (!readDocumentContents(file, contents))
            state.SkipWithError("read failed");
    }
    state.SetBytesProcessed(state.iterations() * f.documentSize);
}

} // namespace

BENCHMARK(BM_CopyFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyFileSynced)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteDocument)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadDocumentContents)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadDocument)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteThenRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteThenReadContents)->Unit(benchmark::kMillisecond)->UseRealTime();
