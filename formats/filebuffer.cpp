#include "filebuffer.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string ErrnoText(int error) {
    return std::generic_category().message(error);
}

// Pushes the written bytes to the disk before the rename makes them the file.
bool SyncToDisk(std::FILE* f) {
#if defined(_WIN32)
    return _commit(_fileno(f)) == 0;
#else
    return fsync(fileno(f)) == 0;
#endif
}

// A name beside the target that does not exist yet.
fs::path TemporaryPathFor(const fs::path& target) {
    std::error_code ec;
    for (int i = 0; i < 1000; ++i) {
        fs::path candidate = target;
        candidate += ".saving" + std::to_string(i);
        if (!fs::exists(candidate, ec)) return candidate;
    }
    return {};
}

// Saving over a link writes the file the link points to.
fs::path ResolveTarget(const fs::path& path) {
    std::error_code ec;
    if (fs::is_symlink(path, ec)) {
        fs::path real = fs::canonical(path, ec);
        if (!ec) return real;
    }
    return path;
}

} // namespace

void CFileBuffer::Free() {
    m_data.clear();
}

std::string CFileBuffer::Detach() {
    return std::exchange(m_data, {});
}

bool CFileBuffer::SetData(std::string data) {
    if (data.empty()) return false;
    m_data = std::move(data);
    return true;
}

bool CFileBuffer::LoadFile(const std::string& path) {
    m_data.clear();
    m_error.clear();
    if (path.empty()) {
        m_error = "no file name given";
        return false;
    }
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        m_error = "cannot read the file: it is a folder";
        return false;
    }
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        m_error = "cannot read the file: " + ErrnoText(errno);
        return false;
    }
    // One read of the whole file at the length asked beforehand; the loop
    // after it only runs for files whose length cannot be known in advance
    // (pipes, /proc) or that grew meanwhile.
    std::string data;
    const auto expected = fs::file_size(path, ec);
    if (!ec && expected > 0) {
        data.resize(expected);
        data.resize(std::fread(data.data(), 1, data.size(), file.get()));
    }
    char block[1 << 16];
    std::size_t got;
    while (!std::ferror(file.get()) && (got = std::fread(block, 1, sizeof block, file.get())) > 0)
        data.append(block, got);
    if (std::ferror(file.get())) {
        m_error = "cannot read the file: " + ErrnoText(errno);
        return false;
    }
    if (data.empty()) {
        m_error = "the file is empty";
        return false;
    }
    m_data = std::move(data);
    return true;
}

bool CFileBuffer::SaveFile(const std::string& path) const {
    m_error.clear();
    if (path.empty()) {
        m_error = "no file name given";
        return false;
    }
    const fs::path target = ResolveTarget(path);
    const fs::path temporary = TemporaryPathFor(target);
    if (temporary.empty()) {
        m_error = "cannot create a temporary file beside " + target.string();
        return false;
    }

    File file(std::fopen(temporary.string().c_str(), "wbx"));
    if (!file) {
        m_error = "cannot write the file: " + ErrnoText(errno);
        return false;
    }
    bool written = std::fwrite(m_data.data(), 1, m_data.size(), file.get()) == m_data.size() &&
                   std::fflush(file.get()) == 0 && SyncToDisk(file.get());
    int error = errno;
    written = (std::fclose(file.release()) == 0) && written;
    if (!written) {
        m_error = "cannot write the file: " + ErrnoText(error ? error : errno);
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return false;
    }

    // Keep the permissions an existing file had.
    std::error_code ec;
    const fs::file_status old = fs::status(target, ec);
    if (!ec && fs::exists(old)) fs::permissions(temporary, old.permissions(), ec);

    fs::rename(temporary, target, ec);
    if (ec) {
        m_error = "cannot replace the file: " + ec.message();
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return false;
    }
    return true;
}
