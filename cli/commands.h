#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// Everything the commands print on standard output goes through WriteOut;
// FinishOutput flushes it and turns a write that failed (a full disk, a
// closed pipe) into exit code 1 with a message, instead of a false success.
void WriteOut(std::string_view bytes);
int FinishOutput(int exitCode);

// FILE:LINE: error: MESSAGE on standard error; FILE: error: MESSAGE for line 0
// (the whole file).
void ReportError(const std::string& file, int line, const std::string& message);
// The same to `stream`, with the severity ("error", "warning") named.
void Report(std::FILE* stream, const std::string& file, int line, const char* severity,
            std::string_view message);
// Says on standard error where copies of the file kept by interrupted saves
// are.
void SayIfBackedUp(const std::string& file);

class CKeptLayout;
class CPlanData;

// The bytes of a plan file; a file that cannot be read or holds binary data
// is said on standard error as FILE:LINE: error: MESSAGE, and gives false.
bool ReadPlanText(const std::string& file, std::string& text);

// Loads a plan file with the text it came from (for the commands that
// compare files). The null device (git's name for the side of an added or
// deleted file) is an empty document. A file that cannot be read, holds
// binary data or does not load is said on standard error as
// FILE:LINE: error: MESSAGE, and gives false.
bool LoadKept(const std::string& file, CPlanData& data, CKeptLayout& kept);
// The same in two steps: the bytes (none for the null device), then the
// document they load as.
bool ReadKeptText(const std::string& file, std::string& text);
bool LoadKept(const std::string& file, std::string& text, CPlanData& data, CKeptLayout& kept);

// The zeq commands. Each returns the process exit code.
int RunFmt(const std::string& file, const std::string& out, bool force, bool quiet = false);
// Exit 1 (and the names on standard output) when a file is not as zeq fmt
// would write it; nothing is written.
int RunFmtCheck(const std::vector<std::string>& files);
int RunDump(const std::string& file);
int RunScript(const std::string& file);
int RunCatalog(const std::string& plansFile, const std::string& unitsFile);
// Changes values (SECTION.KEY=VALUE) through the document and writes the
// file with its layout kept: into OUT, "-" for standard output, else itself.
int RunSet(const std::string& file, const std::vector<std::string>& assignments,
           const std::string& out);
// Lists the copies interrupted saves of FILE left; with `restore` (the
// number of one, from 1) writes it back, with `remove` deletes them.
int RunBackup(const std::string& file, const std::string& restore, bool remove);
struct CheckOptions {
    std::string plansFile, unitsFile;
    bool tidy = false;
    bool json = false;    // one JSON object per finding and line, else gcc's form
    bool werror = false;  // warnings fail the check too
    bool verbose = false; // say which catalogs were used
};
int RunCheck(const std::vector<std::string>& files, const CheckOptions& options);
enum class Colour { Auto, Always, Never };
// Exit 0 when the documents are the same, 1 when they differ, 2 on an error.
int RunDiff(const std::string& oldFile, const std::string& newFile, bool json, bool all,
            Colour colour);
struct RenameOptions {
    std::string mapFile;
    std::string plansFile, unitsFile;
    bool dryRun = false;
};
// OLD=NEW pairs and files or folders, in any order: renames unit classes in
// every plan file, each written with its layout kept. Nothing is written
// when a file does not load (exit 1); 2 for a wrong call.
int RunRename(const std::vector<std::string>& arguments, const RenameOptions& options);
// Where Plans.dat and Units.dat are looked for, as the editor looks: the
// working folder, beside the program, the installed data folder.
std::vector<std::string> CatalogFolders();
// The language server on standard input and output, until exit.
int RunLsp();
// Exit 0 when merged cleanly, 1 with conflicts (marked in the output), 2 on
// an error (nothing written).
int RunMerge(const std::string& base, const std::string& ours, const std::string& theirs,
             const std::string& out);
