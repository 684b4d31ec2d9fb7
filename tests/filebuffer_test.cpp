#include "filebuffer.h"
#include "sectionfile.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

using FileBufferTest = testsupport::TempFolder;

TEST_F(FileBufferTest, WritesTreesByteForByte) {
    CSectionFile file;
    EXPECT_EQ(file.WriteText(), "");
    file.AddEntry(file.AddSection("Start"), "scrapCount", std::to_string(40));
    file.AddSection("Cheat");
    SectionNode* unnamed = file.AddSection("");
    file.AddEntry(unnamed, "", "value");
    file.AddEntry(unnamed, "key", "");
    const std::string expected =
        "[Start]\r\nscrapCount = 40\r\n\r\n[Cheat]\r\n\r\n[]\r\n = value\r\nkey = \r\n\r\n";
    EXPECT_EQ(file.WriteText(), expected);
    ASSERT_TRUE(file.SaveFile(Path("a.zeq")));
    EXPECT_EQ(Read(Path("a.zeq")), expected);

    CSectionFile again; // null names, keys and values parse back as they were
    ASSERT_TRUE(again.ParseText(expected));
    EXPECT_EQ(again.WriteText(), expected);
}

TEST_F(FileBufferTest, EmptyFilesMissingFilesAndFoldersDoNotLoad) {
    CSectionFile empty;
    ASSERT_TRUE(empty.SaveFile(Path("empty.zeq")));
    EXPECT_EQ(fs::file_size(Path("empty.zeq")), 0u);

    // Sparse: the size is refused before a byte is read.
    fs::resize_file(Write("huge.zeq", "[A]"), std::uintmax_t(1) << 31);

    CSectionFile file;
    for (const auto& [path, reason] :
         {std::pair{Path("empty.zeq"), "the file is empty"},
          {Path("huge.zeq"),
           "cannot read the file: it is larger than 2 GB, more than a plan file can hold"},
          {Path("missing.zeq"), "cannot read the file: No such file or directory"},
          {m_dir.string(), "cannot read the file: it is a folder"},
          {std::string(), "no file name given"}}) {
        ASSERT_TRUE(file.ParseText("[A]\r\n"));
        EXPECT_FALSE(file.LoadFile(path)) << path;
        EXPECT_TRUE(file.Sections().empty());
        EXPECT_EQ(file.LastError().line, 1);
        EXPECT_EQ(file.LastError().message, reason);
    }
}

TEST_F(FileBufferTest, LoadFileReadsEveryByte) {
    std::string bytes = "[S]\r\nk = \"";
    for (int i = 0; i < 200000; ++i)
        bytes += char('a' + i % 26);
    CFileBuffer buffer;
    ASSERT_TRUE(buffer.LoadFile(Write("big.zeq", bytes)));
    EXPECT_EQ(buffer.Detach(), bytes);
    EXPECT_TRUE(buffer.IsEmpty());
    EXPECT_FALSE(buffer.SetData(""));
}

TEST_F(FileBufferTest, SaveReplacesAnExistingFileWholly) {
    Write("plan.zeq", std::string(5000, 'x'));
    CFileBuffer buffer;
    ASSERT_TRUE(buffer.SetData("short"));
    ASSERT_TRUE(buffer.SaveFile(Path("plan.zeq")));
    EXPECT_EQ(Read(Path("plan.zeq")), "short");
    EXPECT_EQ(FileCount(), 1u); // no temporary file is left beside it
}

// File names are UTF-8 bytes on every system: on Windows a name outside the
// ANSI code page must still open (and not be made under a garbled name).
TEST_F(FileBufferTest, NamesAreUtf8) {
    const std::string name = Utf8FromPath(m_dir) + "/pl\xC3\xA4n \xE2\x9C\x93.zeq";
    CFileBuffer buffer;
    ASSERT_TRUE(buffer.SetData("[A]\r\n"));
    ASSERT_TRUE(buffer.SaveFile(name)) << buffer.LastError();
    EXPECT_EQ(fs::directory_iterator(m_dir)->path().filename(), PathFromUtf8(name).filename());
    CFileBuffer read;
    ASSERT_TRUE(read.LoadFile(name)) << read.LastError();
    EXPECT_EQ(read.View(), "[A]\r\n");
}

#ifndef _WIN32
// A write that fails half-way (here: past the process's file size limit,
// which holds for root too) must leave the old file as it was.
TEST_F(FileBufferTest, FailedWriteKeepsTheOldFile) {
    Write("plan.zeq", "old contents");
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    CFileBuffer buffer;
    ASSERT_TRUE(buffer.SetData(std::string(100000, 'n')));
    const bool savedOk = buffer.SaveFile(Path("plan.zeq"));

    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(savedOk);
    EXPECT_NE(buffer.LastError().find("cannot write"), std::string::npos);
    EXPECT_EQ(Read(Path("plan.zeq")), "old contents");
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(FileBufferTest, SaveOverALinkWritesTheLinkedFileWithItsPermissions) {
    Write("real.zeq", "old");
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(Path("real.zeq"), mode);
    fs::create_symlink(Path("real.zeq"), Path("link.zeq"));
    CFileBuffer buffer;
    ASSERT_TRUE(buffer.SetData("new"));
    ASSERT_TRUE(buffer.SaveFile(Path("link.zeq")));
    EXPECT_TRUE(fs::is_symlink(Path("link.zeq")));
    EXPECT_EQ(Read(Path("real.zeq")), "new");
    EXPECT_EQ(fs::status(Path("real.zeq")).permissions() & fs::perms::all, mode);
}

// Makes a folder one where no file can be made (for root, who may write
// anywhere, by marking it immutable); false where the system does not allow it.
bool LockFolder(const std::string& folder, bool lock) {
    if (geteuid() != 0) return chmod(folder.c_str(), lock ? 0555 : 0755) == 0;
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    bool ok = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = lock ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0) close(fd);
    return ok;
}

// Where the usual replace would do harm, the file is written in place or,
// when it is read-only, not at all.
TEST_F(FileBufferTest, TargetsThatMustNotBeReplaced) {
    CFileBuffer buffer;
    ASSERT_TRUE(buffer.SetData("new"));

    fs::permissions(Write("readonly.zeq", "old"), fs::perms::owner_read);
    EXPECT_FALSE(buffer.SaveFile(Path("readonly.zeq")));
    EXPECT_EQ(buffer.LastError(), "cannot write the file: it is read-only");
    EXPECT_EQ(Read(Path("readonly.zeq")), "old");

    Write("linked.zeq", "old and longer");
    fs::create_hard_link(Path("linked.zeq"), Path("other-name.zeq"));
    ASSERT_TRUE(buffer.SaveFile(Path("linked.zeq")));
    EXPECT_EQ(Read(Path("other-name.zeq")), "new");
    EXPECT_EQ(fs::hard_link_count(Path("linked.zeq")), 2u);

    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
    const int reader = open(Path("pipe").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_TRUE(buffer.SaveFile(Path("pipe"))) << buffer.LastError();
    char got[16] = {};
    EXPECT_EQ(read(reader, got, sizeof got), 3);
    close(reader);
    EXPECT_EQ(std::string(got), "new");
    EXPECT_TRUE(fs::is_fifo(Path("pipe")));

    fs::create_directory(Path("locked"));
    Write("locked/plan.zeq", "old and longer");
    if (!LockFolder(Path("locked"), true)) GTEST_SKIP() << "cannot lock a folder here";
    const bool saved = buffer.SaveFile(Path("locked/plan.zeq"));
    const bool savedNew = buffer.SaveFile(Path("locked/new.zeq"));
    LockFolder(Path("locked"), false);
    EXPECT_TRUE(saved) << buffer.LastError();
    EXPECT_EQ(Read(Path("locked/plan.zeq")), "new");
    EXPECT_FALSE(savedNew);
}
#endif

// A folder as the target, or no folder for it: the save fails, whatever was
// there stays, and no temporary file is left behind.
TEST_F(FileBufferTest, FailedSavesLeaveNothingBehind) {
    fs::create_directory(Path("plan.zeq"));
    Write("plan.zeq/inside", "kept");
    CFileBuffer buffer;
    ASSERT_TRUE(buffer.SetData("new"));
    EXPECT_FALSE(buffer.SaveFile(Path("plan.zeq")));
    EXPECT_EQ(Read(Path("plan.zeq/inside")), "kept");
    EXPECT_FALSE(buffer.SaveFile(Path("no/such/folder/plan.zeq")));
    EXPECT_NE(buffer.LastError().find("cannot write"), std::string::npos);
    EXPECT_FALSE(buffer.SaveFile(""));
    EXPECT_EQ(FileCount(), 1u);
}

} // namespace
