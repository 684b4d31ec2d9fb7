#include "colourscheme.h"
#include "settingsfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

TEST(ColourScheme, NumberTexts) {
    struct Case {
        const char* text;
        int base;
        std::uint32_t value;
    };
    const Case cases[] = {{"0x000000FF", 16, 0xFF},
                          {"000000FF", 16, 0xFF},
                          {"  0xff", 16, 0xFF},
                          {"0xFFFFFFFF", 16, 0xFFFFFFFF},
                          {"zz", 16, 0},
                          {"", 16, 0},
                          {"3", 10, 3},
                          {"7x", 10, 7},
                          {"0x7", 10, 0},
                          {"12ab", 16, 0x12AB},
                          {"123456789AB", 16, 0xFFFFFFFF}};
    for (const Case& c : cases)
        EXPECT_EQ(ReadUnsigned(c.text, c.base), c.value) << c.text;
}

TEST(ColourScheme, DefaultsAndStoredValues) {
    const auto path = std::filesystem::temp_directory_path() / "zeq-scheme-test.cfg";
    std::filesystem::remove(path);
    CSettingsFile settings(path.string());
    for (bool unreal : {false, true}) {
        const ColourScheme scheme = LoadColourScheme(settings, unreal);
        EXPECT_EQ(scheme.backColor, 0xFFFFFFFFu);
        for (const TextFormat& f : scheme.formats) {
            EXPECT_EQ(f.color, 0u);
            EXPECT_EQ(f.effects, 0u);
        }
    }
    std::ofstream(path) << "[Unreal Style]\nHeaderColor=0x000000FF\nHeaderStyle=3\n"
                           "CommentColor=00FF00\nBackColor=0x00102030\n";
    const ColourScheme unreal = LoadColourScheme(settings, true);
    EXPECT_EQ(unreal.formats[1].color, 0xFFu);
    EXPECT_EQ(unreal.formats[1].effects, unsigned(EffectBold | EffectItalic));
    EXPECT_EQ(unreal.formats[4].color, 0x00FF00u);
    EXPECT_EQ(unreal.backColor, 0x00102030u);
    EXPECT_EQ(LoadColourScheme(settings, false).formats[1].color, 0u); // Msdev untouched
    std::filesystem::remove(path);
}

} // namespace
