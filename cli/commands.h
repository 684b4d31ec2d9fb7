#pragma once

#include <string>
#include <string_view>
#include <vector>

// Everything the commands print on standard output goes through WriteOut;
// FinishOutput flushes it and turns a write that failed (a full disk, a
// closed pipe) into exit code 1 with a message, instead of a false success.
void WriteOut(std::string_view bytes);
int FinishOutput(int exitCode);

// The zeq commands. Each returns the process exit code.
int RunFmt(const std::string& file, const std::string& out, bool force);
int RunDump(const std::string& file);
int RunScript(const std::string& file);
int RunCatalog(const std::string& plansFile, const std::string& unitsFile);
// Changes values (SECTION.KEY=VALUE) through the document and writes the
// file with its layout kept: into OUT, "-" for standard output, else itself.
int RunSet(const std::string& file, const std::vector<std::string>& assignments,
           const std::string& out);
int RunCheck(const std::vector<std::string>& files, const std::string& plansFile,
             const std::string& unitsFile, bool tidy);
