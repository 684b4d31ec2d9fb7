// The window layer on large documents, offscreen: the plan list and the match
// tree rebuilt, the source editor opened and typed in.

#include "generate.h"
#include "leftview.h"
#include "mainframe.h"
#include "rightview.h"
#include "sourceeditordlg.h"
#include "syntaxedit.h"
#include "zeqeditorapp.h"
#include "zeqeditordoc.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextBlock>
#include <benchmark/benchmark.h>
#include <chrono>
#include <sys/resource.h>

#include <cstdio>
#include <string_view>

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
        CSourceEditorDlg warmUp(a->Context(), "[Plan1]\r\n"); // the font database, once
        warmUp.show();
        QApplication::processEvents();
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

QString SourceText(std::size_t plans) {
    CPlanData data;
    data.LoadText(GeneratePlanFile(plans, 0));
    return QString::fromLatin1(QByteArray::fromStdString(data.Text()));
}

// Opening the source editor on a document of 10,000 or 40,000 plans: the
// window up with its first screen drawn and coloured, ready to read.
void BM_SourceEditorOpen(benchmark::State& state) {
    const QString text = SourceText(std::size_t(state.range(0)));
    for (auto _ : state) {
        CSourceEditorDlg dialog(App().Context(), text);
        dialog.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(dialog.Editor()->document()->blockCount());
    }
    state.counters["MB"] = double(text.size()) / 1e6;
}

// The same until the whole text is in and the window takes typing.
void BM_SourceEditorLoaded(benchmark::State& state) {
    const QString text = SourceText(std::size_t(state.range(0)));
    for (auto _ : state) {
        CSourceEditorDlg dialog(App().Context(), text);
        dialog.show();
        while (dialog.IsLoading())
            QApplication::processEvents();
        benchmark::DoNotOptimize(dialog.Editor()->document()->blockCount());
    }
}

// One keystroke in the middle of the 40,000 plans, laid out and coloured: a
// letter that offers completion, and the '[' that starts a header (which
// looks for a free plan number in the whole text).
void BM_SourceEditorKeystroke(benchmark::State& state) {
    const QString text = SourceText(40000);
    CSourceEditorDlg dialog(App().Context(), text);
    dialog.show();
    while (dialog.IsLoading())
        QApplication::processEvents();
    CSyntaxEdit* edit = dialog.Editor();
    edit->setTextCursor(QTextCursor(edit->document()->findBlockByNumber(edit->blockCount() / 2)));
    const auto key = Qt::Key(state.range(0));
    const QString typed = key == Qt::Key_BracketLeft ? QStringLiteral("[") : QStringLiteral("p");
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, typed);
        QApplication::sendEvent(edit, &press);
        QApplication::processEvents();
        QKeyEvent erase(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
        QApplication::sendEvent(edit, &erase);
        QApplication::processEvents();
    }
}

} // namespace

BENCHMARK(BM_SourceEditorKeystroke)
    ->Arg(Qt::Key_P)
    ->Arg(Qt::Key_BracketLeft)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SourceEditorOpen)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SourceEditorLoaded)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlanListRebuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchTreeRebuild)->Unit(benchmark::kMillisecond);

// --memory FILE: the editor started on FILE (window, panes, report) and the
// document saved under another name; prints the process's peak resident
// kilobytes, for bench/run.sh to set against the same run on a small file,
// the seconds from the start until the window was shown with both panes
// and the Issues panel filled, and the peak at that point, before the save.
int MeasureMemory(const QString& file) {
    QTemporaryDir dir;
    double shown = 0;
    rusage opened{};
    {
        const auto start = std::chrono::steady_clock::now();
        CZeqEditorApp app;
        if (!app.InitInstance({file, dir.filePath("settings.cfg")})) return 1;
        QApplication::processEvents();
        shown = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        getrusage(RUSAGE_SELF, &opened);
        if (!app.Document()->OnSaveDocument(dir.filePath("saved.zeq"), nullptr)) return 1;
        QApplication::processEvents();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%ld %.3f %ld\n", usage.ru_maxrss, shown, opened.ru_maxrss);
    return 0;
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc == 3 && std::string_view(argv[1]) == "--memory")
        return MeasureMemory(QString::fromLocal8Bit(argv[2]));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
