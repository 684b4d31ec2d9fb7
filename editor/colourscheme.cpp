#include "colourscheme.h"

#include "settingsfile.h"

#include <string>

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

} // namespace

std::uint32_t ReadUnsigned(std::string_view text, int base) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (base == 16 && i + 1 < text.size() && text[i] == '0' && (text[i + 1] | 0x20) == 'x') i += 2;
    std::uint64_t value = 0;
    for (; i < text.size() && DigitValue(text[i]) < base; ++i) {
        value = value * std::uint64_t(base) + std::uint64_t(DigitValue(text[i]));
        if (value > 0xFFFFFFFFu) return 0xFFFFFFFFu; // saturates like strtoul
    }
    return static_cast<std::uint32_t>(value);
}

ColourScheme LoadColourScheme(const CSettingsFile& settings, bool useUnreal) {
    const std::string section = useUnreal ? "Unreal Style" : "Msdev Style";
    static const char* const kNames[] = {"Normal", "Header", "String", "Number", "Comment"};
    ColourScheme scheme;
    scheme.backColor = ReadUnsigned(settings.ReadString(section, "BackColor", "0xFFFFFFFF"), 16);
    for (std::size_t i = 0; i < scheme.formats.size(); ++i) {
        const std::string name = kNames[i];
        scheme.formats[i].color =
            ReadUnsigned(settings.ReadString(section, name + "Color", "0x00000000"), 16);
        scheme.formats[i].effects =
            ReadUnsigned(settings.ReadString(section, name + "Style", "0"), 10);
    }
    return scheme;
}
