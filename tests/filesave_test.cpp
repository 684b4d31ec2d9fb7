// Saving never leaves the user's file torn, cut off or spliced: the usual
// replace, the in-place write with its copy, the targets that are no regular
// files, and what killed saves leave behind.

#include "filesave.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

class FileSaveTest : public testsupport::TempFolder {
protected:
    void SetUp() override {
        TempFolder::SetUp();
        m_recovery = m_dir.string() + "-recovery";
        fs::remove_all(m_recovery);
        SetRecoveryFolder(m_recovery);
    }
    void TearDown() override {
        fs::remove_all(m_recovery);
        TempFolder::TearDown();
    }
    bool Save(const std::string& name, std::string_view bytes) {
        return SaveFileSafely(Path(name), bytes, m_error);
    }
    // A second name for the file, so that a save must write it in place.
    std::string Linked(const std::string& name, const std::string& bytes) {
        Write(name, bytes);
        fs::create_hard_link(Path(name), Path(name + ".link"));
        return Path(name);
    }

    fs::path m_recovery;
    std::string m_error;
};

TEST_F(FileSaveTest, ReplacesWhollyAndLeavesNothingBeside) {
    Write("plan.zeq", std::string(5000, 'x'));
    ASSERT_TRUE(Save("plan.zeq", "short")) << m_error;
    EXPECT_EQ(Read(Path("plan.zeq")), "short");
    EXPECT_EQ(FileCount(), 1u);

    fs::create_directory(Path("folder.zeq"));
    EXPECT_FALSE(Save("folder.zeq", "new"));
    EXPECT_EQ(m_error, "cannot write the file: it is a folder");
    EXPECT_FALSE(Save("no/such/folder/plan.zeq", "new"));
    EXPECT_EQ(m_error, "cannot write the file: No such file or directory");
    EXPECT_FALSE(SaveFileSafely("", "new", m_error));
    EXPECT_EQ(FileCount(), 2u);
}

#ifndef _WIN32
// A write that fails half-way (past the process's file size limit, which
// holds for root too) leaves the old file as it was.
TEST_F(FileSaveTest, FailedReplaceKeepsTheOldFile) {
    Write("plan.zeq", "old contents");
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = Save("plan.zeq", std::string(100000, 'n'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(ok);
    EXPECT_EQ(m_error, "cannot write the file: File too large");
    EXPECT_EQ(Read(Path("plan.zeq")), "old contents");
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(FileSaveTest, LinksSaveIntoTheFileTheyName) {
    Write("real.zeq", "old");
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(Path("real.zeq"), mode);
    fs::create_symlink("real.zeq", Path("link.zeq")); // relative, as users make them
    ASSERT_TRUE(Save("link.zeq", "new")) << m_error;
    EXPECT_TRUE(fs::is_symlink(Path("link.zeq")));
    EXPECT_EQ(Read(Path("real.zeq")), "new");
    EXPECT_EQ(fs::status(Path("real.zeq")).permissions() & fs::perms::all, mode);

    fs::create_directory(Path("sub"));
    fs::create_symlink("sub/made.zeq", Path("dangling.zeq"));
    ASSERT_TRUE(Save("dangling.zeq", "made")) << m_error;
    EXPECT_TRUE(fs::is_symlink(Path("dangling.zeq")));
    EXPECT_EQ(Read(Path("sub/made.zeq")), "made");

    fs::create_symlink("loop.zeq", Path("loop.zeq"));
    EXPECT_FALSE(Save("loop.zeq", "x"));
    EXPECT_EQ(m_error, "cannot write the file: too many levels of symbolic links");
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

// Where the usual replace would do harm, the file is written in place (its
// other names kept) or, when it is read-only, not at all.
TEST_F(FileSaveTest, InPlaceWhereAReplaceWouldDoHarm) {
    fs::permissions(Write("readonly.zeq", "old"), fs::perms::owner_read);
    EXPECT_FALSE(Save("readonly.zeq", "new"));
    EXPECT_EQ(m_error, "cannot write the file: it is read-only");
    EXPECT_EQ(Read(Path("readonly.zeq")), "old");

    Linked("linked.zeq", "old and longer");
    ASSERT_TRUE(Save("linked.zeq", "new")) << m_error;
    EXPECT_EQ(Read(Path("linked.zeq.link")), "new");
    EXPECT_TRUE(LeftoverBackups(Path("linked.zeq")).empty()); // the copy goes once written

    fs::create_directory(Path("locked"));
    Write("locked/plan.zeq", "old and longer");
    if (!LockFolder(Path("locked"), true)) GTEST_SKIP() << "cannot lock a folder here";
    const bool saved = Save("locked/plan.zeq", "new");
    const bool savedNew = Save("locked/new.zeq", "new");
    LockFolder(Path("locked"), false);
    EXPECT_TRUE(saved) << m_error;
    EXPECT_EQ(Read(Path("locked/plan.zeq")), "new");
    EXPECT_FALSE(savedNew);
}

// A write that fails half-way puts the old bytes back; with no place for a
// copy nothing is written at all.
TEST_F(FileSaveTest, FailedInPlaceWritePutsTheOldBytesBack) {
    const std::string old = Linked("plan.zeq", std::string(3000, 'o'));
    FailNextInPlaceWriteAfter(1000);
    EXPECT_FALSE(Save("plan.zeq", std::string(5000, 'n')));
    EXPECT_EQ(m_error, "cannot write the file: Input/output error; it was put back as it was");
    EXPECT_EQ(Read(old), std::string(3000, 'o'));
    EXPECT_TRUE(LeftoverBackups(old).empty());

    // The recovery folder a file, and the file's folder locked: no copy.
    fs::remove_all(m_recovery);
    Write(m_recovery.string(), "in the way");
    if (!LockFolder(m_dir.string(), true)) GTEST_SKIP() << "cannot lock a folder here";
    const bool saved = Save("plan.zeq", "new");
    LockFolder(m_dir.string(), false);
    fs::remove(m_recovery);
    EXPECT_FALSE(saved);
    EXPECT_NE(m_error.find("no place to keep a copy"), std::string::npos) << m_error;
    EXPECT_EQ(Read(old), std::string(3000, 'o'));
}

// Bytes made as they are written: the usual way and in place write what
// they make; where they stop, or come out otherwise the second time (in
// place, they are made once to note what the save writes), the file stays.
TEST_F(FileSaveTest, BytesMadeAsTheyAreWritten) {
    int calls = 0;
    const FilePieces pieces = [&](const std::function<bool(std::string_view)>& put) {
        ++calls;
        return put("new ") && put("") && put("and made");
    };
    const FilePieces stopping = [](const std::function<bool(std::string_view)>& put) {
        return put("cut") && false;
    };
    const FilePieces changing = [&calls](const std::function<bool(std::string_view)>& put) {
        return put(++calls == 1 ? "first" : "second, longer");
    };
    struct Case {
        bool linked;
        const FilePieces* bytes;
        const char* saved; // nothing: not saved
    } cases[] = {{false, &pieces, "new and made"},
                 {true, &pieces, "new and made"},
                 {false, &stopping, nullptr},
                 {true, &stopping, nullptr},
                 {true, &changing, nullptr}};
    for (const Case& c : cases) {
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        calls = 0;
        const std::string path = c.linked ? Linked("plan.zeq", "old") : Write("plan.zeq", "old");
        const bool saved = SaveFileSafely(path, *c.bytes, m_error);
        EXPECT_EQ(saved, c.saved != nullptr) << m_error;
        EXPECT_EQ(Read(path), c.saved ? c.saved : "old") << c.linked;
        EXPECT_EQ(FileCount(), c.linked ? 2u : 1u) << c.linked; // no temporary stays
        EXPECT_TRUE(LeftoverBackups(path).empty());
    }
}

// A full disk is met before the first byte: on a small file system of the
// test's own (root only), the file stays as it was.
TEST_F(FileSaveTest, AFullDiskFailsBeforeTheFirstByte) {
    fs::create_directory(Path("small"));
    if (mount("tmpfs", Path("small").c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    const std::string target = Path("small/plan.zeq");
    testsupport::WriteFile(target, std::string(20000, 'o'));
    fs::create_hard_link(target, Path("small/plan.zeq.link"));
    const bool inPlace = SaveFileSafely(target, std::string(100000, 'n'), m_error);
    const std::string inPlaceError = m_error;
    fs::remove(Path("small/plan.zeq.link"));
    const bool replaced = SaveFileSafely(target, std::string(100000, 'n'), m_error);
    const bool kept = Read(target) == std::string(20000, 'o');
    const auto left = std::distance(fs::directory_iterator(Path("small")), {});
    umount(Path("small").c_str());
    EXPECT_FALSE(inPlace);
    EXPECT_EQ(inPlaceError, "cannot write the file: No space left on device; it was not changed");
    EXPECT_FALSE(replaced);
    EXPECT_TRUE(kept);
    EXPECT_EQ(left, 1);
}

// Stale temporary files of killed saves go; those of saves still running,
// or of other programs, stay.
TEST_F(FileSaveTest, StaleTemporaryFilesAreRemoved) {
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (int n = 0; n < 1000; ++n)
        fs::last_write_time(Write("plan.zeq.saving" + std::to_string(n), "x"), old);
    fs::last_write_time(Write("plan.zeq.savingX", "x"), old);
    fs::last_write_time(Write("other.zeq.saving1", "x"), old);
    const int held = open(Path("plan.zeq.saving7").c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    Write("plan.zeq.saving8", "young");

    ASSERT_TRUE(Save("plan.zeq", "new")) << m_error;
    close(held);
    EXPECT_EQ(Read(Path("plan.zeq")), "new");
    for (const char* name :
         {"plan.zeq.saving7", "plan.zeq.saving8", "plan.zeq.savingX", "other.zeq.saving1"})
        EXPECT_TRUE(fs::exists(Path(name))) << name;
    EXPECT_EQ(FileCount(), 5u);
}

TEST_F(FileSaveTest, PipesAndSocketsNeverHang) {
    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Save("pipe", "new"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(m_error,
              "cannot write the file: it is not a regular file but a pipe that no program reads "
              "from");

    const int reader = open(Path("pipe").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_TRUE(Save("pipe", "new")) << m_error;
    char got[16] = {};
    EXPECT_EQ(read(reader, got, sizeof got), 3);
    close(reader);
    EXPECT_TRUE(fs::is_fifo(Path("pipe")));

    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = Path("socket");
    if (socketPath.size() < sizeof address.sun_path) {
        socketPath.copy(address.sun_path, socketPath.size());
        ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_FALSE(Save("socket", "new"));
        EXPECT_EQ(m_error, "cannot write the file: it is not a regular file but a socket");
    }
    close(sock);
    EXPECT_TRUE(SaveFileSafely("/dev/null", "new", m_error)) << m_error;
}

std::string Plans(int count, const char* extra) {
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += "[Plan" + std::to_string(i) +
                "]\r\nplanType = \"Hold\"\r\nplanPriority = " + std::to_string(i % 16000 + 1) +
                "\r\n" + extra;
    return text;
}

// Killed at random moments of an in-place save of a large file: the file is
// whole (old or new), or else a whole copy of the old one is left, and found.
TEST_F(FileSaveTest, AKilledInPlaceSaveLeavesAWholeVersion) {
    const std::string old = Plans(40000, "");
    const std::string next = Plans(40000, "holdPoint = \"north_ridge\"\r\n");
    const std::string target = Linked("big.zeq", old);

    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(SaveFileSafely(target, next, m_error)) << m_error;
    const auto took = std::chrono::steady_clock::now() - started;
    std::mt19937 random(7);
    int torn = 0, interrupted = 0;
    for (int kill = 0; kill < 24; ++kill) {
        testsupport::WriteFile(Path("big.zeq.link"), old); // in place: both names
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::string error;
            _exit(SaveFileSafely(target, next, error) ? 0 : 1);
        }
        std::uniform_int_distribution<long> at(
            0, 3 * std::chrono::duration_cast<std::chrono::microseconds>(took).count() / 2);
        usleep(useconds_t(at(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        // A copy is told of only where the file is neither version, and
        // nothing is left of a save that completed.
        const std::string now = Read(target);
        const std::vector<std::string> copies = LeftoverBackups(target);
        if (!copies.empty()) {
            ++interrupted;
            if (copies.size() != 1 || Read(copies[0]) != old || now == old || now == next) ++torn;
            EXPECT_TRUE(RemoveBackup(copies[0]));
        } else if (now != old && now != next) {
            ++torn;
        }
        for (const auto& left : fs::directory_iterator(m_recovery)) // but a copy half-made
            EXPECT_TRUE(left.path().extension() == ".partial") << left.path();
    }
    EXPECT_EQ(torn, 0) << interrupted << " of 24 kills left a copy";
    EXPECT_FALSE(RestoreBackup(target, "gone", m_error) || !m_error.starts_with("cannot read"));
    EXPECT_EQ(fs::status(m_recovery).permissions() & fs::perms::all, fs::perms::owner_all);
}
#endif

} // namespace
