#include "filesave.h"

#include "filebuffer.h"
#include "filepath.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <sys/file.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

std::atomic<std::ptrdiff_t> g_failAfter{-1};

FilePieces WholeBytes(std::string_view bytes) {
    return [bytes](const std::function<bool(std::string_view)>& put) { return put(bytes); };
}

std::mutex g_folderMutex;
fs::path g_recoveryFolder;

std::string ErrnoText(int error) {
    return std::generic_category().message(error);
}

// --- Files by descriptor, the same calls on every system ------------------

#if defined(_WIN32)
int OpenFd(const fs::path& path, int flags) {
    return _wopen(path.c_str(), flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}
int CloseFd(int fd) {
    return _close(fd);
}
bool SyncFd(int fd) {
    return _commit(fd) == 0;
}
bool TruncateFd(int fd, std::size_t size) {
    return _chsize_s(fd, static_cast<long long>(size)) == 0;
}
bool SeekStart(int fd) {
    return _lseeki64(fd, 0, SEEK_SET) == 0;
}
long long WriteFd(int fd, const char* data, std::size_t n) {
    return _write(fd, data, unsigned(std::min<std::size_t>(n, 1u << 30)));
}
constexpr int kWrite = _O_WRONLY;
constexpr int kCreateNew = _O_WRONLY | _O_CREAT | _O_EXCL;
#else
int OpenFd(const fs::path& path, int flags) {
    return open(path.c_str(), flags | O_CLOEXEC, 0666);
}
int CloseFd(int fd) {
    return close(fd);
}
bool SyncFd(int fd) {
    return fsync(fd) == 0;
}
bool TruncateFd(int fd, std::size_t size) {
    return ftruncate(fd, static_cast<off_t>(size)) == 0;
}
bool SeekStart(int fd) {
    return lseek(fd, 0, SEEK_SET) == 0;
}
long long WriteFd(int fd, const char* data, std::size_t n) {
    return write(fd, data, std::min<std::size_t>(n, 1u << 30));
}
constexpr int kWrite = O_WRONLY;
constexpr int kCreateNew = O_WRONLY | O_CREAT | O_EXCL;
#endif

// Closes on every path.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd >= 0) CloseFd(fd);
    }
    // Closes now: a failed close is a failed write on some file systems.
    bool Close() {
        const int f = fd;
        fd = -1;
        return CloseFd(f) == 0;
    }
};

// Writes all bytes; an injected failure (tests) stops with EIO once
// `allowance` (negative: none) is spent.
bool WriteAll(int fd, std::string_view bytes, std::ptrdiff_t& allowance) {
    while (!bytes.empty()) {
        std::size_t chunk = bytes.size();
        if (allowance >= 0) {
            if (allowance == 0) {
                errno = EIO;
                return false;
            }
            chunk = std::min(chunk, std::size_t(allowance));
        }
        const long long n = WriteFd(fd, bytes.data(), chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        if (allowance >= 0) allowance -= n;
        bytes.remove_prefix(std::size_t(n));
    }
    return true;
}

bool WriteAll(int fd, std::string_view bytes) {
    std::ptrdiff_t none = -1;
    return WriteAll(fd, bytes, none);
}

// Writes the bytes as they are made, counting them; an in-place write may be
// failed by tests.
bool WriteAll(int fd, const FilePieces& bytes, std::size_t& written, bool mayFail = false) {
    std::ptrdiff_t allowance = mayFail ? g_failAfter.exchange(-1) : -1;
    written = 0;
    errno = 0;
    const bool all = bytes([&](std::string_view piece) {
        written += piece.size();
        return WriteAll(fd, piece, allowance);
    });
    if (!all && errno == 0) errno = EIO; // the bytes were not made
    return all;
}

bool WriteAll(int fd, const FilePieces& bytes) {
    std::size_t written = 0;
    return WriteAll(fd, bytes, written);
}

// Pushes the folder's entries (a rename, a new file) to the disk.
void SyncFolder([[maybe_unused]] const fs::path& folder) {
#if !defined(_WIN32)
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
#endif
}

// Renames over an existing file.
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

// Reserves `size` bytes for the file without changing what it holds, so that
// a full disk is met before the first byte is written. Where the system
// cannot reserve, the write itself finds out.
bool Reserve([[maybe_unused]] int fd, [[maybe_unused]] std::size_t size, int& error) {
    if (size == 0) return true;
#if defined(_WIN32)
    FILE_ALLOCATION_INFO info{};
    info.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
    auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (SetFileInformationByHandle(handle, FileAllocationInfo, &info, sizeof info)) return true;
    const DWORD code = GetLastError();
    if (code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL) {
        error = ENOSPC;
        return false;
    }
    return true;
#elif defined(__linux__)
    if (fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0) return true;
    if (errno == ENOSPC || errno == EDQUOT || errno == EFBIG) {
        error = errno;
        return false;
    }
    return true;
#else
    return true;
#endif
}

// A file that no running process holds open for writing (POSIX: nobody has
// its lock) and that has not been touched for a while: a save that was
// killed left it.
bool IsStale(const fs::path& path) {
    std::error_code ec;
    const auto age = fs::file_time_type::clock::now() - fs::last_write_time(path, ec);
    if (ec || age < std::chrono::seconds(30)) return false;
#if defined(_WIN32)
    return true; // a file another process holds open cannot be removed there
#else
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
    close(fd);
    return free;
#endif
}

// Our temporary names: the target's name, ".saving", a number.
bool IsTemporaryOf(const std::string& name, const std::string& target) {
    constexpr std::string_view kMark = ".saving";
    if (name.size() <= target.size() + kMark.size() ||
        name.compare(0, target.size(), target) != 0 ||
        name.compare(target.size(), kMark.size(), kMark) != 0)
        return false;
    return std::all_of(name.begin() + std::ptrdiff_t(target.size() + kMark.size()), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

void RemoveStaleTemporaries(const fs::path& target) {
    std::error_code ec;
    const std::string name = Utf8FromPath(target.filename());
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::vector<fs::path> stale;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (IsTemporaryOf(Utf8FromPath(it->path().filename()), name) && IsStale(it->path()))
            stale.push_back(it->path());
    for (const fs::path& path : stale)
        fs::remove(path, ec);
}

// Creates the first free FILE.savingN, locked for as long as it is open, so
// that no other save takes it for a stale one. -1 with `error` set when none
// can be made.
int CreateTemporary(const fs::path& target, fs::path& made, std::string& error, int& code) {
    RemoveStaleTemporaries(target);
    for (int n = 0; n < 1000; ++n) {
        fs::path candidate = target;
        candidate += ".saving" + std::to_string(n);
        const int fd = OpenFd(candidate, kCreateNew);
        if (fd >= 0) {
#if !defined(_WIN32)
            flock(fd, LOCK_EX | LOCK_NB);
#endif
            made = candidate;
            return fd;
        }
        if (errno != EEXIST) {
            code = errno;
            error = "cannot write the file: " + ErrnoText(code);
            return -1;
        }
    }
    code = EEXIST;
    error = "cannot write the file: the 1000 temporary names beside it (" +
            Utf8FromPath(target.filename()) +
            ".saving0 to .saving999) are all taken by saves still running";
    return -1;
}

// Follows symbolic links to the file they name, also one that does not exist
// yet.
bool ResolveTarget(fs::path& path, std::string& error) {
    std::error_code ec;
    for (int depth = 0; fs::is_symlink(fs::symlink_status(path, ec)); ++depth) {
        if (depth == 40) {
            error = "cannot write the file: too many levels of symbolic links";
            return false;
        }
        const fs::path to = fs::read_symlink(path, ec);
        if (ec) break;
        path = to.is_absolute() ? to : path.parent_path() / to;
    }
    return true;
}

bool IsReadOnlyAt([[maybe_unused]] const fs::path& path, const fs::file_status& status) {
    constexpr auto anyWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if ((status.permissions() & anyWrite) == fs::perms::none) return true;
#if defined(_WIN32)
    return false;
#else
    return access(path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS);
#endif
}

// A pipe, a socket or a device: written into when that cannot hang the
// caller, refused otherwise.
bool WriteSpecial(const fs::path& target, const fs::file_status& status, const FilePieces& bytes,
                  std::string& error) {
    const std::string refused = "cannot write the file: it is not a regular file but ";
    if (fs::is_socket(status)) {
        error = refused + "a socket";
        return false;
    }
    if (fs::is_block_file(status)) {
        error = refused + "a block device";
        return false;
    }
#if defined(_WIN32)
    Fd file(OpenFd(target, kWrite));
#else
    // Opened without waiting: a pipe nobody reads refuses at once.
    Fd file(OpenFd(target, O_WRONLY | O_NONBLOCK | O_NOCTTY));
    if (file.fd < 0 && errno == ENXIO && fs::is_fifo(status)) {
        error = refused + "a pipe that no program reads from";
        return false;
    }
    if (file.fd >= 0) fcntl(file.fd, F_SETFL, fcntl(file.fd, F_GETFL) & ~O_NONBLOCK);
#endif
    if (file.fd < 0 || !WriteAll(file.fd, bytes) || !file.Close()) {
        error = "cannot write the file: " + ErrnoText(errno);
        return false;
    }
    return true;
}

// FNV-1a of bytes given piece by piece, in hex.
class Fingerprinter {
public:
    void Add(std::string_view bytes) {
        for (char c : bytes)
            m_hash = (m_hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    std::string Hex() const {
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(m_hash));
        return hex;
    }

private:
    std::uint64_t m_hash = 14695981039346656037ull;
};

std::string Fingerprint(std::string_view bytes) {
    Fingerprinter f;
    f.Add(bytes);
    return f.Hex();
}

// Of the file's full name: the copies of one file find each other.
std::string NameKey(const fs::path& target) {
    std::error_code ec;
    return Fingerprint(Utf8FromPath(fs::weakly_canonical(fs::absolute(target, ec), ec)));
}

// Beside each copy, what its save was to write: "SIZE FINGERPRINT". A copy
// whose file holds that, or still the copy's own bytes, is no interrupted
// save's.
fs::path IntentOf(const fs::path& copy) {
    fs::path intent = copy;
    intent += ".intent";
    return intent;
}

// Empty where the bytes could not be made.
std::string Intent(const FilePieces& bytes, std::size_t& size) {
    Fingerprinter f;
    size = 0;
    const bool made = bytes([&](std::string_view piece) {
        f.Add(piece);
        size += piece.size();
        return true;
    });
    return made ? std::to_string(size) + " " + f.Hex() + "\n" : std::string();
}

std::string Intent(std::string_view bytes) {
    std::size_t size = 0;
    return Intent(WholeBytes(bytes), size);
}

// Unsaved work and copies of the user's files are the user's alone.
void KeepPrivate(const fs::path& path, bool folder) {
    std::error_code ec;
    fs::permissions(path,
                    folder ? fs::perms::owner_all : fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::replace, ec);
}

// Writes a small file whole (a temporary renamed over it), synced.
bool WriteWhole(const fs::path& name, std::string_view bytes) {
    fs::path partial = name;
    partial += ".partial";
    std::error_code ec;
    fs::remove(partial, ec);
    Fd file(OpenFd(partial, kCreateNew));
    if (file.fd < 0) return false;
    KeepPrivate(partial, false);
    const bool written = WriteAll(file.fd, bytes) && SyncFd(file.fd) && file.Close();
    int code = 0;
    if (!written || !ReplaceFile(partial, name, code)) {
        fs::remove(partial, ec);
        return false;
    }
    SyncFolder(name.parent_path());
    return true;
}

// Where the copies of a file go: "NAME.KEY.backup" in the recovery folder,
// else "NAME.backup" beside the file; each one numbered on when taken.
std::vector<fs::path> BackupStems(const fs::path& target) {
    const std::string name = Utf8FromPath(target.filename());
    return {RecoveryFolder() / PathFromUtf8(name + "." + NameKey(target) + ".backup"),
            target.parent_path() / PathFromUtf8(name + ".backup")};
}

// The n-th copy of a stem (from 1): the stem itself, then with 2, 3...
fs::path CopyName(const fs::path& stem, int n) {
    fs::path name = stem;
    if (n > 1) name += std::to_string(n);
    return name;
}

// Writes the copy of the old bytes, and first what the save is to write,
// each whole, so that a copy that is there is whole and tells its save.
bool WriteBackup(const fs::path& stem, std::string_view old, const std::string& intent,
                 fs::path& made) {
    std::error_code ec;
    const bool inRecoveryFolder = stem.parent_path() == RecoveryFolder();
    fs::create_directories(stem.parent_path(), ec);
    if (inRecoveryFolder) KeepPrivate(stem.parent_path(), true);
    for (int n = 1; n < 100; ++n) {
        const fs::path name = CopyName(stem, n);
        if (fs::exists(name, ec)) continue; // an earlier copy stays for the user
        if (!WriteWhole(IntentOf(name), intent) || !WriteWhole(name, old)) {
            fs::remove(IntentOf(name), ec);
            return false;
        }
        made = name;
        return true;
    }
    return false;
}

// Overwrites the file where it stands, with the old bytes kept aside first.
bool WriteInPlace(const fs::path& target, const FilePieces& bytes, std::string& error) {
    // What the save is to write, made once before the bytes are written.
    std::size_t size = 0;
    const std::string intent = Intent(bytes, size);
    if (intent.empty()) {
        error = "cannot write the file: its text could not be made; it was not changed";
        return false;
    }
    CFileBuffer old;
    if (!old.LoadFile(Utf8FromPath(target)) && !old.LastError().ends_with("the file is empty")) {
        error = "cannot write the file in place: " + old.LastError();
        return false;
    }
    fs::path backup;
    bool kept = false;
    for (const fs::path& stem : BackupStems(target))
        if ((kept = WriteBackup(stem, old.View(), intent, backup))) break;
    if (!kept) {
        error = "cannot write the file: it must be written in place (it has other links, or its "
                "folder cannot be written to), and there is no place to keep a copy of it first";
        return false;
    }
    std::error_code ec;
    Fd file(OpenFd(target, kWrite));
    int code = 0;
    if (file.fd < 0 || !Reserve(file.fd, size, code)) {
        code = code ? code : errno;
        RemoveBackup(Utf8FromPath(backup));
        error = "cannot write the file: " + ErrnoText(code) + "; it was not changed";
        return false;
    }
    // Made again as they are written: the same bytes, or the old ones go back.
    std::size_t written = 0;
    bool whole = WriteAll(file.fd, bytes, written, true);
    if (whole && written != size) {
        whole = false;
        errno = EIO;
    }
    if (whole && TruncateFd(file.fd, size) && SyncFd(file.fd) && file.Close()) {
        RemoveBackup(Utf8FromPath(backup));
        return true;
    }
    code = errno;
    // Put the old bytes back; the copy goes only once they are.
    const bool restored = file.fd >= 0 && SeekStart(file.fd) && WriteAll(file.fd, old.View()) &&
                          TruncateFd(file.fd, old.GetSize()) && SyncFd(file.fd) && file.Close();
    if (restored) {
        RemoveBackup(Utf8FromPath(backup));
        error = "cannot write the file: " + ErrnoText(code) + "; it was put back as it was";
    } else {
        error = "cannot write the file: " + ErrnoText(code) + "; the file as it was is kept in " +
                Utf8FromPath(backup);
    }
    return false;
}

fs::path DefaultRecoveryFolder() {
#if defined(_WIN32)
    fs::path base;
    if (const wchar_t* appData = _wgetenv(L"APPDATA"); appData && *appData) base = appData;
    return base / "zeq-editor" / "recovery";
#else
    auto env = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value ? PathFromUtf8(value) : fs::path();
    };
#if defined(__APPLE__)
    return env("HOME") / "Library" / "Application Support" / "zeq-editor" / "recovery";
#else
    fs::path base = env("XDG_DATA_HOME");
    if (base.empty() || !base.is_absolute()) base = env("HOME") / ".local" / "share";
    return base / "zeq-editor" / "recovery";
#endif
#endif
}

} // namespace

fs::path RecoveryFolder() {
    std::lock_guard lock(g_folderMutex);
    if (g_recoveryFolder.empty()) g_recoveryFolder = DefaultRecoveryFolder();
    return g_recoveryFolder;
}

void SetRecoveryFolder(const fs::path& folder) {
    std::lock_guard lock(g_folderMutex);
    g_recoveryFolder = folder;
}

void FailNextInPlaceWriteAfter(std::ptrdiff_t bytes) {
    g_failAfter = bytes;
}

std::vector<std::string> LeftoverBackups(const std::string& path) {
    fs::path target = PathFromUtf8(path);
    std::string ignored;
    ResolveTarget(target, ignored);
    std::vector<std::string> found;
    std::error_code ec;
    std::optional<CFileBuffer> now; // the file, read when there is a copy to judge
    for (const fs::path& stem : BackupStems(target))
        for (int n = 1; n < 100; ++n) {
            const fs::path name = CopyName(stem, n);
            for (fs::path partial : {name, IntentOf(name)})
                if (IsStale(partial += ".partial")) fs::remove(partial, ec);
            if (!fs::is_regular_file(name, ec)) {
                fs::remove(IntentOf(name), ec); // its copy went: killed in between
                continue;
            }
            // A save that completed, or never began to write, was killed
            // only before it could tidy up: its copy tells nothing.
            if (!now) {
                now.emplace();
                now->LoadFile(Utf8FromPath(target));
            }
            CFileBuffer intent, copy;
            const bool done = (intent.LoadFile(Utf8FromPath(IntentOf(name))) &&
                               intent.View() == Intent(now->View())) ||
                              (copy.LoadFile(Utf8FromPath(name)) && copy.View() == now->View());
            if (done && now->GetSize() > 0)
                RemoveBackup(Utf8FromPath(name));
            else
                found.push_back(Utf8FromPath(name));
        }
    return found;
}

bool RemoveBackup(const std::string& copy) {
    // The copy first: a copy is never left without what tells its save.
    const fs::path name = PathFromUtf8(copy);
    std::error_code ec;
    const bool removed = fs::remove(name, ec) && !ec;
    fs::remove(IntentOf(name), ec);
    return removed;
}

bool RestoreBackup(const std::string& path, const std::string& copy, std::string& error) {
    CFileBuffer old;
    if (!old.LoadFile(copy)) {
        error = "cannot read the copy: " + old.LastError();
        return false;
    }
    if (!SaveFileSafely(path, old.View(), error)) return false;
    RemoveBackup(copy);
    return true;
}

bool IsReadOnlyFile(const std::string& path) {
    const fs::path name = PathFromUtf8(path);
    std::error_code ec;
    const fs::file_status status = fs::status(name, ec);
    return !ec && fs::exists(status) && IsReadOnlyAt(name, status);
}

bool SaveFileSafely(const std::string& path, std::string_view bytes, std::string& error) {
    return SaveFileSafely(path, WholeBytes(bytes), error);
}

bool SaveFileSafely(const std::string& path, const FilePieces& bytes, std::string& error) {
    error.clear();
    if (path.empty()) {
        error = "no file name given";
        return false;
    }
    fs::path target = PathFromUtf8(path);
    if (!ResolveTarget(target, error)) return false;
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    const bool exists = !ec && fs::exists(status);
    if (exists && fs::is_directory(status)) {
        error = "cannot write the file: it is a folder";
        return false;
    }
    if (exists && IsReadOnlyAt(target, status)) {
        error = "cannot write the file: it is read-only";
        return false;
    }
    if (exists && !fs::is_regular_file(status)) return WriteSpecial(target, status, bytes, error);
    // A file with other names (hard links) keeps them only when written in place.
    if (exists && fs::hard_link_count(target, ec) > 1) return WriteInPlace(target, bytes, error);

    fs::path temporary;
    int code = 0;
    Fd file(CreateTemporary(target, temporary, error, code));
    if (file.fd < 0) {
        // A writable file in a folder the user cannot write to: in place.
        if (exists && (code == EACCES || code == EPERM || code == EROFS))
            return WriteInPlace(target, bytes, error);
        return false;
    }
    const bool written = WriteAll(file.fd, bytes) && SyncFd(file.fd);
    code = errno;
    if (!file.Close() || !written) {
        error = "cannot write the file: " + ErrnoText(written ? errno : code);
        fs::remove(temporary, ec);
        return false;
    }
    if (exists) fs::permissions(temporary, status.permissions(), ec); // keep what it had
    if (!ReplaceFile(temporary, target, code)) {
        error = "cannot replace the file: " + ErrnoText(code);
        fs::remove(temporary, ec);
        return false;
    }
    SyncFolder(target.parent_path());
    return true;
}
