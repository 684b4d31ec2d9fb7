#include "filebuffer.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <system_error>
#include <utility>

#include <fcntl.h>

#if defined(_WIN32)
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

// Line numbers and offsets are ints; a plan file is never near this.
constexpr std::uintmax_t kMaxFileSize = std::numeric_limits<std::int32_t>::max();

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string ErrnoText(int error) {
    return std::generic_category().message(error);
}

// The standard library's files by a path of any name: the wide-character
// call on Windows. `create` makes a new file and fails when one is there.
std::FILE* OpenFile(const fs::path& path, bool create) {
#if defined(_WIN32)
    if (!create) return _wfopen(path.c_str(), L"rb");
    const int fd =
        _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* f = _fdopen(fd, "wb");
    if (!f) _close(fd);
    return f;
#else
    return std::fopen(path.c_str(), create ? "wbx" : "rb");
#endif
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

// A file the user may not write, or one marked read-only (which holds even
// for the administrator, who could write it otherwise).
bool IsReadOnly([[maybe_unused]] const fs::path& path, const fs::file_status& status) {
    constexpr auto anyWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if ((status.permissions() & anyWrite) == fs::perms::none) return true;
#if defined(_WIN32)
    return false;
#else
    return access(path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS);
#endif
}

// Renames the temporary file over the target, replacing it.
bool ReplaceFile(const fs::path& from, const fs::path& to, int& error) {
#if defined(_WIN32)
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    error = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return false;
#else
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    error = errno;
    return false;
#endif
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

bool CFileBuffer::TooLarge() {
    m_error = "cannot read the file: it is larger than 2 GB, more than a plan file can hold";
    return false;
}

fs::path PathFromUtf8(const std::string& name) {
    return fs::path(std::u8string(name.begin(), name.end()));
}

std::string Utf8FromPath(const fs::path& path) {
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
}

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
    const fs::path name = PathFromUtf8(path);
    std::error_code ec;
    if (fs::is_directory(name, ec)) {
        m_error = "cannot read the file: it is a folder";
        return false;
    }
    File file(OpenFile(name, false));
    if (!file) {
        m_error = "cannot read the file: " + ErrnoText(errno);
        return false;
    }
    // One read of the whole file at the length asked beforehand; the loop
    // after it only runs for files whose length cannot be known in advance
    // (pipes, /proc) or that grew meanwhile.
    std::string data;
    const auto expected = fs::file_size(name, ec);
    if (!ec && expected > kMaxFileSize) return TooLarge();
    if (!ec && expected > 0) {
        data.resize(expected);
        data.resize(std::fread(data.data(), 1, data.size(), file.get()));
    }
    char block[1 << 16];
    std::size_t got;
    while (!std::ferror(file.get()) && (got = std::fread(block, 1, sizeof block, file.get())) > 0) {
        if (data.size() + got > kMaxFileSize) return TooLarge();
        data.append(block, got);
    }
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
    const fs::path target = ResolveTarget(PathFromUtf8(path));
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    const bool exists = !ec && fs::exists(status);
    if (exists && fs::is_directory(status)) {
        m_error = "cannot write the file: it is a folder";
        return false;
    }
    if (exists && IsReadOnly(target, status)) {
        m_error = "cannot write the file: it is read-only";
        return false;
    }
    // A device or a pipe is written into, never replaced; a file with other
    // names (hard links) keeps them only when it is written in place.
    if (exists && !fs::is_regular_file(status)) return WriteInto(target, false);
    if (exists && fs::hard_link_count(target, ec) > 1) return WriteInto(target, true);

    // The usual way: a temporary file beside the target, renamed over it once
    // every byte is on disk, so that a failed save leaves the old file whole.
    const fs::path temporary = TemporaryPathFor(target);
    File file(temporary.empty() ? nullptr : OpenFile(temporary, true));
    if (!file) {
        const int error = errno;
        // A writable file in a folder the user cannot write to: in place.
        if (exists && (error == EACCES || error == EPERM || error == EROFS))
            return WriteInto(target, true);
        m_error = "cannot write the file: " + ErrnoText(error);
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
    if (exists) fs::permissions(temporary, status.permissions(), ec);

    if (!ReplaceFile(temporary, target, error)) {
        m_error = "cannot replace the file: " + ErrnoText(error);
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return false;
    }
    return true;
}

// Writes the whole block into the existing target itself. A regular file is
// overwritten from its start and then cut to the new length (not emptied
// first), flushed and synced; a device or pipe only takes the bytes.
bool CFileBuffer::WriteInto(const fs::path& target, bool regular) const {
#if defined(_WIN32)
    const int fd = _wopen(target.c_str(), _O_WRONLY | _O_BINARY);
#else
    const int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC);
#endif
    if (fd < 0) {
        m_error = "cannot write the file: " + ErrnoText(errno);
        return false;
    }
    bool ok = true;
    for (std::size_t done = 0; ok && done < m_data.size();) {
        const std::size_t chunk = std::min<std::size_t>(m_data.size() - done, 1u << 30);
#if defined(_WIN32)
        const auto n = _write(fd, m_data.data() + done, unsigned(chunk));
#else
        const auto n = write(fd, m_data.data() + done, chunk);
#endif
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += std::size_t(n);
    }
    if (ok && regular) {
#if defined(_WIN32)
        ok = _chsize_s(fd, static_cast<long long>(m_data.size())) == 0 && _commit(fd) == 0;
#else
        ok = ftruncate(fd, static_cast<off_t>(m_data.size())) == 0 && fsync(fd) == 0;
#endif
    }
    const int error = errno;
#if defined(_WIN32)
    ok = _close(fd) == 0 && ok;
#else
    ok = close(fd) == 0 && ok;
#endif
    if (!ok) m_error = "cannot write the file: " + ErrnoText(error ? error : errno);
    return ok;
}
