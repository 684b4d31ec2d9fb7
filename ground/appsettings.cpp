#include "appsettings.h"

#include "filebuffer.h"
#include "filepath.h"
#include "filesave.h"

#include <algorithm>

#include <cstdio>
#include <filesystem>

namespace {

constexpr const char* kSettings = "Settings";

const char* SchemeSection(bool unreal) {
    return unreal ? "Unreal Style" : "Msdev Style";
}

const char* const kClassNames[] = {"Normal", "Header", "String", "Number", "Comment"};

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

} // namespace

bool CAppSettings::Create(const std::string& defaults) const {
    std::error_code ec;
    if (m_file.Path().empty() || std::filesystem::exists(PathFromUtf8(m_file.Path()), ec))
        return false;
    if (CFileBuffer buffer; !defaults.empty() && buffer.LoadFile(defaults)) {
        std::string error;
        return SaveFileSafely(m_file.Path(), buffer.View(), error);
    }
    return SetScheme(false, SuggestedScheme(false)) && SetScheme(true, SuggestedScheme(true));
}

bool CAppSettings::OpenLastArchive() const {
    return m_file.ReadInt(kSettings, "OpenLastArchive", 1) != 0;
}

int CAppSettings::ViewStyle() const {
    const int style = m_file.ReadInt(kSettings, "View Style", Details);
    return style >= LargeIcons && style <= List ? style : Details;
}

void CAppSettings::SetViewStyle(int style) const {
    m_file.WriteInt(kSettings, "View Style", style);
}

bool CAppSettings::IssuesPanel() const {
    return m_file.ReadInt(kSettings, "Issues Panel", 1) != 0;
}

void CAppSettings::SetIssuesPanel(bool shown) const {
    m_file.WriteInt(kSettings, "Issues Panel", shown ? 1 : 0);
}

int CAppSettings::RecoveryDelay() const {
    return std::clamp(m_file.ReadInt(kSettings, "RecoveryDelay", 2), 0, 600);
}

bool CAppSettings::SyntaxColoring() const {
    return m_file.ReadInt(kSettings, "Syntax Coloring", 1) != 0;
}

void CAppSettings::SetSyntaxColoring(bool on) const {
    m_file.WriteInt(kSettings, "Syntax Coloring", on ? 1 : 0);
}

int CAppSettings::FontSize() const {
    const int size = m_file.ReadInt(kSettings, "Font Size", 10);
    return size == 12 || size == 15 ? size : 10;
}

void CAppSettings::SetFontSize(int points) const {
    m_file.WriteInt(kSettings, "Font Size", points);
}

bool CAppSettings::UnrealStyle() const {
    return m_file.ReadInt(kSettings, "Unreal Style", 0) != 0;
}

void CAppSettings::SetUnrealStyle(bool unreal) const {
    m_file.WriteInt(kSettings, "Unreal Style", unreal ? 1 : 0);
}

ColourScheme CAppSettings::Scheme(bool unreal) const {
    const std::string section = SchemeSection(unreal);
    ColourScheme scheme;
    scheme.backColor = ReadUnsigned(m_file.ReadString(section, "BackColor", "0xFFFFFFFF"), 16);
    for (std::size_t i = 0; i < scheme.formats.size(); ++i) {
        const std::string name = kClassNames[i];
        scheme.formats[i].color =
            ReadUnsigned(m_file.ReadString(section, name + "Color", "0x00000000"), 16);
        scheme.formats[i].effects =
            ReadUnsigned(m_file.ReadString(section, name + "Style", "0"), 10);
    }
    return scheme;
}

bool CAppSettings::SetScheme(bool unreal, const ColourScheme& scheme) const {
    const std::string section = SchemeSection(unreal);
    bool ok = m_file.Write(section, "BackColor", ColourText(scheme.backColor));
    for (std::size_t i = 0; i < scheme.formats.size(); ++i) {
        const std::string name = kClassNames[i];
        ok = m_file.Write(section, name + "Color", ColourText(scheme.formats[i].color)) && ok;
        ok = m_file.Write(section, name + "Style", std::to_string(scheme.formats[i].effects)) && ok;
    }
    return ok;
}

ColourScheme SuggestedScheme(bool unreal) {
    // 0x00BBGGRR values.
    if (unreal)
        return {0x00302820,
                {{{0x00E0E0E0, 0},
                  {0x0040C0FF, EffectBold},
                  {0x0080FF80, 0},
                  {0x00FFC080, 0},
                  {0x00909090, EffectItalic}}}};
    return {0x00FFFFFF,
            {{{0x00000000, 0},
              {0x00800000, EffectBold},
              {0x00000080, 0},
              {0x00808000, 0},
              {0x00008000, EffectItalic}}}};
}

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

std::string ColourText(std::uint32_t color) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", color);
    return text;
}
