#pragma once

#include "diagnostic.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One "key = value" line of a plan file. Strings are raw 8-bit bytes; an empty
// string stands for "no key" or "no value". A value keeps the quote characters
// it was written with.
struct EntryNode {
    std::string key;
    std::string value;
    int line = 0; // 1-based source line, 0 when not parsed from text
};

// One "[name]" section with its entries in file order.
struct SectionNode {
    std::string name;
    std::vector<EntryNode> entries;
    int line = 0;
};

// What the parser read past or read differently from how it looks, by line:
// what a report tells the user about.
struct ParseNotes {
    std::vector<int> comments;     // lines where a comment starts
    std::vector<int> commentJoins; // a comment swallowed a lone LF or CR: the next line joins on
    std::vector<int> closedQuotes; // a quote left open was closed with '"' at the line end
    std::vector<int> headerTails;  // text after a header's ']', which is lost
    std::vector<int> ignoredLines; // lines without '=', or before the first header
};

// Names and keys compare equal when they match with only A-Z folded to a-z.
bool NamesEqual(std::string_view a, std::string_view b);
// The name with A-Z folded to a-z: a key under which equal names meet.
std::string FoldedName(std::string_view name);

// A plan file held as an ordered list of sections. Duplicate names and keys
// stay; lookups return the first match.
class CSectionFile {
public:
    using SectionList = std::vector<std::unique_ptr<SectionNode>>;

    CSectionFile() = default;

    void RemoveAll();
    const SectionList& Sections() const { return m_sections; }

    // Replaces the tree by the parse of the text. On failure the tree holds
    // what was built before the failing line and LastError() tells why.
    bool ParseText(std::string_view text);
    const Diagnostic& LastError() const { return m_error; }
    const ParseNotes& Notes() const { return m_notes; }

    // Writing: CR LF line ends, no escaping; GetTextSize() == WriteText().size().
    std::size_t GetTextSize() const;
    std::string WriteText() const;
    bool LoadFile(const std::string& path);
    // Leaves an existing file untouched unless the whole text was written.
    bool SaveFile(const std::string& path);

    SectionNode* FindSection(std::string_view name) const;
    SectionNode* AddSection(std::string_view name);

    // Entry operations take the section they work in; a null section or entry
    // makes them do nothing and return their neutral result.
    static EntryNode* FindEntry(SectionNode* section, std::string_view key);
    static EntryNode* AddEntry(SectionNode* section, std::string_view key, std::string_view value);
    static void AppendEntries(SectionNode* section, std::vector<EntryNode> entries);

    // Counts only a value whose first byte is a decimal digit: the leading run
    // of digits, saturated at INT32_MAX. "-5" and "\"12\"" give the default.
    static std::int32_t GetValueInt(const EntryNode* entry, std::int32_t defaultNumber);

private:
    bool Fail(int line, std::string reason);

    SectionList m_sections;
    Diagnostic m_error;
    ParseNotes m_notes;
};
