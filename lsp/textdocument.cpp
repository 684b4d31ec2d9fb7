#include "textdocument.h"

#include <algorithm>

namespace {

// The bytes of the UTF-8 sequence that starts with `lead` (1 for a byte
// that cannot start one, which then counts as a character of its own).
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0) return 2;
    return 1;
}

} // namespace

CTextDocument::CTextDocument(std::string text, long long version, Units units)
    : m_text(std::move(text)), m_version(version), m_units(units) {}

void CTextDocument::SetText(std::string text, long long version) {
    m_text = std::move(text);
    m_version = version;
    m_starts.clear();
}

void CTextDocument::Replace(TextPosition start, TextPosition end, std::string_view text,
                            long long version) {
    std::size_t from = Offset(start), to = Offset(end);
    if (to < from) std::swap(from, to);
    // Grown by a little, not doubled: a large document takes one keystroke at a time.
    if (const std::size_t size = m_text.size() - (to - from) + text.size();
        size > m_text.capacity())
        m_text.reserve(size + size / 64);
    m_text.replace(from, to - from, text);
    m_version = version;
    m_starts.clear();
}

const std::vector<std::size_t>& CTextDocument::Starts() const {
    if (!m_starts.empty()) return m_starts;
    m_starts.push_back(0);
    for (std::size_t i = 0; i < m_text.size(); ++i) {
        if (m_text[i] == '\r' && i + 1 < m_text.size() && m_text[i + 1] == '\n') ++i;
        if (m_text[i] == '\r' || m_text[i] == '\n') m_starts.push_back(i + 1);
    }
    return m_starts;
}

std::string_view CTextDocument::Line(std::size_t line) const {
    const auto& starts = Starts();
    if (line >= starts.size()) return {};
    const std::size_t begin = starts[line];
    std::size_t end = line + 1 < starts.size() ? starts[line + 1] : m_text.size();
    while (end > begin && (m_text[end - 1] == '\n' || m_text[end - 1] == '\r'))
        --end;
    return std::string_view(m_text).substr(begin, end - begin);
}

std::size_t CTextDocument::Offset(TextPosition position) const {
    const auto& starts = Starts();
    if (position.line >= starts.size()) return m_text.size();
    const std::string_view line = Line(position.line);
    std::size_t at = 0;
    for (std::size_t units = 0; at < line.size() && units < position.character;) {
        const std::size_t length =
            std::min(SequenceLength(static_cast<unsigned char>(line[at])), line.size() - at);
        units += m_units == Units::Utf8 ? length : length == 4 ? 2 : 1;
        at += length;
    }
    return starts[position.line] + at;
}

TextPosition CTextDocument::Position(std::size_t offset) const {
    const auto& starts = Starts();
    offset = std::min(offset, m_text.size());
    const std::size_t line =
        std::size_t(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin()) - 1;
    const std::string_view text = Line(line);
    const std::size_t end = std::min(offset - starts[line], text.size());
    std::size_t units = 0;
    for (std::size_t at = 0; at < end;) {
        const std::size_t length =
            std::min(SequenceLength(static_cast<unsigned char>(text[at])), text.size() - at);
        units += m_units == Units::Utf8 ? length : length == 4 ? 2 : 1;
        at += length;
    }
    return {line, units};
}
