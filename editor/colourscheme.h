#pragma once

#include <array>
#include <cstdint>
#include <string_view>

class CSettingsFile;

// Effects of a text format, summed.
enum TextEffect : std::uint32_t { EffectBold = 1, EffectItalic = 2, EffectUnderline = 4 };

struct TextFormat {
    std::uint32_t color = 0; // 0x00BBGGRR
    std::uint32_t effects = 0;
};

// One colour scheme: the background and a format for each token class, in
// the order Normal, Header, String, Number, Comment.
struct ColourScheme {
    std::uint32_t backColor = 0xFFFFFFFF;
    std::array<TextFormat, 5> formats{};
};

// Reads the scheme section "Unreal Style" or "Msdev Style"; missing values
// take their defaults (white background, black text, no effects).
ColourScheme LoadColourScheme(const CSettingsFile& settings, bool useUnreal);

// Colour texts are base 16 ("0x" allowed), style texts base 10: leading
// blanks skipped, reading stops at the first other character, no digit gives 0.
std::uint32_t ReadUnsigned(std::string_view text, int base);
