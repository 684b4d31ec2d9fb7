#pragma once

#include "plandata.h"
#include "planformat.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The text a document came from (opened, saved or typed in the source
// editor) and which of its lines each record was read from, so that saving
// changes only the lines of what was edited. Comments, unknown keys and
// sections, duplicates, dropped plans and the file's own spacing, key case,
// quoting, section order and line ends stay exactly as written.
//
// Records are known by their address: the document's plans stay the same
// objects through every edit and its undo.
class CKeptLayout {
public:
    // Takes the text as the one the records were read from: the i-th plan it
    // loads is plans[i]. False (and nothing kept) when the text does not load
    // or does not give exactly those plans. The text is parsed one plan at a
    // time: the records are in memory already.
    bool Map(std::string text, const std::vector<const PlanEntry*>& plans);
    // The same, the report told (anew) what the text holds, its findings
    // pointing at `plans` and at the document's `matches`.
    bool Map(std::string text, const std::vector<const PlanEntry*>& plans, CPlanFileReport& report,
             const std::vector<const MatchEntry*>& matches);
    // Loads `data` from the text (telling the report, when given, what it
    // reads) and keeps the text as the one its records were read from: one
    // read of it, not a model loaded and then another to map it. False, with
    // `error` set and the text left as it was, when it does not parse.
    bool Load(std::string& text, CPlanData& data, CPlanFileReport* report = nullptr,
              Diagnostic* error = nullptr);
    bool IsMapped() const { return m_mapped; }
    void Clear();
    // The text kept, as it was mapped.
    const std::string& Text() const { return m_text; }

    // The kept text with the edits that make it read as `data`: changed
    // values rewrite only their key's line, added keys follow their record's
    // last key, removed keys and deleted plans (with the comments right above
    // them) take only their own lines, new plans are appended as sections of
    // their own, and a change of the matches touches only the numbered keys
    // whose class or number changed. An edited line keeps its key as spelled,
    // its spacing, its quotes and its comment; a removed key's comment stays. False when the edits
    // cannot be made so that the text loads as `data` (then the canonical layout is the way to
    // save). `order` gets `data`'s plans in the order the written text lists them.
    bool Write(const CPlanData& data, std::string& text,
               std::vector<const PlanEntry*>* order = nullptr) const;
    // Whether the text Write makes is sure to load as `data` with only the
    // plan sections it edits read again (no start, match or section changed
    // but in plans' keys, the plans in their order): then WriteTo gives
    // that text piece by piece, and a save need not hold it whole next to
    // the kept one. `order` as by Write.
    bool WritesInPieces(const CPlanData& data, std::vector<const PlanEntry*>* order) const;
    // That text handed to `put` piece by piece, the same each time; false
    // where `put` stops it. Only where WritesInPieces says so of `data`.
    using TextPut = std::function<bool(std::string_view)>;
    bool WriteTo(const CPlanData& data, const TextPut& put) const;
    // The same text without the check that it loads as `data` (a third of
    // the time, for the recovery file written while the user types).
    bool WriteUnchecked(const CPlanData& data, std::string& text) const;

    // The lines (first, last; 1-based) of the block of the section a record
    // was read from: its header, its keys, the comments right above it and
    // what follows up to the next block. {0, 0} where the text has none.
    std::pair<int, int> BlockOf(const PlanEntry* plan) const;
    std::pair<int, int> BlockOf(std::string_view sectionName) const; // Start, Cheat, Match
    // The text of that block as written, line ends and all; empty where the
    // text has none.
    std::string BlockText(const PlanEntry* plan) const;
    // A plan about to be added, with the block of text it was pasted from
    // (the comments above it and on its lines, its spacing): a new plan of
    // that value is written as that block, renumbered, where the block still
    // reads as it. Forgotten when the layout is mapped anew.
    void Pasted(const PlanEntry& plan, std::string block);
    // The record of the plan read from the section of a name (the first of
    // that name); null when no plan was read from one.
    const PlanEntry* PlanOfSection(std::string_view name) const;
    // The name of the section a plan was read from; empty for one the text
    // does not hold.
    std::string SectionOf(const PlanEntry* plan) const;
    // What of the text the document does not hold: each line no record was
    // read from (comments, unknown keys and sections, dropped plans...) and
    // the comment at the end of a line that one was read from, with its line.
    std::vector<std::pair<int, std::string>> Unheld() const;

    // --- Told by the loader as it reads ---
    void SectionsRead(const SectionNode* start, const SectionNode* cheat, const SectionNode* match);
    // A plan read from `section`, with the first entry of each known key
    // (null where there is none); every other entry is a parameter.
    void PlanRead(const SectionNode& section,
                  const std::array<const EntryNode*, kPlanKeys.size()>& consumed);
    void MatchKeyRead(const EntryNode& entry);

private:
    // A line of the text. Its length is where the next line starts, less its
    // line end (AfterLine). Texts of 4 GB and more are not mapped.
    struct Line {
        static constexpr std::uint32_t kNoComment = UINT32_MAX;
        std::uint32_t offset = 0;
        std::uint32_t comment = kNoComment; // where a comment starts
        std::uint8_t end = 0;               // bytes of the line end: 0, 1 or 2
        bool trailing = false;              // the comment follows text on the line
        bool joins = false;                 // and takes a lone CR or LF: the next line joins on
        std::size_t Comment() const {
            return comment == kNoComment ? std::string_view::npos : comment;
        }
    };
    // The text's lines, 5 bytes each and 12 more for each with a comment: a
    // file of 40,000 plans has some 300,000, a few of them with a comment.
    class LineTable {
    public:
        void Add(const Line& line);
        void Reserve(std::size_t lines, std::size_t commented);
        std::size_t size() const { return m_offsets.size(); }
        std::uint32_t Offset(std::size_t index) const { return m_offsets[index]; }
        std::uint8_t End(std::size_t index) const { return m_ends[index]; }
        Line operator[](std::size_t index) const;

    private:
        struct Commented {
            std::uint32_t index = 0; // of the line
            std::uint32_t comment = 0;
            bool trailing = false, joins = false;
        };
        std::vector<std::uint32_t> m_offsets;
        std::vector<std::uint8_t> m_ends;
        std::vector<Commented> m_commented; // by line
    };
    // A section and the block of lines it owns: the comment lines right
    // above its header, the header, its entries and what follows up to the
    // next block. Lines are 1-based.
    // 24 bytes: its name is a run of m_names.
    struct Section {
        std::uint32_t nameAt = 0, nameSize = 0;
        int header = 0;
        int first = 0;
        int last = 0;
        int lastEntry = 0; // its last "key = value" line; the header when none
    };
    static_assert(sizeof(Section) == 24);
    // 40 bytes, with no allocation of its own: a file of 40,000 plans has
    // as many. Its parameters' lines are a run of m_parameterLines.
    struct PlanLines {
        std::uint32_t section = 0;
        std::array<int, kPlanKeys.size()> keys{}; // 0: the key is not there
        std::uint32_t firstParameter = 0, parameterCount = 0;
    };
    static_assert(sizeof(PlanLines) == 40);
    class Edits;

    bool Read(std::string& text, const std::vector<const PlanEntry*>* compared, CPlanData* data,
              CPlanFileReport* report, Diagnostic* error,
              const std::vector<const MatchEntry*>* matches = nullptr);
    void SectionsOf(const CSectionFile& file);
    bool Loaded(CSectionFile& file, CPlanData& data, CPlanFileReport* report);
    bool Compared(CSectionFile& file, const std::vector<const PlanEntry*>& plans,
                  CPlanFileReport* report, const std::vector<const MatchEntry*>* matches,
                  Diagnostic* error);
    // A plan section's block, its header first, as the text of the first plan.
    static std::string AsFirstPlan(std::string_view block);
    void Index();
    // The plan as its section in the text reads on its own: the record the
    // document holds may have changed since.
    PlanEntry OriginalPlan(std::size_t index) const;
    int SectionOf(const SectionNode* node) const;
    std::string_view NameOf(const Section& section) const {
        return std::string_view(m_names).substr(section.nameAt, section.nameSize);
    }
    // The lines of a plan's parameters, in the order read.
    std::span<const int> ParameterLines(const PlanLines& plan) const {
        return std::span<const int>(m_parameterLines)
            .subspan(plan.firstParameter, plan.parameterCount);
    }
    // The plan a record was read as; none for a record the text does not hold.
    std::optional<std::size_t> IndexOf(const PlanEntry* plan) const;
    void SortIndex();
    std::string_view LineText(int line) const;
    std::string_view LineEnd(int line) const;
    // Where the text goes on after the line and its line end.
    std::size_t AfterLine(int line) const;
    // The line end `line` has, or the file's own for a line without one.
    std::string_view EndLike(int line) const;
    // The last of the lines that a comment joins on to `line`.
    int JoinedEnd(int line) const;
    // The key of a "key = value" line as lookups compare it; empty for others.
    std::string KeyOf(int line) const;
    // Whether a line further down, before the next header, has the same key
    // (lines `gone` says go are not counted).
    template <typename Gone> bool KeyRepeats(int line, Gone gone) const;
    void WriteStart(const CPlanData& data, Edits& edits) const;
    void WriteMatches(const CPlanData& data, Edits& edits, bool whole) const;
    bool WriteMatchKeys(const CPlanData& data, Edits& edits) const;
    // Each plan written, with the number of the section it is written as.
    using Numbered = std::vector<std::pair<unsigned long, const PlanEntry*>>;
    bool WritePlans(const CPlanData& data, Edits& edits, Numbered& numbered) const;
    // The edits that make the text read as `data`; false where none can.
    bool MakeEdits(const CPlanData& data, Edits& edits, Numbered& numbered, bool wholeMatch) const;
    // Whether the edits leave the text reading as before but for the plan
    // sections they touch; `plans` gets those (by plan as the text loads,
    // with the record each is to read as).
    bool SureToLoad(const CPlanData& data, const Edits& edits, const Numbered& numbered,
                    std::vector<std::pair<std::size_t, const PlanEntry*>>& plans) const;
    // Marks (for Edits' rendering) of where those plans' blocks begin and end.
    std::vector<std::pair<int, std::size_t>>
    BlockMarks(const std::vector<std::pair<std::size_t, const PlanEntry*>>& plans) const;
    // Whether each of those plans' blocks, as `block(i)` gives the i-th,
    // reads on its own as its record.
    bool BlocksReadAsPlans(const std::vector<std::pair<std::size_t, const PlanEntry*>>& plans,
                           const std::function<std::string_view(std::size_t)>& block) const;
    static void OrderOf(Numbered numbered, std::vector<const PlanEntry*>& order);
    void WritePlan(const PlanEntry& now, std::size_t index, Edits& edits) const;
    std::optional<std::vector<std::string>> PastedLines(const PlanEntry& plan, unsigned long n,
                                                        std::vector<bool>& used,
                                                        std::string_view end) const;
    // The text with the edits that make it read as `data`. With `checked`,
    // also whether it is sure to load as `data` without being read whole.
    bool Render(const CPlanData& data, std::string& text, Numbered& numbered, bool wholeMatch,
                bool* checked = nullptr) const;
    // Whether a plan section's block (its header first, then the lines up to
    // the next block) reads on its own as one section and as `plan`, its
    // last line taking the next line on as `joins` says.
    static bool ReadsAsPlan(std::string_view block, bool joins, const PlanEntry& plan);
    // The lines of a text, as the parser counts them.
    static void SplitInto(std::string_view text, LineTable& lines);

    bool m_mapped = false;
    std::string m_text;
    LineTable m_lines;
    std::vector<Section> m_sections;
    std::string m_names;                  // the sections' names, one after another
    std::vector<unsigned long> m_numbers; // each section's plan number, 0 for none
    std::vector<bool> m_repeated;         // a later section has the same number
    std::vector<unsigned long> m_reached; // the plan numbers the loader's scan reaches
    // While mapping: each node with its section's index, sorted by node.
    std::vector<std::pair<const SectionNode*, std::size_t>> m_sectionOf;
    CPlanData m_original;              // the text as it loads: start and matches, no plan
    std::vector<PlanLines> m_plans;    // by plan as the text loads
    std::vector<int> m_parameterLines; // the plans' parameters, plan after plan
    // Whether a record changed since the text was mapped, without a second
    // model of the whole file kept to tell.
    std::vector<PlanFingerprint> m_fingerprints; // by plan as the text loads
    // Record -> plan, sorted by record: a third of the room a hash map takes.
    std::vector<std::pair<const PlanEntry*, std::uint32_t>> m_index;
    int m_start = -1, m_cheat = -1, m_match = -1; // sections, -1: none
    std::array<int, kStartKeys.size()> m_startKeys{};
    std::array<int, kCheatKeys.size()> m_cheatKeys{};
    std::vector<int> m_matchKeys; // the lines of the numbered keys read
    int m_matchAnchor = 0;        // the first line of any numbered key there
    std::vector<std::pair<PlanEntry, std::string>> m_pasted; // plans to add, and their text
};
