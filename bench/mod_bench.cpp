// A whole mod, offscreen: 200 plan files of 100 plans in ten folders, with
// the shipped catalogs at its top. The Mod panel's counts, Find in Files
// and a rename's preview over all of it.

#include "generate.h"
#include "modfiles.h"
#include "modpanel.h"
#include "modsearch.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QString& ModFolder() {
    static QTemporaryDir dir;
    static const bool written = [] {
        const QByteArray plan = QByteArray::fromStdString(GeneratePlanFile(100, 20));
        for (int f = 0; f < 200; ++f) {
            const QString folder = dir.filePath(QStringLiteral("faction%1").arg(f % 10));
            QDir().mkpath(folder);
            QFile file(QDir(folder).filePath(QStringLiteral("ai%1.zeq").arg(f)));
            file.open(QIODevice::WriteOnly);
            file.write(plan);
        }
        for (const char* name : {"Plans.dat", "Units.dat"})
            QFile::copy(QStringLiteral(ZEQ_DATA_DIR "/") + name, dir.filePath(name));
        return true;
    }();
    (void)written;
    static const QString path = dir.path();
    return path;
}

CModFiles& Mod() {
    static CModFiles mod(ModFolder(), {});
    static const bool listed = mod.Refresh();
    (void)listed;
    return mod;
}

// Open Folder until every file has its counts. `longest` is the longest the
// window's thread went without handling its events meanwhile: what the user
// would feel as a window that does not answer.
void BM_ModPanelCounts(benchmark::State& state) {
    qint64 longest = 0;
    for (auto _ : state) {
        CModPanel panel;
        QString error;
        if (!panel.Open(ModFolder(), {}, error)) state.SkipWithError("the mod did not open");
        QElapsedTimer gap;
        while (panel.Pending() > 0) {
            gap.start();
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            longest = std::max(longest, gap.elapsed());
        }
    }
    state.counters["longest_ms"] = double(longest);
    state.counters["files"] = double(Mod().Files().size());
}

void BM_FindInFiles(benchmark::State& state) {
    const QRegularExpression pattern = PatternOf({QStringLiteral("north_ridge"), false, false});
    qsizetype hits = 0;
    for (auto _ : state)
        for (const FileHits& file : FindInFiles(Mod(), pattern))
            hits = file.hits.size();
    state.counters["hits_per_file"] = double(hits);
}

void BM_RenamePreview(benchmark::State& state) {
    CUnitClassRename rename;
    std::string error;
    rename.Add("iu_bulwark", "va_bulwark", error);
    rename.Add("iu_forge", "va_forge", error);
    qsizetype changes = 0;
    for (auto _ : state) {
        changes = 0;
        for (const RenamePreview& file : PreviewRename(Mod(), rename))
            changes += qsizetype(file.uses.size());
    }
    state.counters["changes"] = double(changes);
}

} // namespace

BENCHMARK(BM_ModPanelCounts)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_FindInFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenamePreview)->Unit(benchmark::kMillisecond);
