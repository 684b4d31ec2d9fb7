#pragma once

#include <filesystem>
#include <string>

// A file name as the programs hand it over: UTF-8 bytes on every system, so
// that on Windows any name opens, not only those of the ANSI code page.
//
// On Windows a long name (deep folders) comes back in the "\\?\" form that
// every call accepts at any length, even where the machine has not switched
// long names on; Utf8FromPath gives it back in the usual form, for messages
// and for the user.
std::filesystem::path PathFromUtf8(const std::string& name);
std::string Utf8FromPath(const std::filesystem::path& path);
