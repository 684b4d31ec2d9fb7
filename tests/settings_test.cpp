#include "appsettings.h"
#include "recentfilelist.h"
#include "settingsfile.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

namespace fs = std::filesystem;

namespace {

using testsupport::PrintTo;

struct ReplaceCase {
    const char* name;
    std::string before;
    std::string section, key, value;
    std::string after;
};

class SettingsReplace : public testing::TestWithParam<ReplaceCase> {};

TEST_P(SettingsReplace, KeepsEverythingElse) {
    const ReplaceCase& c = GetParam();
    const std::string after = CSettingsFile::Replace(c.before, c.section, c.key, c.value);
    EXPECT_EQ(after, c.after);
    EXPECT_EQ(CSettingsFile::Find(after, c.section, c.key), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SettingsReplace,
    testing::Values(
        ReplaceCase{"CreatesTheFirstSection", "", "Settings", "View Style", "2",
                    "[Settings]\nView Style=2\n"},
        ReplaceCase{"ReplacesInPlaceKeepingSpelling",
                    "; mine\r\n[settings]\r\nview style = 1\r\nOther=x\r\n", "Settings",
                    "View Style", "3", "; mine\r\n[settings]\r\nview style=3\r\nOther=x\r\n"},
        ReplaceCase{"AppendsToTheEndOfItsSection", "[Settings]\nA=1\n\n[Unreal Style]\nB=2\n",
                    "Settings", "Font Size", "12",
                    "[Settings]\nA=1\nFont Size=12\n\n[Unreal Style]\nB=2\n"},
        ReplaceCase{"AddsASectionAfterOthers", "[A]\nx=1", "Recent File List", "File1", "/a b.zeq",
                    "[A]\nx=1\n\n[Recent File List]\nFile1=/a b.zeq\n"},
        ReplaceCase{"SectionWithoutFinalLineEnd", "[A]\nx=1", "A", "y", "2", "[A]\nx=1\ny=2\n"},
        ReplaceCase{"CommentedKeyIsNotTheKey", "[A]\n;x=1\n", "A", "x", "2", "[A]\n;x=1\nx=2\n"}),
    testsupport::RowName());

class SettingsFileTest : public testsupport::TempFolder {
protected:
    std::string Text() const { return Read(Path("zeq.cfg")); }
    std::string File() const { return Path("zeq.cfg"); }
};

TEST_F(SettingsFileTest, HandWrittenValues) {
    Write("zeq.cfg", "[Settings]\nView Style=7\nOpenLastArchive=zero\nFont Size=11\n"
                     "Syntax Coloring=0\nA=-3\nB=+4\nC=5x\n");
    const CAppSettings settings(File());
    EXPECT_EQ(settings.File().ReadInt("Settings", "A", 0), -3);
    EXPECT_EQ(settings.File().ReadInt("Settings", "B", 0), 4);
    EXPECT_EQ(settings.File().ReadInt("Settings", "C", 0), 5);
    EXPECT_EQ(settings.ViewStyle(), CAppSettings::Details); // 7 is no style
    EXPECT_TRUE(settings.OpenLastArchive());                // unreadable: the default
    EXPECT_EQ(settings.FontSize(), 10);                     // 11 is no size offered
    EXPECT_FALSE(settings.SyntaxColoring());
    EXPECT_FALSE(settings.UnrealStyle());
    settings.SetViewStyle(CAppSettings::List);
    settings.SetFontSize(15);
    settings.SetUnrealStyle(true);
    EXPECT_EQ(settings.ViewStyle(), CAppSettings::List);
    EXPECT_EQ(settings.FontSize(), 15);
    EXPECT_TRUE(settings.UnrealStyle());
}

// Beside a portable program when it can write there; elsewhere for an
// installed one or a read-only file, which then gives the first defaults.
TEST(Settings, PlaceBesideAPortableProgramWhenWritable) {
    const fs::path dir = testsupport::OwnTempPath("zeq-settings-path");
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string beside = (dir / "ZeqEditor.cfg").string();
    auto place = [&] { return SettingsPlaceFor((dir / "ZeqEditor.exe").string(), "fallback"); };
    EXPECT_EQ(place().path, beside);
    EXPECT_EQ(SettingsPlaceFor("/no/such/folder/zeq-editor", "fallback").path, "fallback");

    std::ofstream(beside) << "[Settings]\nFont Size=15\n";
    EXPECT_EQ(place().path, beside);
    fs::permissions(beside, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(place().path, "fallback");
    EXPECT_EQ(place().defaults, beside);
    fs::permissions(beside, fs::perms::owner_read | fs::perms::owner_write);
    std::ofstream(dir / "Uninstall.exe") << "";
    EXPECT_EQ(place().path, "fallback");
    EXPECT_EQ(place().defaults, beside);

    // The defaults are taken once, into a settings file not made yet.
    const CAppSettings settings((dir / "profile.cfg").string());
    EXPECT_TRUE(settings.Create(beside));
    EXPECT_EQ(settings.FontSize(), 15);
    EXPECT_FALSE(settings.Create(beside)); // once
    fs::remove_all(dir);
}

TEST(RecentFiles, DisplayNamesFitThirtyCharacters) {
    for (const auto& [path, shown] : std::initializer_list<std::pair<std::string, std::string>>{
             {"/home/me/plan.zeq", "/home/me/plan.zeq"},
             {"/home/modder/games/plans/defence.zeq", "/home/.../plans/defence.zeq"},
             {"C:\\Games\\Mods\\AI\\Plans\\long_defence.zeq", "C:\\...\\Plans\\long_defence.zeq"},
             {"/home/me/" + std::string(19, 'n') + "_26.zeq",
              ".../" + std::string(19, 'n') + "_26.zeq"},
             {"/home/me/" + std::string(34, 'n') + ".zeq", "..." + std::string(23, 'n') + ".zeq"}})
        EXPECT_EQ(CRecentFileList::DisplayName(path), shown); // each at most 30 characters
}

TEST(ColourScheme, NumberTexts) {
    for (const auto& [text, base, value] :
         std::initializer_list<std::tuple<const char*, int, std::uint32_t>>{
             {"0x000000FF", 16, 0xFF},
             {"  0xff", 16, 0xFF},
             {"zz", 16, 0},
             {"7x", 10, 7},
             {"0x7", 10, 0},
             {"12ab", 16, 0x12AB},
             {"123456789AB", 16, 0xFFFFFFFF}})
        EXPECT_EQ(ReadUnsigned(text, base), value) << text;
    EXPECT_EQ(ColourText(0x00FF00FF), "0x00FF00FF");
}

TEST_F(SettingsFileTest, ColourSchemesReadDefaultsAndWriteElevenValues) {
    const CAppSettings settings(File());
    for (bool unreal : {false, true})
        EXPECT_EQ(settings.Scheme(unreal), ColourScheme{}); // white, black, no effects
    Write("zeq.cfg", "[Unreal Style]\nHeaderColor=0x000000FF\nHeaderStyle=3\n"
                     "CommentColor=00FF00\nBackColor=0x00102030\n[Other]\nKeep=me\n");
    ColourScheme unreal = settings.Scheme(true);
    EXPECT_EQ(unreal.formats[1], (TextFormat{0xFF, EffectBold | EffectItalic}));
    EXPECT_EQ(unreal.formats[4].color, 0x00FF00u);
    EXPECT_EQ(unreal.backColor, 0x00102030u);
    EXPECT_EQ(settings.Scheme(false), ColourScheme{}); // Msdev untouched

    ASSERT_TRUE(settings.SetScheme(false, SuggestedScheme(false)));
    EXPECT_EQ(settings.Scheme(false), SuggestedScheme(false));
    EXPECT_EQ(settings.Scheme(true), unreal);
    const std::string text = Text();
    const std::string msdev = text.substr(text.find("[Msdev Style]"));
    EXPECT_EQ(std::count(msdev.begin(), msdev.end(), '='), 11);
    EXPECT_NE(text.find("[Other]\nKeep=me\n"), std::string::npos);
}

} // namespace
