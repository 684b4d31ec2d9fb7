#include "commands.h"

#include "catalogs.h"
#include "filebuffer.h"
#include "filepath.h"
#include "filesave.h"
#include "jsonwriter.h"
#include "keptlayout.h"
#include "plandata.h"
#include "planfilereport.h"
#include "planmanager.h"
#include "script.h"
#include "sectionfile.h"
#include "unitlist.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void Report(std::FILE* stream, const std::string& file, int line, const char* severity,
            std::string_view message) {
    // Line 0 is the whole file, which has no line to point at.
    std::string text = file;
    if (line > 0) text.append(":").append(std::to_string(line));
    text.append(": ").append(severity).append(": ").append(message).append("\n");
    if (stream == stdout)
        WriteOut(text);
    else
        std::fputs(text.c_str(), stream);
}

void SayIfBackedUp(const std::string& file) {
    for (const std::string& copy : LeftoverBackups(file))
        std::fprintf(stderr,
                     "zeq: note: a save of %s was interrupted; the file as it was before is kept "
                     "in %s ('zeq backup %s' lists, restores and deletes such copies)\n",
                     file.c_str(), copy.c_str(), file.c_str());
}

namespace {

// The first error met while writing standard output (0 while there is none).
int g_outputError = 0;

// Says on standard error that a definition file cannot be read; what the
// command prints on standard output does not change.
void SayIfUnreadable(const std::string& file) {
    CFileBuffer buffer;
    if (!file.empty() && !buffer.LoadFile(file))
        std::fprintf(stderr, "zeq: cannot read %s: %s\n", file.c_str(), buffer.LastError().c_str());
}

// Reads a plan file's bytes; reports the failure on stderr. With `dropMark`,
// a UTF-8 byte-order mark at the start is left out of `text` (and said so),
// as zeq fmt leaves it out.
bool ReadFile(const std::string& file, CFileBuffer& buffer, std::string_view& text,
              bool dropMark = false) {
    SayIfBackedUp(file);
    if (!buffer.LoadFile(file)) {
        Report(stderr, file, 0, "error", buffer.LastError());
        return false;
    }
    text = buffer.View();
    if (dropMark && text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
        std::fprintf(stderr,
                     "zeq: note: %s starts with a UTF-8 byte-order mark, which hides its "
                     "first line from the game; it is left out\n",
                     file.c_str());
    }
    return true;
}

// Loads a plan file as File Open does, with the report on it when asked for;
// reports the failure on stderr.
bool LoadModel(const std::string& file, CPlanData& data, CPlanFileReport* report = nullptr) {
    CFileBuffer buffer;
    std::string_view text;
    if (!ReadFile(file, buffer, text)) return false;
    Diagnostic error{0, {}};
    if (data.LoadText(text, &error, report)) return true;
    Report(stderr, file, error.line, "error", error.message);
    return false;
}

// One finding as 'zeq check' prints it.
void ReportFinding(std::FILE* stream, const std::string& file, const Finding& finding) {
    const bool error = finding.IsError();
    Report(stream, file, finding.line, error ? "error" : "warning", finding.message);
}

void WriteStart(JsonWriter& json, const StartSection& start) {
    json.Key("start").BeginObject();
    json.Key("scrapCount").Number(start.scrapCount);
    json.Key("consClass").String(start.consClass);
    json.Key("scavClass").String(start.scavClass);
    json.Key("moneyAmount").Number(start.moneyAmount);
    json.Key("moneyDelay").Number(start.moneyDelay);
    json.EndObject();
}

void WriteMatches(JsonWriter& json, const MatchList& matches) {
    json.Key("matches").BeginArray();
    for (const auto& match : matches.All()) {
        json.BeginObject().Key("target").String(match->unitClass);
        json.Key("attackers").BeginArray();
        for (const MatchAttacker& attacker : match->attackers)
            json.String(attacker.unitClass);
        json.EndArray().EndObject();
    }
    json.EndArray();
}

void WritePlans(JsonWriter& json, const PlanList& plans) {
    json.Key("plans").BeginArray();
    for (const auto& plan : plans.All()) {
        json.BeginObject();
        json.Key("planType").String(plan->planType);
        json.Key("priority").Number(plan->priority);
        json.Key("flags").Number(plan->flags);
        json.Key("condition").BeginObject();
        json.Key("kind").String(plan->condition.kind);
        json.Key("unitClass").String(plan->condition.unitClass);
        json.Key("count").Number(plan->condition.count);
        json.EndObject();
        json.Key("parameters").BeginArray();
        for (const PlanParameter& p : plan->parameters)
            json.BeginArray().String(p.key).String(p.value).EndArray();
        json.EndArray().EndObject();
    }
    json.EndArray();
}

void WriteScriptNodes(JsonWriter& json, const CScript::NodeList& nodes) {
    json.BeginArray();
    for (const auto& node : nodes) {
        json.BeginObject().Key("name").String(node->name);
        json.Key("params").BeginArray();
        for (const std::string& p : node->parameters)
            json.String(p);
        json.EndArray();
        json.Key("properties").BeginArray();
        for (const ScriptProperty& p : node->properties)
            json.BeginArray().String(p.name).String(p.value).EndArray();
        json.EndArray();
        json.Key("children");
        WriteScriptNodes(json, node->children);
        json.EndObject();
    }
    json.EndArray();
}

void WriteGroups(JsonWriter& json, const std::vector<std::unique_ptr<UnitGroup>>& groups) {
    json.BeginArray();
    for (const auto& group : groups) {
        json.BeginObject().Key("name").String(group->name);
        json.Key("groups");
        WriteGroups(json, group->subGroups);
        json.Key("units").BeginArray();
        for (const auto& unit : group->units)
            json.BeginObject()
                .Key("displayName")
                .String(unit->displayName)
                .Key("unitClass")
                .String(unit->unitClass)
                .EndObject();
        json.EndArray().EndObject();
    }
    json.EndArray();
}

} // namespace

void ReportError(const std::string& file, int line, const std::string& message) {
    Report(stderr, file, line, "error", message);
}

void WriteOut(std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() && !g_outputError)
        g_outputError = errno ? errno : EIO;
}

int FinishOutput(int exitCode) {
    if (std::fflush(stdout) != 0 && !g_outputError) g_outputError = errno ? errno : EIO;
    if (!g_outputError && !std::ferror(stdout)) return exitCode;
    std::fprintf(stderr, "zeq: cannot write output: %s\n",
                 std::strerror(g_outputError ? g_outputError : EIO));
    return 1;
}

int RunFmt(const std::string& file, const std::string& out, bool force, bool quiet) {
    CPlanFileReport report(nullptr, nullptr, CPlanFileReport::Mode::Tidy);
    bool losesAnything = false;
    // The findings are told, and let go, before the text written grows.
    const auto tell = [&] {
        for (const Finding& finding : report.Findings())
            if (finding.kind != FindingKind::Warning && !quiet)
                ReportFinding(stderr, file, finding);
        losesAnything = report.LosesAnything();
        report.Clear();
#if defined(__GLIBC__)
        malloc_trim(0); // and what the read freed is given back
#endif
    };
    std::string saved;
    {
        CFileBuffer buffer;
        std::string_view text;
        if (!ReadFile(file, buffer, text, true)) return 1;
        Diagnostic error{0, {}};
        if (!FormatPlanText(text, saved, &error, &report, tell)) {
            Report(stderr, file, error.line, "error", error.message);
            return 1;
        }
    }
    if (out.empty()) {
        WriteOut(saved);
        return 0;
    }
    std::error_code ec;
    if (losesAnything && !force &&
        std::filesystem::equivalent(PathFromUtf8(file), PathFromUtf8(out), ec)) {
        std::fprintf(stderr,
                     "zeq: %s was not written: the canonical layout drops what is listed above; "
                     "give --force to write it all the same\n",
                     out.c_str());
        return 1;
    }
    std::string error;
    if (SaveFileSafely(out, saved, error)) return 0;
    std::fprintf(stderr, "%s: error: %s\n", out.c_str(), error.c_str());
    return 1;
}

bool ReadPlanText(const std::string& file, std::string& text) {
    SayIfBackedUp(file);
    CFileBuffer buffer;
    Diagnostic error{0, {}};
    if (!buffer.LoadFile(file)) {
        error.message = buffer.LastError();
    } else if (const std::size_t nul = buffer.View().find('\0'); nul != std::string_view::npos) {
        error.line = 1 + int(std::count(buffer.View().begin(), buffer.View().begin() + nul, '\n'));
        error.message = "this is not a plan file: it holds binary data (a NUL byte)";
    } else {
        text = buffer.Detach();
        return true;
    }
    Report(stderr, file, error.line, "error", error.message);
    return false;
}

bool ReadKeptText(const std::string& file, std::string& text) {
    text.clear();
    // git passes "/dev/null" on every system, Windows included.
    if (file == "/dev/null") return true;
#if defined(_WIN32)
    if (NamesEqual(file, "nul")) return true;
#endif
    return ReadPlanText(file, text);
}

bool LoadKept(const std::string& file, std::string& text, CPlanData& data, CKeptLayout& kept) {
    data.Clear();
    kept.Clear();
    if (text.empty()) return true; // the null device: a read file is never empty
    Diagnostic error{0, {}};
    if (kept.Load(text, data, nullptr, &error)) return true;
    Report(stderr, file, error.line, "error", error.message);
    return false;
}

bool LoadKept(const std::string& file, CPlanData& data, CKeptLayout& kept) {
    std::string text;
    return ReadKeptText(file, text) && LoadKept(file, text, data, kept);
}

int RunBackup(const std::string& file, const std::string& restore, bool remove) {
    const std::vector<std::string> copies = LeftoverBackups(file);
    if (restore.empty() && !remove) {
        for (const std::string& copy : copies)
            WriteOut(copy + "\n");
        return 0;
    }
    if (remove) {
        int status = 0;
        for (const std::string& copy : copies)
            if (!RemoveBackup(copy)) {
                std::fprintf(stderr, "zeq: cannot delete %s\n", copy.c_str());
                status = 1;
            }
        return status;
    }
    const bool digits =
        std::all_of(restore.begin(), restore.end(), [](char c) { return c >= '0' && c <= '9'; });
    const std::size_t n = digits && restore.size() < 4 ? std::stoul(restore) : 0;
    if (n < 1 || n > copies.size()) {
        std::fprintf(stderr, "zeq: %s has no copy %s left by an interrupted save (it has %zu)\n",
                     file.c_str(), restore.c_str(), copies.size());
        return 1;
    }
    std::string error;
    if (!RestoreBackup(file, copies[n - 1], error)) {
        std::fprintf(stderr, "%s: error: %s\n", file.c_str(), error.c_str());
        return 1;
    }
    std::fprintf(stderr, "zeq: %s is restored from %s\n", file.c_str(), copies[n - 1].c_str());
    return 0;
}

int RunDump(const std::string& file) {
    CPlanData data;
    if (!LoadModel(file, data)) return 1;
    JsonWriter json;
    json.BeginObject();
    WriteStart(json, data.start);
    WriteMatches(json, data.matches);
    WritePlans(json, data.plans);
    json.EndObject();
    WriteOut(json.Text() + "\n");
    return 0;
}

int RunScript(const std::string& file) {
    SayIfUnreadable(file);
    CScript script;
    const bool ok = script.Load(file);
    JsonWriter json;
    json.BeginObject();
    json.Key("ok").Bool(ok);
    json.Key("error").Number(script.ErrorCode());
    json.Key("line").Number(script.LastError().line);
    json.Key("nodes");
    WriteScriptNodes(json, script.Nodes());
    json.EndObject();
    WriteOut(json.Text() + "\n");
    return 0;
}

int RunCatalog(const std::string& plansFile, const std::string& unitsFile) {
    SayIfUnreadable(plansFile);
    SayIfUnreadable(unitsFile);
    CPlanManager plans;
    CUnitList units;
    const bool plansLoaded = !plansFile.empty() && plans.LoadPlanTypes(plansFile);
    const bool unitsLoaded = !unitsFile.empty() && units.LoadUnits(unitsFile);

    JsonWriter json;
    json.BeginObject();
    json.Key("plansLoaded").Bool(plansLoaded);
    json.Key("iconImage32").String(plans.iconImage32);
    json.Key("iconImage16").String(plans.iconImage16);
    json.Key("transparent32").Number(plans.transparent32);
    json.Key("transparent16").Number(plans.transparent16);
    json.Key("types").BeginArray();
    for (const auto& type : plans.All()) {
        json.BeginObject().Key("name").String(type->name);
        json.Key("flags").Number(type->flags);
        json.Key("iconIndex").Number(type->iconIndex);
        json.Key("params").BeginArray();
        for (const PlanParamDef& def : type->params)
            json.BeginObject()
                .Key("name")
                .String(def.name)
                .Key("kind")
                .Number(def.kind)
                .EndObject();
        json.EndArray().EndObject();
    }
    json.EndArray();
    json.Key("unitsLoaded").Bool(unitsLoaded);
    json.Key("groups");
    WriteGroups(json, units.All());
    json.EndObject();
    WriteOut(json.Text() + "\n");
    return 0;
}

int RunFmtCheck(const std::vector<std::string>& files) {
    int status = 0;
    for (const std::string& file : files) {
        CFileBuffer buffer;
        std::string_view text;
        std::string saved;
        Diagnostic error{0, {}};
        if (!ReadFile(file, buffer, text)) {
            status = 2;
        } else if (!FormatPlanText(text, saved, &error)) {
            Report(stderr, file, error.line, "error", error.message);
            status = 2;
        } else if (saved != text) {
            WriteOut(file + "\n");
            status = std::max(status, 1);
        }
    }
    return status;
}
