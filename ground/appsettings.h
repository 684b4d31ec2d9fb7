#pragma once

#include "settingsfile.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Effects of a text format, summed.
enum TextEffect : std::uint32_t { EffectBold = 1, EffectItalic = 2, EffectUnderline = 4 };

struct TextFormat {
    std::uint32_t color = 0; // 0x00BBGGRR
    std::uint32_t effects = 0;

    bool operator==(const TextFormat&) const = default;
};

// One colour scheme of the source editor: the background and a format for
// each token class, in the order Normal, Header, String, Number, Comment.
struct ColourScheme {
    std::uint32_t backColor = 0xFFFFFFFF;
    std::array<TextFormat, 5> formats{};

    bool operator==(const ColourScheme&) const = default;
};

// The program's settings, typed: each key, its section and its default are
// written here once. Every read and write goes to the file, so hand edits
// made while the program runs are seen and kept.
class CAppSettings {
public:
    enum ViewStyleValue { LargeIcons = 0, Details = 1, SmallIcons = 2, List = 3 };

    explicit CAppSettings(std::string path = {}) : m_file(std::move(path)) {}

    const CSettingsFile& File() const { return m_file; }
    void SetPath(std::string path) { m_file.SetPath(std::move(path)); }
    // A first start: with no settings file yet, makes one from `defaults`
    // (a settings file this one takes over from) or, without one, holding
    // both colour schemes filled in, so that the source editor is coloured
    // out of the box. A file that exists is not touched. True when it made one.
    bool Create(const std::string& defaults = {}) const;

    // With no file named on the command line, reopen the most recent file.
    bool OpenLastArchive() const;

    // The plan list's style; a stored value outside 0..3 reads as Details.
    int ViewStyle() const;
    void SetViewStyle(int style) const;

    // The Issues panel is shown.
    bool IssuesPanel() const;
    void SetIssuesPanel(bool shown) const;

    // Seconds after the last edit until unsaved changes are kept in a
    // recovery file ("RecoveryDelay"); 0 keeps none. Default 2, at most 600.
    int RecoveryDelay() const;

    bool SyntaxColoring() const;
    void SetSyntaxColoring(bool on) const;
    // 10, 12 or 15 points; any other stored value reads as 10.
    int FontSize() const;
    void SetFontSize(int points) const;
    // The "Unreal Style" scheme rather than "Msdev Style".
    bool UnrealStyle() const;
    void SetUnrealStyle(bool unreal) const;

    // The scheme sections "Unreal Style" and "Msdev Style"; missing values
    // take their defaults (white background, black text, no effects).
    ColourScheme Scheme(bool unreal) const;
    // Writes exactly the eleven values of the scheme.
    bool SetScheme(bool unreal, const ColourScheme& scheme) const;

private:
    CSettingsFile m_file;
};

// A ready-made scheme: a light one in the spirit of a classic IDE for
// "Msdev Style", a dark one for "Unreal Style".
ColourScheme SuggestedScheme(bool unreal);

// Colour texts are base 16 ("0x" allowed), style texts base 10: leading
// blanks skipped, reading stops at the first other character, no digit gives 0.
std::uint32_t ReadUnsigned(std::string_view text, int base);
// A colour as the settings file stores it: "0x00BBGGRR".
std::string ColourText(std::uint32_t color);
