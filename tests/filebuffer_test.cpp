#include "filebuffer.h"
#include "filepath.h"
#include "filesave.h"
#include "sectionfile.h"
#include "testsupport.h"

#include <gtest/gtest.h>

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
        EXPECT_EQ(file.LastError().line, 0); // the whole file
        EXPECT_EQ(file.LastError().message, reason);
    }
}

// File names are UTF-8 bytes on every system: on Windows a name outside the
// ANSI code page must still open (and not be made under a garbled name).
// Names are UTF-8, and may run deeper than Windows' 260 characters: made,
// replaced by a second save (a temporary renamed over it) and read back,
// with the name shown as given.
TEST_F(FileBufferTest, NamesOfAnyLengthAndCharacters) {
    std::vector<std::string> names{Utf8FromPath(m_dir)};
    while (names.back().size() < 300) {
        names.push_back(names.back() + "/folder " + std::string(40, 'x'));
        ASSERT_TRUE(fs::create_directory(PathFromUtf8(names.back()))) << names.back();
    }
    const std::string name = names.back() + "/pl\xC3\xA4n \xE2\x9C\x93.zeq";
    names.push_back(name);
    CFileBuffer buffer;
    for (const char* text : {"[A]\r\n", "[B]\r\n"}) {
        std::string error;
        ASSERT_TRUE(SaveFileSafely(name, text, error)) << error;
        ASSERT_TRUE(buffer.LoadFile(name)) << buffer.LastError();
        EXPECT_EQ(buffer.View(), text);
    }
    EXPECT_TRUE(fs::exists(PathFromUtf8(name)));
    EXPECT_EQ(Utf8FromPath(PathFromUtf8(name)).find('?'), std::string::npos); // shown as usual
    // Taken away from the deepest up: a removal by the short name fails.
    while (names.size() > 1) {
        EXPECT_TRUE(fs::remove(PathFromUtf8(names.back()))) << names.back();
        names.pop_back();
    }
}

} // namespace
