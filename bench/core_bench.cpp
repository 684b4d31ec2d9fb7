// Parsing, loading, saving, colouring and definition files, at scale.

#include "filebuffer.h"
#include "filesave.h"
#include "generate.h"
#include "keptlayout.h"
#include "plandata.h"
#include "script.h"
#include "syntaxscan.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <ini.h>
#include <tuple>
#include <vector>

namespace {

const std::string& Text(std::size_t bytes) {
    static std::map<std::size_t, std::string> texts;
    auto it = texts.find(bytes);
    if (it == texts.end()) it = texts.emplace(bytes, GeneratePlanText(bytes)).first;
    return it->second;
}

void BM_ParseText(benchmark::State& state) {
    const std::string& text = Text(std::size_t(state.range(0)));
    for (auto _ : state) {
        CSectionFile file;
        benchmark::DoNotOptimize(file.ParseText(text));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}

// The peer: inih parsing the same bytes into (section, key, value) strings.
int Collect(void* user, const char* section, const char* name, const char* value) {
    static_cast<std::vector<std::tuple<std::string, std::string, std::string>>*>(user)
        ->emplace_back(section, name, value);
    return 1;
}

void BM_InihParse(benchmark::State& state) {
    const std::string& text = Text(std::size_t(state.range(0)));
    for (auto _ : state) {
        std::vector<std::tuple<std::string, std::string, std::string>> entries;
        benchmark::DoNotOptimize(ini_parse_string(text.c_str(), Collect, &entries));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}

std::string WritePlans(std::size_t plans) {
    const auto path =
        std::filesystem::temp_directory_path() / ("zeq-bench-" + std::to_string(plans) + ".zeq");
    if (!std::filesystem::exists(path))
        std::ofstream(path, std::ios::binary) << GeneratePlanFile(plans, plans / 8);
    return path.string();
}

void BM_LoadPlanFile(benchmark::State& state) {
    const std::string path = WritePlans(std::size_t(state.range(0)));
    for (auto _ : state) {
        CPlanData data;
        benchmark::DoNotOptimize(data.LoadPlanFile(path));
    }
    state.counters["plans"] = double(state.range(0));
}

void BM_SavePlanFile(benchmark::State& state) {
    CPlanData data;
    data.LoadPlanFile(WritePlans(std::size_t(state.range(0))));
    const auto out = std::filesystem::temp_directory_path() / "zeq-bench-save.zeq";
    for (auto _ : state)
        benchmark::DoNotOptimize(data.SavePlanFile(out.string()));
    state.counters["plans"] = double(state.range(0));
}

// The save that keeps the file's layout, one value changed since the last:
// against BM_SavePlanFile of the same size, which writes the canonical layout.
void BM_KeptSave(benchmark::State& state) {
    std::string text;
    CFileBuffer buffer;
    buffer.LoadFile(WritePlans(std::size_t(state.range(0))));
    CPlanData data;
    CKeptLayout kept;
    data.LoadText(buffer.View());
    kept.Map(buffer.Detach(), data.plans.InOrder());
    PlanEntry& changed = *data.plans.All()[data.plans.CountPlans() / 2];
    const auto out = std::filesystem::temp_directory_path() / "zeq-bench-save.zeq";
    std::string error;
    for (auto _ : state) {
        changed.priority = changed.priority % 16000 + 1;
        if (!kept.Write(data, text) || !SaveFileSafely(out.string(), text, error))
            state.SkipWithError("the kept layout was not written");
    }
    state.counters["plans"] = double(state.range(0));
}

void BM_OpenAndSave(benchmark::State& state) {
    const std::string path = WritePlans(std::size_t(state.range(0)));
    const auto out = std::filesystem::temp_directory_path() / "zeq-bench-save.zeq";
    for (auto _ : state) {
        CPlanData data;
        data.LoadPlanFile(path);
        benchmark::DoNotOptimize(data.SavePlanFile(out.string()));
    }
    state.counters["plans"] = double(state.range(0));
}

void BM_ScanColours(benchmark::State& state) {
    const std::string& text = Text(1 << 20);
    for (auto _ : state)
        benchmark::DoNotOptimize(ScanColours(text));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}

void BM_ScriptLoad(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() / "zeq-bench-units.dat";
    const std::string text = GenerateUnitScript(1 << 20);
    std::ofstream(path, std::ios::binary) << text;
    for (auto _ : state) {
        CScript script;
        benchmark::DoNotOptimize(script.Load(path.string()));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}

} // namespace

BENCHMARK(BM_ParseText)->Arg(50 << 10)->Arg(10 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InihParse)->Arg(50 << 10)->Arg(10 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPlanFile)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SavePlanFile)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeptSave)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndSave)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanColours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScriptLoad)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
