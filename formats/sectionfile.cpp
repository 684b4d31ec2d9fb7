#include "sectionfile.h"

#include "filebuffer.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

namespace {

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Marks of the clean-up pass: an open quote or an open header bracket.
constexpr char kQuoteMark = 'q';
constexpr char kBracketMark = 'b';
// The mark stack holds this many marks; a further opening byte is still
// copied but pushes nothing.
constexpr std::size_t kMaxMarks = 1023;

bool IsLineEnd(char c) {
    return c == '\n' || c == '\r';
}
bool IsBlank(char c) {
    return c == '\t' || c == '\f' || c == ' ';
}

// Bytes that the clean-up pass copies as they are, whatever the context.
constexpr std::array<bool, 256> kOrdinary = [] {
    std::array<bool, 256> table{};
    table.fill(true);
    for (unsigned char c : {'\0', '\t', '\n', '\f', '\r', ' ', '"', '\'', '/', '[', ']'})
        table[c] = false;
    return table;
}();

bool IsOrdinary(char c) {
    return kOrdinary[static_cast<unsigned char>(c)];
}

// The clean-up pass: the text without blanks and comments, one NUL after each
// line, plus the source line each working line started on.
struct CleanText {
    std::string work;
    std::vector<std::pair<std::size_t, int>> lineStarts; // work offset -> source line
};

class Cleaner {
public:
    explicit Cleaner(std::string_view text) : m_text(text) { m_out.work.reserve(text.size() + 1); }

    // Returns false with failLine/failReason set when the text is refused.
    bool Run() {
        const std::size_t size = m_text.size();
        for (m_pos = 0; m_pos < size; ++m_pos) {
            if (IsOrdinary(m_text[m_pos])) {
                // Runs of ordinary bytes are copied in one go.
                std::size_t end = m_pos + 1;
                while (end < size && IsOrdinary(m_text[end]))
                    ++end;
                PutRun(m_text.substr(m_pos, end - m_pos));
                m_pos = end - 1;
                continue;
            }
            if (!Step(m_text[m_pos])) return false;
            CountLineBreak();
        }
        // The end of the text ends the last line as a line end does.
        if (!EndLine()) {
            failReason = "section header not closed at the end of the text";
            return false;
        }
        return true;
    }

    CleanText Take() { return std::move(m_out); }
    ParseNotes TakeNotes() { return std::move(m_notes); }

    int failLine = 0;
    std::string failReason;

private:
    bool Step(char c) {
        // A NUL byte would end a line in the build pass while the clean-up
        // pass went on reading that line: a quote or header context that
        // differs from the text as saved. It is dropped instead.
        if (c == '\0') return true;
        if (IsBlank(c)) {
            if (TopIsQuote()) Put(c);
            return true;
        }
        if (IsLineEnd(c)) {
            if (EndLine()) return true;
            failReason = "'[' not closed before the end of the line";
            return false;
        }
        switch (c) {
        case '"':
        case '\'':
            if (TopIsQuote())
                m_marks.pop_back();
            else
                Push(kQuoteMark);
            Put(c);
            return true;
        case '[':
            if (!TopIsQuote()) Push(kBracketMark);
            Put(c);
            return true;
        case ']':
            if (!TopIsQuote()) {
                if (m_marks.empty()) {
                    failLine = m_line;
                    failReason = "']' without an open '['";
                    return false;
                }
                m_marks.pop_back();
            }
            Put(c);
            return true;
        case '/':
            if (m_marks.empty() && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '/') {
                SkipComment();
                return true;
            }
            Put(c);
            return true;
        default:
            Put(c);
            return true;
        }
    }

    // A comment runs up to and including the next CR or LF: that byte does
    // not end the line, so with LF-only line ends the next line is joined on.
    // That matters only when the comment follows text on its line and more
    // text follows the swallowed line break.
    void SkipComment() {
        m_notes.comments.push_back(m_line);
        const bool afterText = !m_out.work.empty() && m_out.work.back() != '\0';
        while (m_pos + 1 < m_text.size()) {
            ++m_pos;
            char c = m_text[m_pos];
            if (IsLineEnd(c)) {
                const char next = m_pos + 1 < m_text.size() ? m_text[m_pos + 1] : '\n';
                if (afterText && !IsLineEnd(next)) m_notes.commentJoins.push_back(m_line);
                return; // Run() counts this line break
            }
            CountLineBreak();
        }
    }

    // An open quote is closed with '"' at the end of its line; a header
    // bracket still open there refuses the text.
    bool EndLine() {
        if (TopIsQuote()) {
            m_notes.closedQuotes.push_back(m_line);
            Put('"');
            m_out.work.push_back('\0');
            m_marks.pop_back();
        } else if (!m_out.work.empty() && m_out.work.back() != '\0') {
            m_out.work.push_back('\0');
        }
        if (!m_marks.empty()) {
            failLine = m_line;
            return false;
        }
        return true;
    }

    void PutRun(std::string_view run) {
        if (m_out.work.empty() || m_out.work.back() == '\0')
            m_out.lineStarts.emplace_back(m_out.work.size(), m_line);
        m_out.work.append(run);
    }

    void Put(char c) {
        if (m_out.work.empty() || m_out.work.back() == '\0')
            m_out.lineStarts.emplace_back(m_out.work.size(), m_line);
        m_out.work.push_back(c);
    }

    void Push(char mark) {
        if (m_marks.size() < kMaxMarks) m_marks.push_back(mark);
    }

    bool TopIsQuote() const { return !m_marks.empty() && m_marks.back() == kQuoteMark; }

    // CR LF, a lone LF and a lone CR each count as one line break.
    void CountLineBreak() {
        char c = m_text[m_pos];
        if (c == '\n' || (c == '\r' && (m_pos + 1 >= m_text.size() || m_text[m_pos + 1] != '\n')))
            ++m_line;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    int m_line = 1;
    std::string m_marks;
    CleanText m_out;
    ParseNotes m_notes;
};

} // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

std::string FoldedName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
        c = FoldCase(c);
    return folded;
}

void CSectionFile::RemoveAll() {
    m_sections.clear();
}

bool CSectionFile::Fail(int line, std::string reason) {
    m_error = {line, std::move(reason)};
    return false;
}

bool CSectionFile::ParseText(std::string_view text) {
    RemoveAll();
    m_error = {};
    m_notes = {};
    if (text.empty()) return Fail(1, "the text is empty");

    Cleaner cleaner(text);
    if (!cleaner.Run()) return Fail(cleaner.failLine, cleaner.failReason);
    const CleanText clean = cleaner.Take();
    m_notes = cleaner.TakeNotes();

    // Build pass over the NUL-terminated lines of the working text.
    SectionNode* current = nullptr;
    std::size_t startIndex = 0;
    const std::string_view work = clean.work;
    std::size_t pos = 0;
    while (pos < work.size()) {
        std::size_t end = work.find('\0', pos);
        if (end == std::string_view::npos) end = work.size();
        const std::string_view line = work.substr(pos, end - pos);
        while (startIndex < clean.lineStarts.size() && clean.lineStarts[startIndex].first < pos)
            ++startIndex;
        const int sourceLine =
            startIndex < clean.lineStarts.size() ? clean.lineStarts[startIndex].second : 0;
        pos = end + 1;
        if (line.empty()) continue;

        if (line.front() == '[') {
            // The name runs to the last ']' of the line; anything after it is lost.
            const std::size_t close = line.rfind(']');
            if (close == std::string_view::npos || close == 0)
                return Fail(sourceLine, "section header without ']'");
            current = AddSection(line.substr(1, close - 1));
            current->line = sourceLine;
            if (close + 1 < line.size()) m_notes.headerTails.push_back(sourceLine);
        } else {
            const std::size_t equals = line.find('=');
            if (!current || equals == std::string_view::npos) {
                m_notes.ignoredLines.push_back(sourceLine);
                continue;
            }
            EntryNode* entry = AddEntry(current, line.substr(0, equals), line.substr(equals + 1));
            entry->line = sourceLine;
        }
    }
    return true;
}

SectionNode* CSectionFile::FindSection(std::string_view name) const {
    for (const auto& section : m_sections)
        if (NamesEqual(section->name, name)) return section.get();
    return nullptr;
}

SectionNode* CSectionFile::AddSection(std::string_view name) {
    auto section = std::make_unique<SectionNode>();
    section->name = std::string(name);
    m_sections.push_back(std::move(section));
    return m_sections.back().get();
}

EntryNode* CSectionFile::FindEntry(SectionNode* section, std::string_view key) {
    if (!section) return nullptr;
    for (EntryNode& entry : section->entries)
        if (NamesEqual(entry.key, key)) return &entry;
    return nullptr;
}

EntryNode* CSectionFile::AddEntry(SectionNode* section, std::string_view key,
                                  std::string_view value) {
    if (!section) return nullptr;
    return &section->entries.emplace_back(EntryNode{std::string(key), std::string(value), 0});
}

void CSectionFile::AppendEntries(SectionNode* section, std::vector<EntryNode> entries) {
    if (!section) return;
    if (section->entries.empty()) {
        section->entries = std::move(entries);
        return;
    }
    section->entries.insert(section->entries.end(), std::make_move_iterator(entries.begin()),
                            std::make_move_iterator(entries.end()));
}

std::int32_t CSectionFile::GetValueInt(const EntryNode* entry, std::int32_t defaultNumber) {
    if (!entry || entry->value.empty()) return defaultNumber;
    const std::string& v = entry->value;
    if (v[0] < '0' || v[0] > '9') return defaultNumber;
    std::int64_t number = 0;
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    for (char c : v) {
        if (c < '0' || c > '9') break;
        number = std::min(number * 10 + (c - '0'), kMax);
    }
    return static_cast<std::int32_t>(number);
}

std::size_t CSectionFile::GetTextSize() const {
    std::size_t size = 0;
    for (const auto& section : m_sections) {
        size += section->name.size() + 6; // "[" name "]" CR LF ... CR LF
        for (const EntryNode& entry : section->entries)
            size += entry.key.size() + entry.value.size() + 5; // " = " CR LF
    }
    return size;
}

std::string CSectionFile::WriteText() const {
    std::string text;
    text.reserve(GetTextSize());
    for (const auto& section : m_sections) {
        text += '[';
        text += section->name;
        text += "]\r\n";
        for (const EntryNode& entry : section->entries) {
            text += entry.key;
            text += " = ";
            text += entry.value;
            text += "\r\n";
        }
        text += "\r\n";
    }
    return text;
}

bool CSectionFile::LoadFile(const std::string& path) {
    RemoveAll();
    m_error = {};
    CFileBuffer buffer;
    if (!buffer.LoadFile(path)) return Fail(1, buffer.LastError());
    return ParseText(buffer.View());
}

bool CSectionFile::SaveFile(const std::string& path) {
    m_error = {};
    CFileBuffer buffer;
    buffer.SetData(WriteText());
    if (!buffer.SaveFile(path)) return Fail(0, buffer.LastError());
    return true;
}
