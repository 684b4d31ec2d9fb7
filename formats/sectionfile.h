#pragma once

#include "diagnostic.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One "key = value" line of a plan file: raw 8-bit bytes, viewed in the text
// of the CSectionFile that holds it. An empty view stands for "no key" or "no
// value". A value keeps the quote characters it was written with.
//
// 16 bytes, not two views' 40: a large file has hundreds of thousands. The
// key and the value are one run of that text, "key=value", as the parser
// leaves a line once it has dropped the blanks, and the run ends at the NUL
// that ends the line there (a line holds no other: the parser drops them).
struct EntryNode {
    EntryNode() = default;
    std::string_view Key() const { return {m_text, m_keySize}; }
    std::string_view Value() const {
        return m_text && m_text[m_keySize + 1] ? std::string_view(m_text + m_keySize + 1)
                                               : std::string_view();
    }
    int line = 0; // 1-based source line, 0 when not parsed from text

private:
    friend class CSectionFile;
    // `run` holds the key (under 4 GB), one byte, then the value, and a NUL
    // follows it.
    EntryNode(std::string_view run, std::size_t keySize, int sourceLine)
        : line(sourceLine), m_keySize(std::uint32_t(keySize)), m_text(run.data()) {}

    std::uint32_t m_keySize = 0;
    const char* m_text = nullptr;
};
static_assert(sizeof(EntryNode) == 16);

// One "[name]" section with its entries in file order.
struct SectionNode {
    std::string_view name;
    std::vector<EntryNode> entries;
    int line = 0;
};

// What the parser read past or read differently from how it looks, by line:
// what a report tells the user about.
struct ParseNotes {
    std::vector<int> comments;       // lines where a comment starts
    std::vector<int> commentJoins;   // a comment swallowed a lone LF or CR: the next line joins on
    std::vector<int> closedQuotes;   // a quote left open was closed with '"' at the line end
    std::vector<int> headerTails;    // text after a header's ']', which is lost
    std::vector<int> ignoredLines;   // lines without '=', or before the first header
    std::vector<int> semicolonLines; // such lines that begin with ';', as INI comments do
    // Blocks from a line opening with "<<<<<<<" to one opening with ">>>>>>>":
    // a merge left unresolved, first and last line.
    std::vector<std::pair<int, int>> conflicts;
    // Lines whose names, keys or values hold bytes beyond ASCII, which the
    // game may show otherwise than this editor does: each distinct such byte
    // of the line once, and whether the line reads as UTF-8.
    struct HighBytes {
        int line = 0;
        std::string bytes;
        bool utf8 = false;
    };
    std::vector<HighBytes> highBytes;
    // Lines of nothing but a comment "// zeq: ignore CODE...": the findings
    // they name are not told on the line below, or anywhere when the
    // comment stands above every other line of the file.
    struct Ignore {
        int line = 0;
        std::string codes; // as written after "ignore"
        bool wholeFile = false;
    };
    std::vector<Ignore> ignores;
    bool byteOrderMark = false;  // the text starts with UTF-8's EF BB BF, read as text
    bool markHidesStart = false; // and the line it hides is the [Start] header
};

// git's conflict markers, as a merge left unresolved writes them at the
// start of a line (the merge driver writes them too).
constexpr std::string_view kConflictOurs = "<<<<<<< ours",
                           kConflictMiddle = "=======", kConflictTheirs = ">>>>>>> theirs";
// Their first seven characters, which mark such a line whatever follows.
constexpr std::size_t kConflictMarkLength = 7;

// The comment that keeps findings from being told: "// zeq: ignore CODE".
constexpr std::string_view kIgnoreDirective = "zeq: ignore";

// What some Windows editors write at the start of a UTF-8 file; the game
// reads it as part of the first line.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Names and keys compare equal when they match with only A-Z folded to a-z.
bool NamesEqual(std::string_view a, std::string_view b);
// The one folding that rule makes: A-Z to a-z, every other byte as it is.
constexpr char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}
// The name with A-Z folded to a-z: a key under which equal names meet.
std::string FoldedName(std::string_view name);

// A plan file held as an ordered list of sections. Duplicate names and keys
// stay; lookups return the first match. Names, keys and values are views into
// one buffer that the file owns (the cleaned text of a parse, or copies of
// what was added by hand), so that a large file is a handful of allocations.
// Sections keep their place in memory as more are added.
class CSectionFile {
public:
    using SectionList = std::deque<SectionNode>;

    CSectionFile() = default;
    CSectionFile(CSectionFile&&) = default;
    CSectionFile& operator=(CSectionFile&&) = default;
    CSectionFile(const CSectionFile&) = delete;
    CSectionFile& operator=(const CSectionFile&) = delete;

    const SectionList& Sections() const { return m_sections; }

    // Replaces the tree by the parse of the text. On failure the tree is
    // empty and LastError() tells why and where.
    bool ParseText(std::string_view text);
    // The same with the entries only of the sections `wanted` names: the
    // others keep their name and line, which tell where their block is, for
    // a reader that then takes that block on its own, and the rest of their
    // lines is let go. The notes and failures are those of ParseText.
    using SectionFilter = bool (*)(std::string_view name);
    bool ParseText(std::string_view text, SectionFilter wanted);
    // No section's entries.
    bool ParseHeaders(std::string_view text);
    const Diagnostic& LastError() const { return m_error; }
    const ParseNotes& Notes() const { return m_notes; }

    // Writing: CR LF line ends, no escaping.
    std::string WriteText() const;
    // Reads and parses the file; the file's own bytes are let go once the
    // cleaned text is made.
    bool LoadFile(const std::string& path);
    // Leaves an existing file untouched unless the whole text was written.
    bool SaveFile(const std::string& path);

    SectionNode* FindSection(std::string_view name);
    // A section or an entry added by hand: its name, key and value are copied
    // (the value up to a NUL byte, if it holds one).
    SectionNode* AddSection(std::string_view name);
    EntryNode* AddEntry(SectionNode* section, std::string_view key, std::string_view value);

    // Entry lookups take the section they work in; a null section or entry
    // makes them return their neutral result.
    static EntryNode* FindEntry(SectionNode* section, std::string_view key);
    // Counts only a value whose first byte is a decimal digit: the leading run
    // of digits, saturated at INT32_MAX. "-5" and "\"12\"" give the default.
    static std::int32_t GetValueInt(const EntryNode* entry, std::int32_t defaultNumber);
    static std::int32_t ValueInt(std::string_view value, std::int32_t defaultNumber);

private:
    void RemoveAll();
    bool Parse(std::string_view text, std::string* spent, SectionFilter wanted = nullptr);
    void KeepOnlyTheTree();
    bool Fail(int line, std::string reason);
    void NoteHighBytes(std::string_view line, int sourceLine);
    std::string_view Keep(std::string_view bytes);

    SectionList m_sections;
    std::unique_ptr<char[]> m_text; // the cleaned text the views point into
    std::deque<std::string> m_kept; // what was added by hand
    Diagnostic m_error;
    ParseNotes m_notes;
};

// Why a value would not read back from a plan file exactly as written (the
// format has no escaping: blanks outside quotes are dropped, "//" starts a
// comment, brackets must pair up); empty when it would.
std::string ValueProblem(std::string_view value);
