// zeq diff: what changed between two plan files, in the documents' own terms.

#include "commands.h"

#include "jsonwriter.h"
#include "keptlayout.h"
#include "plandiff.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// Colour on a terminal that takes it, unless NO_COLOR is set.
bool UseColour(Colour colour) {
    if (colour != Colour::Auto) return colour == Colour::Always;
    const char* noColour = std::getenv("NO_COLOR");
    if (noColour && *noColour) return false;
#if defined(_WIN32)
    if (!_isatty(_fileno(stdout))) return false;
    HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    return GetConsoleMode(console, &mode) &&
           SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
#else
    const char* term = std::getenv("TERM");
    return isatty(fileno(stdout)) && !(term && std::strcmp(term, "dumb") == 0);
#endif
}

const char* Name(PlanChange::Group group) {
    switch (group) {
    case PlanChange::Group::Start:
        return "start";
    case PlanChange::Group::Cheat:
        return "cheat";
    case PlanChange::Group::Matches:
        return "matches";
    case PlanChange::Group::Plans:
        return "plans";
    case PlanChange::Group::Text:
        return "text";
    }
    return "";
}

const char* Name(PlanChange::Kind kind) {
    switch (kind) {
    case PlanChange::Kind::Changed:
        return "changed";
    case PlanChange::Kind::Added:
        return "added";
    case PlanChange::Kind::Removed:
        return "removed";
    }
    return "";
}

std::string Json(const std::string& oldFile, const std::string& newFile, const CPlanDiff& diff) {
    JsonWriter json;
    json.BeginObject().Key("old").String(oldFile).Key("new").String(newFile);
    json.Key("same").Bool(diff.Changes().empty()).Key("changes").BeginArray();
    for (const PlanChange& c : diff.Changes()) {
        json.BeginObject();
        json.Key("group").String(Name(c.group)).Key("kind").String(Name(c.kind));
        json.Key("record").String(c.record).Key("field").String(c.field);
        json.Key("old").String(c.before).Key("new").String(c.after);
        json.Key("oldSection").String(c.sectionBefore).Key("newSection").String(c.sectionAfter);
        json.Key("line").Number(c.line).EndObject();
    }
    json.EndArray().EndObject();
    return json.Text() + "\n";
}

} // namespace

int RunDiff(const std::string& oldFile, const std::string& newFile, bool json, bool all,
            Colour colour) {
    CPlanData a, b;
    CKeptLayout keptA, keptB;
    if (!LoadKept(oldFile, a, keptA) || !LoadKept(newFile, b, keptB)) return 2;
    CPlanDiff diff;
    diff.Compare(a, b, &keptA, &keptB, all);
    if (json) {
        WriteOut(Json(oldFile, newFile, diff));
    } else {
        ChangeMarks marks;
        if (UseColour(colour)) marks = {"\x1b[1m", "\x1b[31m", "\x1b[32m", "\x1b[0m"};
        WriteOut(diff.Text(marks));
    }
    return diff.Changes().empty() ? 0 : 1;
}
