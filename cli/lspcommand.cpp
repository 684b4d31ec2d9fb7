// zeq lsp: the language server, with the catalogs looked for where the
// editor looks for them.

#include "commands.h"

#include "catalogs.h"
#include "filepath.h"
#include "lspserver.h"

#include <filesystem>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// The folder the running program is in; empty when it cannot be told.
std::filesystem::path ProgramFolder() {
#if defined(_WIN32)
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (length == 0 || length >= path.size()) return {};
    path.resize(length);
    return std::filesystem::path(path).parent_path();
#else
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : self.parent_path();
#endif
}

} // namespace

std::vector<std::string> CatalogFolders() {
    const std::filesystem::path program = ProgramFolder();
    return CCatalogs::Folders(program.empty() ? std::string() : Utf8FromPath(program));
}

int RunLsp() {
    CLspTransport transport;
    CLspServer server(transport, {CatalogFolders()});
    return server.Run();
}
