#include "filebuffer.h"
#include "sectionfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

namespace fs = std::filesystem;

namespace {

class TempDir : public testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("zeq-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "-" + testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(m_dir, fs::perms::owner_all, ec);
        fs::remove_all(m_dir, ec);
    }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    fs::path m_dir;
};

using FileBufferTest = TempDir;

TEST_F(FileBufferTest, WrittenTreeMatchesTheExampleByteForByte) {
    CSectionFile file;
    SectionNode* start = file.AddSection("Start");
    CSectionFile::AddEntry(start, "scrapCount", "40");
    file.AddSection("Cheat");
    const std::string expected = "[Start]\r\nscrapCount = 40\r\n\r\n[Cheat]\r\n\r\n";
    EXPECT_EQ(file.GetTextSize(), 39u);
    EXPECT_EQ(file.WriteText(), expected);

    ASSERT_TRUE(file.SaveFile(Path("a.zeq")));
    EXPECT_EQ(Read(Path("a.zeq")), expected);
}

TEST_F(FileBufferTest, NullStringsWriteAndParseBack) {
    CSectionFile file;
    SectionNode* unnamed = file.AddSection("");
    CSectionFile::AddEntry(unnamed, "", "value");
    CSectionFile::AddEntry(unnamed, "key", "");
    const std::string text = file.WriteText();
    EXPECT_EQ(text, "[]\r\n = value\r\nkey = \r\n\r\n");
    EXPECT_EQ(text.size(), file.GetTextSize());

    CSectionFile again;
    ASSERT_TRUE(again.ParseText(text));
    EXPECT_EQ(again.WriteText(), text);
}

TEST_F(FileBufferTest, UnquotedValuesChangeOnTheWayBack) {
    struct Case {
        std::string stored;
        bool parses;
        std::string reread;
    };
    const Case cases[] = {
        {"two words", true, "twowords"},
        {"a//b", true, "a"},
        {"a]", false, ""},
    };
    for (const auto& c : cases) {
        CSectionFile file;
        CSectionFile::AddEntry(file.AddSection("S"), "k", c.stored);
        CSectionFile again;
        ASSERT_EQ(again.ParseText(file.WriteText()), c.parses) << c.stored;
        if (c.parses) {
            EXPECT_EQ(CSectionFile::FindEntry(again.FindSection("S"), "k")->value, c.reread);
        }
    }
}

TEST_F(FileBufferTest, EmptyTreeSavesAnEmptyFileThatDoesNotLoad) {
    CSectionFile file;
    EXPECT_EQ(file.GetTextSize(), 0u);
    EXPECT_EQ(file.WriteText(), "");
    ASSERT_TRUE(file.SaveFile(Path("empty.zeq")));
    EXPECT_TRUE(fs::exists(Path("empty.zeq")));
    EXPECT_EQ(fs::file_size(Path("empty.zeq")), 0u);
    EXPECT_FALSE(file.LoadFile(Path("empty.zeq")));
    EXPECT_EQ(file.LastError().line, 1);
    EXPECT_EQ(file.LastError().reason, "the file is empty");
}

TEST_F(FileBufferTest, LoadFileEmptiesTheTreeOnFailure) {
    CSectionFile file;
    ASSERT_TRUE(file.ParseText("[A]\r\n"));
    EXPECT_FALSE(file.LoadFile(Path("missing.zeq")));
    EXPECT_TRUE(file.Sections().empty());
    EXPECT_NE(file.LastError().reason.find("cannot read"), std::string::npos);
    EXPECT_FALSE(file.LoadFile(m_dir.string())); // a folder
    EXPECT_FALSE(file.LoadFile(""));
}

TEST_F(FileBufferTest, LoadFileReadsEveryByte) {
    std::string bytes = "[S]\r\nk = \"";
    for (int i = 0; i < 200000; ++i)
        bytes += char('a' + i % 26);
    bytes += "\"\r\n";
    Write(Path("big.zeq"), bytes);
    CFileBuffer buffer;
    ASSERT_TRUE(buffer.LoadFile(Path("big.zeq")));
    EXPECT_EQ(buffer.View(), bytes);
    EXPECT_EQ(buffer.Detach(), bytes);
    EXPECT_TRUE(buffer.IsEmpty());
}

TEST_F(FileBufferTest, SaveReplacesAnExistingFileWholly) {
    Write(Path("plan.zeq"), std::string(5000, 'x'));
    CFileBuffer buffer;
    ASSERT_TRUE(buffer.SetData("short"));
    ASSERT_TRUE(buffer.SaveFile(Path("plan.zeq")));
    EXPECT_EQ(Read(Path("plan.zeq")), "short");
    // Nothing is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

#ifndef _WIN32
// A write that fails half-way (here: past the process's file size limit,
// which holds for root too) must leave the old file as it was.
TEST_F(FileBufferTest, FailedWriteKeepsTheOldFile) {
    Write(Path("plan.zeq"), "old contents");
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    CFileBuffer buffer;
    ASSERT_TRUE(buffer.SetData(std::string(100000, 'n')));
    const bool saved_ok = buffer.SaveFile(Path("plan.zeq"));

    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(saved_ok);
    EXPECT_NE(buffer.LastError().find("cannot write"), std::string::npos);
    EXPECT_EQ(Read(Path("plan.zeq")), "old contents");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}
#endif

// Replacing fails when the target is a folder: the folder and its contents
// stay, and the temporary file is gone.
TEST_F(FileBufferTest, FailedReplaceLeavesNothingBehind) {
    fs::create_directory(Path("plan.zeq"));
    Write(Path("plan.zeq/inside"), "kept");
    CFileBuffer buffer;
    ASSERT_TRUE(buffer.SetData("new"));
    EXPECT_FALSE(buffer.SaveFile(Path("plan.zeq")));
    EXPECT_EQ(Read(Path("plan.zeq/inside")), "kept");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(FileBufferTest, FailedSaveIntoMissingFolderReports) {
    CFileBuffer buffer;
    ASSERT_TRUE(buffer.SetData("x"));
    EXPECT_FALSE(buffer.SaveFile(Path("no/such/folder/plan.zeq")));
    EXPECT_NE(buffer.LastError().find("cannot write"), std::string::npos);
    EXPECT_FALSE(buffer.SaveFile(""));
}

TEST_F(FileBufferTest, SaveOverALinkWritesTheLinkedFile) {
    Write(Path("real.zeq"), "old");
    fs::create_symlink(Path("real.zeq"), Path("link.zeq"));
    CFileBuffer buffer;
    ASSERT_TRUE(buffer.SetData("new"));
    ASSERT_TRUE(buffer.SaveFile(Path("link.zeq")));
    EXPECT_TRUE(fs::is_symlink(Path("link.zeq")));
    EXPECT_EQ(Read(Path("real.zeq")), "new");
}

TEST_F(FileBufferTest, SaveKeepsPermissions) {
    Write(Path("plan.zeq"), "old");
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(Path("plan.zeq"), mode);
    CFileBuffer buffer;
    ASSERT_TRUE(buffer.SetData("new"));
    ASSERT_TRUE(buffer.SaveFile(Path("plan.zeq")));
    EXPECT_EQ(fs::status(Path("plan.zeq")).permissions() & fs::perms::all, mode);
}

TEST(FileBuffer, SetDataRefusesAnEmptyBlock) {
    CFileBuffer buffer;
    ASSERT_TRUE(buffer.SetData("abc"));
    EXPECT_FALSE(buffer.SetData(""));
    EXPECT_EQ(buffer.View(), "abc");
    buffer.Free();
    EXPECT_TRUE(buffer.IsEmpty());
}

} // namespace
