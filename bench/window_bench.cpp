// Rebuilding the plan list and the match tree of a large document, offscreen.

#include "generate.h"
#include "leftview.h"
#include "mainframe.h"
#include "rightview.h"
#include "zeqeditorapp.h"
#include "zeqeditordoc.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// One application with a document of 20,000 plans and 5,000 matches.
CZeqEditorApp& App() {
    static QTemporaryDir dir;
    static CZeqEditorApp* app = [] {
        auto* a = new CZeqEditorApp;
        const QString path = dir.filePath("large.zeq");
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray::fromStdString(GeneratePlanFile(20000, 5000)));
        file.close();
        a->InitInstance({path, dir.filePath("settings.cfg")});
        return a;
    }();
    return *app;
}

void BM_PlanListRebuild(benchmark::State& state) {
    CRightView* list = App().MainFrame()->GetRightPane();
    for (auto _ : state)
        list->Rebuild();
    state.counters["rows"] = list->RowCount();
}

void BM_MatchTreeRebuild(benchmark::State& state) {
    CLeftView* tree = App().MainFrame()->GetLeftPane();
    for (auto _ : state)
        tree->Rebuild();
    state.counters["groups"] = tree->topLevelItemCount();
}

} // namespace

BENCHMARK(BM_PlanListRebuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchTreeRebuild)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
