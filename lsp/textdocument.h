#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A position as the Language Server Protocol gives it: a 0-based line and a
// character offset in it, counted in the units the client and the server
// agreed on (UTF-16 code units unless both take UTF-8).
struct TextPosition {
    std::size_t line = 0;
    std::size_t character = 0;
};

// The text of a document open in a client, as UTF-8 bytes, with the
// client's edits applied and positions turned into byte offsets and back.
// Lines end at CR LF, LF or CR, as the protocol counts them.
class CTextDocument {
public:
    enum class Units { Utf16, Utf8 };

    CTextDocument(std::string text, long long version, Units units = Units::Utf16);

    const std::string& Text() const { return m_text; }
    long long Version() const { return m_version; }
    // Replaces the text from `start` to `end` (a range of the text as it is);
    // positions past a line's end or the text's end count as those ends.
    void Replace(TextPosition start, TextPosition end, std::string_view text, long long version);
    void SetText(std::string text, long long version);

    std::size_t LineCount() const { return Starts().size(); }
    // A line without its line end.
    std::string_view Line(std::size_t line) const;
    std::size_t Offset(TextPosition position) const;
    TextPosition Position(std::size_t offset) const;

private:
    const std::vector<std::size_t>& Starts() const;

    std::string m_text;
    long long m_version;
    Units m_units;
    mutable std::vector<std::size_t> m_starts; // where each line starts; empty when stale
};
