// zeq: checks, formats and inspects ZEQ plan files and definition files.

#include "commands.h"
#include "zeqversion.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h> // after windows.h, which it needs
#endif

namespace {

constexpr const char* kVersion = "zeq " ZEQ_VERSION;

constexpr const char* kUsage =
    "Usage: zeq COMMAND [ARGS...]\n"
    "\n"
    "Commands:\n"
    "  fmt FILE [-o OUT] [--force]              write FILE in the canonical layout\n"
    "  dump FILE                                print the loaded plan document as JSON\n"
    "  script FILE                              print a definition file's call tree as JSON\n"
    "  catalog [--plans FILE] [--units FILE]    print the plan-type and unit catalogs as JSON\n"
    "  set FILE SECTION.KEY=VALUE... [-o OUT]   change values, keeping the file's layout\n"
    "  check FILE... [--plans FILE] [--units FILE] [--tidy]\n"
    "                                           report what is wrong with plan files\n"
    "\n"
    "Run 'zeq COMMAND --help' for more about a command; 'zeq --version' for the version.\n";

const std::map<std::string, const char*> kCommandHelp = {
    {"fmt", "Usage: zeq fmt FILE [-o OUT] [--force]\n"
            "\n"
            "Loads FILE as the editor's File Open does and writes it in the canonical layout:\n"
            "plans sorted by descending priority and renumbered, CR LF line ends. The output\n"
            "goes to standard output, or replaces OUT safely (the old file stays whole if\n"
            "writing fails).\n"
            "\n"
            "What the canonical layout drops (comments, unknown keys and sections, plans\n"
            "that do not load...) is listed on standard error as 'zeq check' words it. When\n"
            "OUT is FILE itself and something would be dropped, nothing is written and the\n"
            "exit status is 1, unless --force is given.\n"
            "\n"
            "When FILE cannot be read, is empty or does not parse, prints\n"
            "'FILE:LINE: error: MESSAGE' on standard error and exits 1.\n"},
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
    {"check", "Usage: zeq check FILE... [--plans FILE] [--units FILE] [--tidy]\n"
              "\n"
              "Reports, as 'FILE:LINE: error|warning: MESSAGE' lines on standard output, what\n"
              "is wrong with each plan file: what the game does not read (unknown keys and\n"
              "sections, plans it drops) and what reads differently from how it looks (the\n"
              "same report as the editor's Issues panel). With the catalogs, plan types,\n"
              "parameters and unit classes are checked against them too.\n"
              "\n"
              "  --tidy   report instead everything the canonical layout (zeq fmt, the\n"
              "           editor's Save Tidied) would drop: comments, unknown keys...\n"
              "\n"
              "Exits 1 when there is an error (the file does not load, or plans are not\n"
              "read), else 0.\n"},
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "zeq: %s\n\n%s", message.c_str(), kUsage);
    return 2;
}

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
        const std::string& arg = args[i];
        if (arg.size() > 1 && arg[0] == '-') {
            if (std::any_of(allowed.begin(), allowed.end(), [&arg](const std::string& flag) {
                    return flag.size() == arg.size() + 1 && flag.back() == '!' &&
                           flag.compare(0, arg.size(), arg) == 0;
                })) {
                parsed.options.emplace(arg, std::string(1, '1'));
                continue;
            }
            if (std::find(allowed.begin(), allowed.end(), arg) == allowed.end()) {
                message = "unknown option '" + arg + "'";
                return false;
            }
            if (i + 1 >= args.size()) {
                message = "option '" + arg + "' needs a file name";
                return false;
            }
            if (args[i + 1].empty()) {
                message = "option '" + arg + "' needs a file name, not an empty one";
                return false;
            }
            if (parsed.options.count(arg)) {
                message = "option '" + arg + "' is given twice";
                return false;
            }
            parsed.options[arg] = args[++i];
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
        if (!oneFile({"-o", "--force!"})) return UsageError(message);
        return RunFmt(a.files[0], option("-o"), !option("--force").empty());
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
    if (command == "set") {
        if (!Parse(args, {"-o"}, a, message)) return UsageError(message);
        if (a.files.size() < 2)
            return UsageError("set needs a file and at least one SECTION.KEY=VALUE");
        return RunSet(a.files[0], std::vector<std::string>(a.files.begin() + 1, a.files.end()),
                      option("-o"));
    }
    if (command == "check") {
        if (!Parse(args, {"--plans", "--units", "--tidy!"}, a, message)) return UsageError(message);
        if (a.files.empty()) return UsageError("check needs at least one file");
        return RunCheck(a.files, option("--plans"), option("--units"), !option("--tidy").empty());
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
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY); // CR LF must reach the output unchanged
#endif
    std::vector<std::string> args = CommandArguments(argc, argv);
    if (args.empty()) return UsageError("no command given");
    const std::string command = args.front();
    args.erase(args.begin());

    if (IsHelp(command)) {
        WriteOut(kUsage);
        return FinishOutput(0);
    }
    if (command == "--version") {
        WriteOut(std::string(kVersion) + "\n");
        return FinishOutput(0);
    }
    if (std::find_if(args.begin(), args.end(), IsHelp) != args.end()) {
        auto it = kCommandHelp.find(command);
        if (it == kCommandHelp.end()) return UsageError("unknown command '" + command + "'");
        WriteOut(it->second);
        return FinishOutput(0);
    }
    return FinishOutput(Dispatch(command, args));
}
