#pragma once

// What the core tests share: a folder of each test's own under the system's
// temporary folder, whole-file reads and writes, and CR LF text.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

namespace testsupport {

// A name of this test run's own under the temporary folder: two runs at once
// (two checkouts on one machine) must not share a test's folder.
inline std::filesystem::path OwnTempPath(const std::string& name) {
#if defined(_WIN32)
    const int process = _getpid();
#else
    const int process = int(getpid());
#endif
    return std::filesystem::temp_directory_path() / (name + "-" + std::to_string(process));
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::string WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

// Rows of a test table (structs with a `name`) print as their name, and
// RowName() names each instance of a TEST_P by it.
template <typename Row>
requires requires(const Row& row) {
    row.name;
}
void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}
struct RowName {
    template <typename Info> std::string operator()(const Info& info) const {
        return info.param.name;
    }
};

// "a\nb\n" with CR LF line ends, as plan files are written.
inline std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// A fixture whose test gets an empty folder, removed afterwards whatever the
// test left in it (even files it made unreadable).
class TempFolder : public testing::Test {
protected:
    void SetUp() override {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        m_dir = OwnTempPath(std::string("zeq-") + info->test_suite_name() + "-" + info->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override {
        std::error_code ec;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(m_dir, ec))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all, ec);
        std::filesystem::permissions(m_dir, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(m_dir, ec);
    }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        return WriteFile(m_dir / name, bytes);
    }
    static std::string Read(const std::string& path) { return ReadFile(path); }
    std::size_t FileCount() const {
        return std::size_t(std::distance(std::filesystem::directory_iterator(m_dir),
                                         std::filesystem::directory_iterator()));
    }

    std::filesystem::path m_dir;
};

} // namespace testsupport
