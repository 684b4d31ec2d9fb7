#pragma once

#include <string>
#include <vector>

// The zeq commands. Each returns the process exit code.
int RunFmt(const std::string& file, const std::string& out);
int RunDump(const std::string& file);
int RunScript(const std::string& file);
int RunCatalog(const std::string& plansFile, const std::string& unitsFile);
int RunCheck(const std::vector<std::string>& files, const std::string& plansFile,
             const std::string& unitsFile);
