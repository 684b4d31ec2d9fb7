#include "filebuffer.h"

#include "filepath.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <system_error>
#include <utility>

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
// call on Windows.
std::FILE* OpenFile(const fs::path& path) {
#if defined(_WIN32)
    return _wfopen(path.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

} // namespace

bool CFileBuffer::TooLarge() {
    m_error = "cannot read the file: it is larger than 2 GB, more than a plan file can hold";
    return false;
}

void CFileBuffer::Free() {
    m_data.clear();
}

std::string CFileBuffer::Detach() {
    return std::exchange(m_data, {});
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
    File file(OpenFile(name));
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
