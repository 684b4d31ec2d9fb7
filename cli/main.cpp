// zeq: checks, formats and inspects ZEQ plan files and definition files.

#include "commands.h"
#include "zeqversion.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h> // after windows.h, which it needs
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

constexpr const char* kVersion = "zeq " ZEQ_VERSION;

constexpr const char* kUsage =
    "Usage: zeq COMMAND [ARGS...]\n"
    "\n"
    "Commands:\n"
    "  fmt FILE [-o OUT] [--force] [--quiet]    write FILE in the canonical layout\n"
    "  fmt --check FILE...                      name the files not in the canonical layout\n"
    "  dump FILE                                print the loaded plan document as JSON\n"
    "  script FILE                              print a definition file's call tree as JSON\n"
    "  catalog [--plans FILE] [--units FILE]    print the plan-type and unit catalogs as JSON\n"
    "  set FILE SECTION.KEY=VALUE... [-o OUT]   change values, keeping the file's layout\n"
    "  check FILE|DIR... [--plans FILE] [--units FILE] [--tidy] [--format=gcc|json] [--werror]\n"
    "        [-v]\n"
    "                                           report what is wrong with plan files\n"
    "  rename OLD=NEW... [--map FILE] [--dry-run] FILE|DIR...\n"
    "                                           rename unit classes across plan files\n"
    "  diff OLD NEW [--json] [--all] [--color=auto|always|never]\n"
    "                                           what changed between two plan files\n"
    "  merge BASE OURS THEIRS [-o OUT]          merge two changes of a plan file\n"
    "  backup FILE [--restore N | --delete]     copies interrupted saves of FILE left\n"
    "  lsp                                      a language server for text editors\n"
    "\n"
    "Run 'zeq COMMAND --help' for more about a command; 'zeq --version' for the version.\n";

const std::map<std::string, const char*> kCommandHelp = {
    {"backup", "Usage: zeq backup FILE [--restore N | --delete]\n"
               "\n"
               "A save that must write a file in place (a file with other hard links, or in a\n"
               "folder that cannot be written to) first keeps a copy of it, in the recovery\n"
               "folder or beside it, and deletes the copy once the save is done. A save that\n"
               "was killed half-way leaves the copy: the file as it was before.\n"
               "\n"
               "Lists those copies of FILE, one per line, oldest first (nothing when there is\n"
               "none); the copy of a save that completed all the same is deleted on the way.\n"
               "\n"
               "  --restore N  writes the N-th copy listed back as FILE and deletes it\n"
               "  --delete     deletes the copies\n"
               "\n"
               "Exits 0, or 1 when there is no such copy or it cannot be restored.\n"},
    {"fmt", "Usage: zeq fmt FILE [-o OUT] [--force] [--quiet]\n"
            "       zeq fmt --check FILE...\n"
            "\n"
            "Loads FILE as the editor's File Open does and writes it in the canonical layout:\n"
            "plans sorted by descending priority and renumbered, CR LF line ends. The output\n"
            "goes to standard output, or replaces OUT safely (the old file stays whole if\n"
            "writing fails).\n"
            "\n"
            "What the canonical layout drops (comments, unknown keys and sections, plans\n"
            "that do not load...) is listed on standard error as 'zeq check' words it. When\n"
            "OUT is FILE itself and something would be dropped, nothing is written and the\n"
            "exit status is 1, unless --force is given. --quiet (-q) lists nothing, as\n"
            "git's textconv wants it.\n"
            "\n"
            "When FILE cannot be read, is empty or does not parse, prints\n"
            "'FILE:LINE: error: MESSAGE' on standard error and exits 1.\n"
            "\n"
            "With --check nothing is written: the files that are not byte for byte as\n"
            "'zeq fmt' would write them are named on standard output and the exit status is\n"
            "1; 0 when all are; 2 when one cannot be read or does not load.\n"},
    {"dump", "Usage: zeq dump FILE\n"
             "\n"
             "Loads FILE as File Open does and prints the document as one JSON object with\n"
             "\"start\", \"matches\" and \"plans\". Plans are in file order (ascending section\n"
             "number); flags use 1 for doNextOnFail and 2 for buildIfNoIdle. Strings are the\n"
             "raw bytes, byte 0xNN as the code point U+00NN. Errors as for fmt.\n"},
    {"script", "Usage: zeq script FILE\n"
               "\n"
               "Reads FILE as a definition file (the language of Plans.dat and Units.dat) and\n"
               "prints {\"ok\",\"error\",\"line\",\"nodes\"}: error is the syntax error code 1-11\n"
               "or 0, nodes the call tree built before any failure. Exits 0 whenever it ran.\n"},
    {"catalog", "Usage: zeq catalog [--plans FILE] [--units FILE]\n"
                "\n"
                "Loads the plan-type catalog (Plans.dat) and the unit catalog (Units.dat) and\n"
                "prints both as one JSON object. A catalog that is not given is printed empty\n"
                "and not loaded. Exits 0.\n"},
    {"set", "Usage: zeq set FILE SECTION.KEY=VALUE... [-o OUT]\n"
            "\n"
            "Changes values of FILE as the editor would, and writes it with its layout kept:\n"
            "only the lines of the values changed are rewritten; comments, unknown keys and\n"
            "the file's own spacing stay. SECTION is Start, Cheat, Match or a plan section\n"
            "(Plan3); KEY one of its keys (scrapCount, targetType2, attackType1_2,\n"
            "planPriority, doNextOnFail, holdPoint...). A plan parameter gets its value as\n"
            "written (quotes included) and goes when the value is empty. Writes FILE itself\n"
            "(safely), or OUT, or standard output for '-o -'.\n"
            "\n"
            "    zeq set ai.zeq Plan3.planPriority=250 Start.scrapCount=40\n"
            "\n"
            "A section that is not there, a key it has not, or a value the document does\n"
            "not take (out of range, a quote inside a text) is an error: nothing is\n"
            "written and the exit status is 1.\n"},
    {"rename", "Usage: zeq rename OLD=NEW... [--map FILE] [--dry-run] [--plans FILE]\n"
               "                  [--units FILE] FILE|DIR...\n"
               "\n"
               "Renames unit classes in plan files, and in every plan file (.zeq) under each\n"
               "folder named: [Start]'s consClass and scavClass, match targets and attackers,\n"
               "plan conditions, and the parameters that take a unit class by the plan-type\n"
               "catalog (Plans.dat, found as zeq check finds it; without one, parameters are\n"
               "left alone and a note says so). Case is ignored in OLD. All pairs apply at\n"
               "once, so a=b b=a swaps. Each file is written with its layout kept: only the\n"
               "values change. Prints each change as FILE: [SECTION] KEY: OLD -> NEW, marked\n"
               "when the new name is not in the unit catalog.\n"
               "\n"
               "    zeq rename iu_tank=va_tank iu_rig=va_rig mod/verdant\n"
               "\n"
               "  --map FILE   pairs from FILE, one OLD=NEW a line (# or // starts a comment)\n"
               "  --dry-run    print the changes and write nothing\n"
               "  --plans FILE, --units FILE   the catalogs to use\n"
               "\n"
               "Every file is read and renamed before one is written: when any does not load,\n"
               "nothing is written and the exit status is 1. 2 for a wrong pair.\n"},
    {"check", "Usage: zeq check FILE|DIR... [--plans FILE] [--units FILE] [--tidy]\n"
              "                 [--format=gcc|json] [--werror] [-v]\n"
              "\n"
              "Reports what is wrong with each plan file, and with every plan file (.zeq)\n"
              "under each folder named (hidden folders left out), by file and line: what the\n"
              "game does not read\n"
              "(unknown keys and sections, plans it drops) and what reads differently from how\n"
              "it looks (the same report as the editor's Issues panel). Plan types,\n"
              "parameters (their kinds too: a number, 0 or 1, a text in quotes) and unit\n"
              "classes are checked against the catalogs: the files --plans and --units name,\n"
              "else Plans.dat and Units.dat beside each file (then in each folder above it\n"
              "up to the folder named: a mod's own) or where the editor finds them\n"
              "(the working folder, beside zeq, the installed data folder). Where none is\n"
              "found, a warning on standard error says which checks were left out. A block\n"
              "between git's conflict markers is one error: unresolved merge conflict.\n"
              "\n"
              "  --tidy         report instead everything the canonical layout (zeq fmt, the\n"
              "                 editor's Save Tidied) would drop: comments, unknown keys...\n"
              "  --format=gcc   'FILE:LINE: error|warning: MESSAGE' lines, as compilers\n"
              "                 write them (the default); 'FILE: ...' for the whole file\n"
              "  --format=json  one JSON object per line and finding: {\"file\", \"line\",\n"
              "                 \"severity\", \"code\", \"message\"}; \"code\" names the kind\n"
              "                 of finding (key-unknown, number-too-large...) and does not\n"
              "                 change from release to release\n"
              "  --werror       warnings fail the check too\n"
              "  -v, --verbose  say on standard error which catalogs were used\n"
              "\n"
              "Exits 1 when there is an error (the file does not load, or plans are not\n"
              "read; a folder holds no plan file), or any finding with --werror; else 0.\n"},
    {"diff", "Usage: zeq diff OLD NEW [--json] [--all] [--color=auto|always|never]\n"
             "\n"
             "Compares two plan files as the editor loads them, not their text: each changed\n"
             "start and cheat value; matches by target (added, removed, attackers added,\n"
             "removed or reordered); plans paired by content rather than by section number\n"
             "(the same type and the most alike, then the nearest priority), so that\n"
             "renumbering and reordering alone are no change. A plan is named by its type,\n"
             "its priority and its sections in OLD and NEW.\n"
             "\n"
             "  --all    also list what the documents do not hold (comments, unknown keys\n"
             "           and sections) that was added or removed\n"
             "  --json   one JSON object: {\"old\", \"new\", \"same\", \"changes\": [{\"group\":\n"
             "           start|cheat|matches|plans|text, \"kind\": changed|added|removed,\n"
             "           \"record\", \"field\", \"old\", \"new\", \"oldSection\",\n"
             "           \"newSection\", \"line\"}]}\n"
             "  --color  colour the output: auto (on a terminal, unless NO_COLOR is set),\n"
             "           always or never\n"
             "\n"
             "Exits 0 when the documents are the same, 1 when they differ, 2 when a file\n"
             "cannot be read or does not load. /dev/null is an empty document. Given the\n"
             "seven (or, for a rename, nine) arguments of git's external diff\n"
             "(diff.zeq.command), compares the second and the fifth and exits 0.\n"},
    {"lsp", "Usage: zeq lsp [--stdio]\n"
            "\n"
            "A language server (the Language Server Protocol, 3.17) for plan files, on\n"
            "standard input and output, for VS Code, Neovim, Kate, Helix, Emacs and other\n"
            "editors (docs/editors.md): zeq check's findings as diagnostics a moment after\n"
            "typing stops, completion of sections, keys, plan types and unit classes,\n"
            "hover, the outline, folding, formatting in the canonical layout (refused when\n"
            "it would drop anything) and quick fixes.\n"
            "\n"
            "Plans.dat and Units.dat are looked for in the workspace folder, then where the\n"
            "editor looks (the working folder, beside zeq, the installed data); the\n"
            "settings zeq.plans and zeq.units (initialization options or\n"
            "workspace/didChangeConfiguration) name them instead. A catalog is read again\n"
            "when it changes. Exits 0 after shutdown and exit, 1 when the input ends\n"
            "without a shutdown.\n"},
    {"merge", "Usage: zeq merge BASE OURS THEIRS [-o OUT]\n"
              "\n"
              "Merges what THEIRS changed from BASE into OURS, record by record: changes to\n"
              "different values, matches or plans (plans paired as 'zeq diff' pairs them)\n"
              "merge cleanly; a plan added on both sides is kept twice, with its own section\n"
              "number, unless the two are the same. The result keeps OURS's layout and goes\n"
              "to standard output, or replaces OUT safely.\n"
              "\n"
              "A value both sides changed differently is a conflict: the result keeps OURS's\n"
              "value and puts git's conflict markers (<<<<<<< ours, =======, >>>>>>> theirs)\n"
              "around the lines of the record, ours then theirs; each conflict is named on\n"
              "standard error. As git's merge driver:\n"
              "\n"
              "    git config merge.zeq.driver 'zeq merge %O %A %B -o %A'\n"
              "\n"
              "Exits 0 when merged cleanly, 1 with conflicts, 2 when a file cannot be read or\n"
              "does not load (then nothing is written).\n"},
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "zeq: %s\n\n%s", message.c_str(), kUsage);
    return 2;
}

// Help is read by a person, and on Windows in a program that may want
// Windows' line ends when it is sent to a file (standard output is binary
// there, for the plan files it carries).
void WriteHelp(std::string_view text) {
#if defined(_WIN32)
    std::string lines;
    for (const char c : text) {
        if (c == '\n') lines += '\r';
        lines += c;
    }
    WriteOut(lines);
#else
    WriteOut(text);
#endif
}

#if defined(_WIN32)
// A console shows the bytes it is given in its own code page (437, 850,
// 866...), and zeq writes UTF-8, so a name beyond ASCII came out garbled:
// for the run the console reads UTF-8. Output sent to a file or a pipe is
// the same bytes either way.
class ConsoleReadsUtf8 {
public:
    ConsoleReadsUtf8() : m_old(GetConsoleOutputCP()) {
        DWORD mode = 0;
        const bool console = GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) ||
                             GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode);
        m_set = console && m_old != CP_UTF8 && SetConsoleOutputCP(CP_UTF8);
    }
    ~ConsoleReadsUtf8() {
        if (m_set) SetConsoleOutputCP(m_old);
    }
    ConsoleReadsUtf8(const ConsoleReadsUtf8&) = delete;
    ConsoleReadsUtf8& operator=(const ConsoleReadsUtf8&) = delete;

private:
    UINT m_old;
    bool m_set = false;
};
#endif

bool IsHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

struct Arguments {
    std::vector<std::string> files;
    std::map<std::string, std::string> options;
};

// Splits the arguments after the command into files and the options it
// allows (flags, which take no value, end in '!' there); false (with the
// message set) on anything else.
bool Parse(const std::vector<std::string>& args, const std::vector<std::string>& allowed,
           Arguments& parsed, std::string& message) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::optional<std::string> inlineValue; // --name=value
        if (const std::size_t eq = arg.find('=');
            arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.resize(eq);
        }
        if (arg.size() > 1 && arg[0] == '-') {
            if (std::any_of(allowed.begin(), allowed.end(), [&arg](const std::string& flag) {
                    return flag.size() == arg.size() + 1 && flag.back() == '!' &&
                           flag.compare(0, arg.size(), arg) == 0;
                })) {
                if (inlineValue) {
                    message = "option '" + arg + "' takes no value";
                    return false;
                }
                parsed.options.emplace(arg, "on"); // a flag: there or not
                continue;
            }
            if (std::find(allowed.begin(), allowed.end(), arg) == allowed.end()) {
                message = "unknown option '" + arg + "'";
                return false;
            }
            if (!inlineValue && i + 1 >= args.size()) {
                message = "option '" + arg + "' needs a value";
                return false;
            }
            const std::string value = inlineValue ? *inlineValue : args[++i];
            if (value.empty()) {
                message = "option '" + arg + "' needs a value, not an empty one";
                return false;
            }
            if (parsed.options.count(arg)) {
                message = "option '" + arg + "' is given twice";
                return false;
            }
            parsed.options[arg] = value;
        } else {
            parsed.files.push_back(arg);
        }
    }
    return true;
}

int Dispatch(const std::string& command, const std::vector<std::string>& args) {
    Arguments a;
    std::string message;
    auto option = [&a](const char* name) {
        auto it = a.options.find(name);
        return it == a.options.end() ? std::string() : it->second;
    };
    auto oneFile = [&](const std::vector<std::string>& allowed) {
        if (!Parse(args, allowed, a, message)) return false;
        if (a.files.size() != 1) message = command + " takes one file";
        return a.files.size() == 1;
    };

    if (command == "fmt") {
        if (std::find(args.begin(), args.end(), "--check") != args.end()) {
            if (!Parse(args, {"--check!"}, a, message)) return UsageError(message);
            if (a.files.empty()) return UsageError("fmt --check needs at least one file");
            return RunFmtCheck(a.files);
        }
        if (!oneFile({"-o", "--force!", "--quiet!", "-q!"})) return UsageError(message);
        const bool quiet = !option("--quiet").empty() || !option("-q").empty();
        return RunFmt(a.files[0], option("-o"), !option("--force").empty(), quiet);
    }
    if (command == "diff") {
        if (!Parse(args, {"--json!", "--all!", "--color"}, a, message)) return UsageError(message);
        const std::string when = option("--color");
        if (!when.empty() && when != "auto" && when != "always" && when != "never")
            return UsageError("--color takes auto, always or never");
        const Colour colour = when == "always"  ? Colour::Always
                              : when == "never" ? Colour::Never
                                                : Colour::Auto;
        const bool json = !option("--json").empty(), all = !option("--all").empty();
        // git's external diff: PATH OLD HEX MODE NEW HEX MODE, and for a
        // rename or copy also NEW-PATH and the similarity lines.
        if (a.files.size() == 7 || a.files.size() == 9) {
            const std::string& path = a.files[0];
            WriteOut("zeq diff " + path + (a.files.size() == 9 ? " -> " + a.files[7] : "") + "\n");
            return RunDiff(a.files[1], a.files[4], json, all, colour) == 2 ? 2 : 0;
        }
        if (a.files.size() != 2) return UsageError("diff takes two files, OLD and NEW");
        return RunDiff(a.files[0], a.files[1], json, all, colour);
    }
    if (command == "lsp") {
        // --stdio is what clients pass; standard input and output is all there is.
        if (!Parse(args, {"--stdio!"}, a, message)) return UsageError(message);
        if (!a.files.empty()) return UsageError("lsp takes no files");
        return RunLsp();
    }
    if (command == "merge") {
        if (!Parse(args, {"-o"}, a, message)) return UsageError(message);
        if (a.files.size() != 3) return UsageError("merge takes three files, BASE OURS THEIRS");
        return RunMerge(a.files[0], a.files[1], a.files[2], option("-o"));
    }
    if (command == "dump") {
        if (!oneFile({})) return UsageError(message);
        return RunDump(a.files[0]);
    }
    if (command == "script") {
        if (!oneFile({})) return UsageError(message);
        return RunScript(a.files[0]);
    }
    if (command == "catalog") {
        if (!Parse(args, {"--plans", "--units"}, a, message)) return UsageError(message);
        if (!a.files.empty()) return UsageError("catalog takes no files, only --plans and --units");
        return RunCatalog(option("--plans"), option("--units"));
    }
    if (command == "backup") {
        if (!oneFile({"--restore", "--delete!"})) return UsageError(message);
        if (!option("--restore").empty() && !option("--delete").empty())
            return UsageError("backup takes --restore or --delete, not both");
        return RunBackup(a.files[0], option("--restore"), !option("--delete").empty());
    }
    if (command == "set") {
        if (!Parse(args, {"-o"}, a, message)) return UsageError(message);
        if (a.files.size() < 2)
            return UsageError("set needs a file and at least one SECTION.KEY=VALUE");
        return RunSet(a.files[0], std::vector<std::string>(a.files.begin() + 1, a.files.end()),
                      option("-o"));
    }
    if (command == "rename") {
        if (!Parse(args, {"--map", "--dry-run!", "--plans", "--units"}, a, message))
            return UsageError(message);
        const auto pairs = std::count_if(a.files.begin(), a.files.end(), [](const auto& s) {
            return s.find('=') != std::string::npos;
        });
        if (pairs == 0 && option("--map").empty())
            return UsageError("rename needs at least one OLD=NEW or --map FILE");
        if (std::size_t(pairs) == a.files.size())
            return UsageError("rename needs at least one file or folder");
        return RunRename(a.files, {option("--map"), option("--plans"), option("--units"),
                                   !option("--dry-run").empty()});
    }
    if (command == "check") {
        if (!Parse(args,
                   {"--plans", "--units", "--tidy!", "--format", "--werror!", "-v!", "--verbose!"},
                   a, message))
            return UsageError(message);
        if (a.files.empty()) return UsageError("check needs at least one file or folder");
        const std::string format = option("--format");
        if (!format.empty() && format != "gcc" && format != "json")
            return UsageError("--format takes gcc or json");
        CheckOptions options{
            option("--plans"),           option("--units"),
            !option("--tidy").empty(),   format == "json",
            !option("--werror").empty(), !option("-v").empty() || !option("--verbose").empty()};
        return RunCheck(a.files, options);
    }
    return UsageError("unknown command '" + command + "'");
}

// The arguments after the program's name. On Windows they are taken from
// the wide command line and made UTF-8, as the core takes file names: the
// narrow ones hold only what the ANSI code page can.
std::vector<std::string> CommandArguments(int argc, char** argv) {
#if defined(_WIN32)
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide) {
        std::vector<std::string> args;
        for (int i = 1; i < count; ++i) {
            const int size =
                WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
            std::string arg(std::size_t(size > 0 ? size - 1 : 0), '\0');
            if (size > 1)
                WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), size, nullptr, nullptr);
            args.push_back(std::move(arg));
        }
        LocalFree(wide);
        return args;
    }
#endif
    return std::vector<std::string>(argv + 1, argv + argc);
}

} // namespace

int main(int argc, char** argv) {
#if defined(__GLIBC__)
    // Blocks of 128 KB and up (a file's text, the parser's buffer, large
    // tables) are mapped on their own and given back when freed. Left to
    // itself, glibc raises that threshold after the first such block is
    // freed, and later ones stay in the heap as holes: 23 MB more resident
    // for the language server on a file of 8 MB.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY); // CR LF must reach the output unchanged
    const ConsoleReadsUtf8 console;
#endif
    std::vector<std::string> args = CommandArguments(argc, argv);
    if (args.empty()) return UsageError("no command given");
    const std::string command = args.front();
    args.erase(args.begin());

    if (IsHelp(command)) {
        WriteHelp(kUsage);
        return FinishOutput(0);
    }
    if (command == "--version") {
        WriteOut(std::string(kVersion) + "\n");
        return FinishOutput(0);
    }
    if (std::find_if(args.begin(), args.end(), IsHelp) != args.end()) {
        auto it = kCommandHelp.find(command);
        if (it == kCommandHelp.end()) return UsageError("unknown command '" + command + "'");
        WriteHelp(it->second);
        return FinishOutput(0);
    }
    return FinishOutput(Dispatch(command, args));
}
