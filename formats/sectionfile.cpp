#include "sectionfile.h"

#include "codepage.h"
#include "entryline.h"
#include "filebuffer.h"
#include "filesave.h"
#include "markstack.h"
#include "sectionwriter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define ZEQ_SSE2 1
#endif

namespace {

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

// One bit per byte of p[0, n) (n at most 16) that may matter: a superset of
// the bytes that are not ordinary, which the table then decides. Sixteen
// bytes in a few instructions where the processor has SSE2: every byte that
// matters is below '0' or a bracket.
unsigned CandidateMask(const char* p, std::size_t n) {
#ifdef ZEQ_SSE2
    if (n == 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i below = _mm_set1_epi8('0' - 1);
        const __m128i low = _mm_cmpeq_epi8(_mm_max_epu8(bytes, below), below);
        const __m128i brackets = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('[')),
                                              _mm_cmpeq_epi8(bytes, _mm_set1_epi8(']')));
        return unsigned(_mm_movemask_epi8(_mm_or_si128(low, brackets)));
    }
#endif
    unsigned mask = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (!IsOrdinary(p[i])) mask |= 1u << i;
    return mask;
}

// The clean-up pass: the text without blanks and comments, one NUL after each
// line (no line is empty), plus the source line each of those lines began on.
struct CleanText {
    std::unique_ptr<char[]> work;
    std::size_t size = 0;
    std::vector<int> lines;
};

class Cleaner {
public:
    // The text never grows but where a line end of one byte becomes two (a
    // closing quote and the NUL), and at the very end.
    explicit Cleaner(std::string_view text)
        : Cleaner(text, std::size_t(std::count(text.begin(), text.end(), '\n')) +
                            std::size_t(std::count(text.begin(), text.end(), '\r'))) {}

    // What is reserved and never written takes no memory: only the lines'
    // pages are ever touched, and the buffers never move as they grow.
    Cleaner(std::string_view text, std::size_t lineEnds)
        : m_text(text),
          m_buffer(std::make_unique_for_overwrite<char[]>(text.size() + lineEnds + 2 + kSlack)),
          m_write(m_buffer.get()) {
        m_lines.reserve(lineEnds + 1);
    }

    // Returns false with failLine/failReason set when the text is refused.
    bool Run() {
        // Block by block, the runs of ordinary bytes between the bytes that
        // matter are copied whole; only those bytes take a step each.
        const std::size_t size = m_text.size();
        for (std::size_t block = 0; block < size;) {
            const std::size_t blockEnd = std::min(block + 16, size);
            std::size_t run = block; // the first byte not yet handled
            for (unsigned mask = CandidateMask(m_text.data() + block, blockEnd - block); mask;
                 mask &= mask - 1) {
                const std::size_t at = block + std::size_t(std::countr_zero(mask));
                if (at < run || IsOrdinary(m_text[at])) continue; // in a comment, or ordinary
                if (at > run) Put(m_text.substr(run, at - run));
                m_pos = at;
                if (!Step(m_text[at])) return false;
                CountLineBreak();
                run = m_pos + 1; // past a comment, when the step skipped one
                if (run > blockEnd) break;
            }
            if (blockEnd > run) Put(m_text.substr(run, blockEnd - run));
            block = std::max(blockEnd, run);
        }
        // The end of the text ends the last line as a line end does.
        if (!EndLine()) {
            failReason = "section header not closed at the end of the text";
            return false;
        }
        return true;
    }

    CleanText Take() {
        const auto size = std::size_t(m_write - m_buffer.get());
        return {std::move(m_buffer), size, std::move(m_lines)};
    }
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
            if (m_marks.InQuote()) Put(c);
            return true;
        }
        if (IsLineEnd(c)) {
            if (EndLine()) return true;
            failReason = "'[' not closed before the end of the line";
            return false;
        }
        if (c == '/' && m_marks.Empty() && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '/') {
            SkipComment();
            return true;
        }
        if (!m_marks.Take(c)) {
            failLine = m_line;
            failReason = "']' without an open '['";
            return false;
        }
        Put(c);
        return true;
    }

    // A comment runs up to and including the next CR or LF: that byte does
    // not end the line, so with LF-only line ends the next line is joined on.
    // That matters only when the comment follows text on its line and more
    // text follows the swallowed line break.
    void SkipComment() {
        m_notes.comments.push_back(m_line);
        if (!m_lineOpen) NoteIgnore();
        while (m_pos + 1 < m_text.size()) {
            ++m_pos;
            char c = m_text[m_pos];
            if (IsLineEnd(c)) {
                const char next = m_pos + 1 < m_text.size() ? m_text[m_pos + 1] : '\n';
                if (m_lineOpen && !IsLineEnd(next)) m_notes.commentJoins.push_back(m_line);
                return; // Run() counts this line break
            }
            CountLineBreak();
        }
    }

    // A comment alone on its line that says which findings not to tell.
    void NoteIgnore() {
        std::string_view comment = m_text.substr(m_pos + 2);
        comment = comment.substr(0, LineEndFrom(comment, 0));
        comment.remove_prefix(std::min(comment.find_first_not_of(" \t\f"), comment.size()));
        if (!comment.starts_with(kIgnoreDirective) ||
            comment.find_first_not_of(" \t\f", kIgnoreDirective.size()) == kIgnoreDirective.size())
            return;
        m_notes.ignores.push_back(
            {m_line, std::string(comment.substr(kIgnoreDirective.size())), m_lines.empty()});
    }

    // An open quote is closed with '"' at the end of its line; a header
    // bracket still open there refuses the text.
    bool EndLine() {
        if (m_marks.InQuote()) {
            m_notes.closedQuotes.push_back(m_line);
            Put('"');
            m_marks.CloseQuote();
        }
        if (m_lineOpen) {
            *m_write++ = '\0';
            m_lineOpen = false;
        }
        if (!m_marks.Empty()) {
            failLine = m_line;
            return false;
        }
        return true;
    }

    // A run within a block is copied as one 16-byte move (the buffer's slack
    // takes the excess), not a call per run.
    void Put(std::string_view run) {
        OpenLine();
        if (run.size() <= kSlack && run.data() + kSlack <= m_text.data() + m_text.size())
            std::memcpy(m_write, run.data(), kSlack);
        else
            std::memcpy(m_write, run.data(), run.size());
        m_write += run.size();
    }

    void Put(char c) {
        OpenLine();
        *m_write++ = c;
    }

    void OpenLine() {
        if (m_lineOpen) return;
        m_lines.push_back(m_line);
        m_lineOpen = true;
    }

    // CR LF, a lone LF and a lone CR each count as one line break.
    void CountLineBreak() {
        char c = m_text[m_pos];
        if (c == '\n' || (c == '\r' && (m_pos + 1 >= m_text.size() || m_text[m_pos + 1] != '\n')))
            ++m_line;
    }

    static constexpr std::size_t kSlack = 16;

    std::string_view m_text;
    std::size_t m_pos = 0;
    int m_line = 1;
    bool m_lineOpen = false; // the working line has bytes and no NUL yet
    CMarkStack m_marks;
    std::unique_ptr<char[]> m_buffer;
    char* m_write;
    std::vector<int> m_lines;
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
    m_text.reset();
    m_kept.clear();
}

bool CSectionFile::Fail(int line, std::string reason) {
    RemoveAll();
    m_error = {line, std::move(reason)};
    return false;
}

std::string_view CSectionFile::Keep(std::string_view bytes) {
    return bytes.empty() ? std::string_view() : std::string_view(m_kept.emplace_back(bytes));
}

bool CSectionFile::ParseText(std::string_view text) {
    return Parse(text, nullptr);
}

bool CSectionFile::ParseText(std::string_view text, SectionFilter wanted) {
    return Parse(text, nullptr, wanted);
}

bool CSectionFile::ParseHeaders(std::string_view text) {
    return Parse(text, nullptr, [](std::string_view) { return false; });
}

bool CSectionFile::Parse(std::string_view text, std::string* spent, SectionFilter wanted) {
    RemoveAll();
    m_error = {};
    m_notes = {};
    if (text.empty()) return Fail(0, "the text is empty");
    // An entry's key and value are counted in 32 bits.
    if (text.size() >= std::numeric_limits<std::uint32_t>::max())
        return Fail(0, "the text is too large");

    Cleaner cleaner(text);
    if (!cleaner.Run()) return Fail(cleaner.failLine, cleaner.failReason);
    CleanText clean = cleaner.Take();
    m_notes = cleaner.TakeNotes();
    m_notes.byteOrderMark = text.starts_with(kByteOrderMark);
    if (m_notes.byteOrderMark) {
        const std::string_view first = text.substr(3, text.find_first_of("\r\n") - 3);
        const std::size_t at = first.find_first_not_of(" \t\f");
        m_notes.markHidesStart =
            at != std::string_view::npos && NamesEqual(first.substr(at, 7), "[Start]");
    }
    if (spent) std::string().swap(*spent); // the file's bytes are not needed any more
    m_text = std::move(clean.work);

    // Build pass over the NUL-terminated lines of the working text: the
    // tree's names, keys and values are views into it. A section's entries
    // are gathered first and then copied into a vector of their exact size:
    // a large file holds hundreds of thousands of them.
    SectionNode* current = nullptr;
    std::vector<EntryNode> gathered;
    const auto closeSection = [&] {
        if (current) current->entries.assign(gathered.begin(), gathered.end());
        gathered.clear();
    };
    const char* at = m_text.get();
    const char* const end = at + clean.size;
    int conflictFrom = 0; // the line of an open "<<<<<<<"
    bool entries = true;  // of the current section
    for (std::size_t index = 0; at < end; ++index) {
        const char* nul = static_cast<const char*>(std::memchr(at, '\0', std::size_t(end - at)));
        if (!nul) nul = end;
        const std::string_view line(at, std::size_t(nul - at));
        const int sourceLine = index < clean.lines.size() ? clean.lines[index] : 0;
        at = nul + 1;

        // Merge markers read as the lines they are; they are only noted.
        if (line.starts_with(kConflictOurs.substr(0, kConflictMarkLength))) {
            conflictFrom = sourceLine;
        } else if (conflictFrom &&
                   line.starts_with(kConflictTheirs.substr(0, kConflictMarkLength))) {
            m_notes.conflicts.emplace_back(conflictFrom, sourceLine);
            conflictFrom = 0;
        }
        NoteHighBytes(index == 0 && line.starts_with(kByteOrderMark) ? line.substr(3) : line,
                      sourceLine);
        if (line.front() == '[') {
            // The name runs to the last ']' of the line; anything after it is lost.
            const std::size_t bracket = line.rfind(']');
            if (bracket == std::string_view::npos || bracket == 0)
                return Fail(sourceLine, "section header without ']'");
            closeSection();
            current =
                &m_sections.emplace_back(SectionNode{line.substr(1, bracket - 1), {}, sourceLine});
            entries = !wanted || wanted(current->name);
            if (bracket + 1 < line.size()) m_notes.headerTails.push_back(sourceLine);
        } else {
            const std::size_t equals = line.find('=');
            if (!current || equals == std::string_view::npos) {
                (line.front() == ';' ? m_notes.semicolonLines : m_notes.ignoredLines)
                    .push_back(sourceLine);
                continue;
            }
            if (entries) gathered.push_back(EntryNode(line, equals, sourceLine));
        }
    }
    closeSection();
    std::vector<int>().swap(clean.lines); // before the tree is copied, if it is
    if (wanted) KeepOnlyTheTree();
    return true;
}

// Moves the names and entries into a buffer of their own size, so that the
// lines of the sections passed over are let go.
void CSectionFile::KeepOnlyTheTree() {
    const auto runSize = [](const EntryNode& entry) {
        // "key=value" and the NUL after it
        return entry.m_keySize + 2 + std::strlen(entry.m_text + entry.m_keySize + 1);
    };
    std::size_t size = 1;
    for (const SectionNode& section : m_sections) {
        size += section.name.size();
        for (const EntryNode& entry : section.entries)
            size += runSize(entry);
    }
    auto text = std::make_unique_for_overwrite<char[]>(size);
    char* at = text.get();
    for (SectionNode& section : m_sections) {
        const std::string_view name = section.name;
        section.name = {at, name.size()};
        at = std::copy(name.begin(), name.end(), at);
        for (EntryNode& entry : section.entries) {
            const std::size_t run = runSize(entry);
            entry.m_text = static_cast<const char*>(std::memcpy(at, entry.m_text, run));
            at += run;
        }
    }
    m_text = std::move(text);
}

void CSectionFile::NoteHighBytes(std::string_view line, int sourceLine) {
    const auto high = [](char c) { return (static_cast<unsigned char>(c) & 0x80) != 0; };
    auto at = std::find_if(line.begin(), line.end(), high);
    if (at == line.end()) return;
    ParseNotes::HighBytes& note = m_notes.highBytes.emplace_back();
    note.line = sourceLine;
    note.utf8 = IsUtf8(line);
    for (; at != line.end(); at = std::find_if(at + 1, line.end(), high))
        if (note.bytes.find(*at) == std::string::npos) note.bytes += *at;
}

SectionNode* CSectionFile::FindSection(std::string_view name) {
    for (SectionNode& section : m_sections)
        if (NamesEqual(section.name, name)) return &section;
    return nullptr;
}

SectionNode* CSectionFile::AddSection(std::string_view name) {
    return &m_sections.emplace_back(SectionNode{Keep(name), {}, 0});
}

EntryNode* CSectionFile::FindEntry(SectionNode* section, std::string_view key) {
    if (!section) return nullptr;
    for (EntryNode& entry : section->entries)
        if (NamesEqual(entry.Key(), key)) return &entry;
    return nullptr;
}

EntryNode* CSectionFile::AddEntry(SectionNode* section, std::string_view key,
                                  std::string_view value) {
    if (!section) return nullptr;
    value = value.substr(0, value.find('\0')); // where the entry's value ends
    std::string run;
    run.reserve(key.size() + 1 + value.size());
    run.append(key).append(1, '=').append(value);
    return &section->entries.emplace_back(EntryNode(Keep(run), key.size(), 0));
}

std::int32_t CSectionFile::GetValueInt(const EntryNode* entry, std::int32_t defaultNumber) {
    return entry ? ValueInt(entry->Value(), defaultNumber) : defaultNumber;
}

std::int32_t CSectionFile::ValueInt(std::string_view v, std::int32_t defaultNumber) {
    if (v.empty() || v[0] < '0' || v[0] > '9') return defaultNumber;
    std::int64_t number = 0;
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    for (char c : v) {
        if (c < '0' || c > '9') break;
        number = std::min(number * 10 + (c - '0'), kMax);
    }
    return static_cast<std::int32_t>(number);
}

std::string CSectionFile::WriteText() const {
    return WriteSectionText([this](CSectionWriter& out) {
        for (const SectionNode& section : m_sections) {
            out.Section(section.name);
            for (const EntryNode& entry : section.entries)
                out.Entry(entry.Key(), entry.Value());
        }
    });
}

bool CSectionFile::LoadFile(const std::string& path) {
    RemoveAll();
    m_error = {};
    CFileBuffer buffer;
    if (!buffer.LoadFile(path)) return Fail(0, buffer.LastError());
    std::string bytes = buffer.Detach();
    return Parse(bytes, &bytes);
}

bool CSectionFile::SaveFile(const std::string& path) {
    m_error = {};
    std::string error;
    if (SaveFileSafely(path, WriteText(), error)) return true;
    m_error = {0, error}; // the tree stays
    return false;
}

std::string ValueProblem(std::string_view value) {
    CSectionFile file;
    if (!file.ParseText("[S]\r\nk = " + std::string(value) + "\r\n"))
        return file.LastError().message;
    const EntryNode* entry = CSectionFile::FindEntry(file.FindSection("S"), "k");
    const std::string readBack(entry ? entry->Value() : std::string_view());
    if (readBack == value) return {};
    return "it would read back as \"" + readBack + "\"";
}
