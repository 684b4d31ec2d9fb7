#include "keptlayout.h"

#include "entryline.h"
#include "linediff.h"
#include "planfilereport.h"
#include "planformat.h"

#include <algorithm>
#include <unordered_map>

// The mapping of a file's text to the document it loads as, and what it
// tells of the text; writing the document back into that text is in
// keptlayoutwriter.cpp.

void CKeptLayout::Clear() {
    // The memory let go, not only emptied. Moved out first: assigning an
    // empty layout would keep the text's buffer (an empty string is copied
    // into it, not swapped for it), and a later Read would hand that buffer
    // to its caller's text, held through the whole read.
    const CKeptLayout gone(std::move(*this));
    *this = CKeptLayout();
}

void CKeptLayout::Index() {
    // Counted first, so that the table is made at its size.
    std::size_t count = 1;
    for (std::size_t at = LineEndFrom(m_text, 0); at < m_text.size(); ++count)
        at = LineEndFrom(m_text, at + LineBreakAt(m_text, at));
    // A line with a comment has "//" on it: no more lines than those.
    std::size_t slashes = 0;
    for (std::size_t at = m_text.find("//"); at != std::string::npos && slashes < count;
         at = m_text.find("//", at + 2))
        ++slashes;
    m_lines.Reserve(count, slashes);
    SplitInto(m_text, m_lines);
}

void CKeptLayout::LineTable::Reserve(std::size_t lines, std::size_t commented) {
    m_offsets.reserve(lines);
    m_ends.reserve(lines);
    m_commented.reserve(commented);
}

void CKeptLayout::LineTable::Add(const Line& line) {
    if (line.comment != Line::kNoComment)
        m_commented.push_back({std::uint32_t(size()), line.comment, line.trailing, line.joins});
    m_offsets.push_back(line.offset);
    m_ends.push_back(line.end);
}

CKeptLayout::Line CKeptLayout::LineTable::operator[](std::size_t index) const {
    Line line;
    line.offset = m_offsets[index];
    line.end = m_ends[index];
    const auto it = std::lower_bound(m_commented.begin(), m_commented.end(), index,
                                     [](const Commented& c, std::size_t i) { return c.index < i; });
    if (it != m_commented.end() && it->index == index) {
        line.comment = it->comment;
        line.trailing = it->trailing;
        line.joins = it->joins;
    }
    return line;
}

void CKeptLayout::SplitInto(std::string_view text, LineTable& lines) {
    // CR LF, a lone LF and a lone CR each end a line; a comment takes the CR
    // or LF that ends it.
    bool joined = false; // the line before took this one's line break: it is read on
    for (std::size_t at = 0; at < text.size();) {
        Line line;
        line.offset = std::uint32_t(at);
        const std::size_t length = LineEndFrom(text, at) - at;
        const std::size_t comment = CommentStart(text.substr(at, length));
        if (comment != std::string_view::npos) line.comment = std::uint32_t(comment);
        at += length;
        line.end = std::uint8_t(LineBreakAt(text, at));
        at += line.end;
        // A comment joins the next line on only where its line is read on:
        // after text, or on a line that is itself joined on.
        line.trailing =
            comment != std::string_view::npos &&
            (joined || text.find_first_not_of(" \t\f", line.offset) < line.offset + comment);
        line.joins = line.trailing && line.end == 1;
        joined = line.joins;
        lines.Add(line);
    }
}

std::string CKeptLayout::AsFirstPlan(std::string_view block) {
    // Named as the first plan, which the loader's scan reads whatever the
    // numbers around it; the name has no part in the plan's values.
    std::string text(block);
    const std::size_t open = text.find('['), close = text.find(']', open);
    if (close != std::string::npos) text.replace(open + 1, close - open - 1, PlanSectionName(1));
    return text;
}

bool CKeptLayout::ReadsAsPlan(std::string_view block, bool joins, const PlanEntry& plan) {
    LineTable lines;
    SplitInto(block, lines);
    if (!lines.size() || lines[lines.size() - 1].joins != joins) return false;
    const std::string text = AsFirstPlan(block);
    CSectionFile file;
    if (!file.ParseText(text) || file.Sections().size() != 1) return false;
    int read = 0;
    bool same = false;
    const CPlanData::EachPlan each = [&](const PlanEntry& p, const SectionNode&) {
        same = ++read == 1 && p == plan;
    };
    CPlanData().LoadFromSections(file, nullptr, nullptr, &each);
    return same && read == 1;
}

PlanEntry CKeptLayout::OriginalPlan(std::size_t index) const {
    const Section& section = m_sections[m_plans[index].section];
    const std::size_t from = m_lines.Offset(std::size_t(section.header - 1));
    const std::string block = AsFirstPlan(
        std::string_view(m_text).substr(from, AfterLine(JoinedEnd(section.lastEntry)) - from));
    PlanEntry plan;
    CPlanData().ReadText(block,
                         [&plan](const PlanEntry& read, const SectionNode&) { plan = read; });
    return plan;
}

int CKeptLayout::JoinedEnd(int line) const {
    while (line < int(m_lines.size()) && m_lines[std::size_t(line - 1)].joins)
        ++line;
    return line;
}

std::string CKeptLayout::KeyOf(int line) const {
    std::string_view text = LineText(line);
    text = text.substr(0, std::min(m_lines[std::size_t(line - 1)].Comment(), text.size()));
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) return {};
    std::string key;
    for (char c : text.substr(0, equals))
        if (c != ' ' && c != '\t' && c != '\f') key += FoldCase(c);
    return key.empty() || key[0] == '[' ? std::string() : key;
}

std::size_t CKeptLayout::AfterLine(int line) const {
    return std::size_t(line) < m_lines.size() ? m_lines.Offset(std::size_t(line)) : m_text.size();
}

std::string_view CKeptLayout::LineText(int line) const {
    const std::size_t offset = m_lines.Offset(std::size_t(line - 1));
    return std::string_view(m_text).substr(offset, AfterLine(line) -
                                                       m_lines.End(std::size_t(line - 1)) - offset);
}

std::string_view CKeptLayout::LineEnd(int line) const {
    const std::size_t end = m_lines.End(std::size_t(line - 1));
    return std::string_view(m_text).substr(AfterLine(line) - end, end);
}

std::string_view CKeptLayout::EndLike(int line) const {
    if (line > 0 && line <= int(m_lines.size()) && !LineEnd(line).empty()) return LineEnd(line);
    for (int l = 1; l <= int(m_lines.size()); ++l)
        if (!LineEnd(l).empty()) return LineEnd(l); // the file's own
    return "\r\n";
}

int CKeptLayout::SectionOf(const SectionNode* node) const {
    const auto it = std::lower_bound(
        m_sectionOf.begin(), m_sectionOf.end(), node,
        [](const auto& entry, const SectionNode* n) { return std::less<>()(entry.first, n); });
    return node && it != m_sectionOf.end() && it->first == node ? int(it->second) : -1;
}

void CKeptLayout::SectionsRead(const SectionNode* start, const SectionNode* cheat,
                               const SectionNode* match) {
    m_start = SectionOf(start);
    m_cheat = SectionOf(cheat);
    m_match = SectionOf(match);
    auto lines = [](const SectionNode* section, auto& keys, const auto& names) {
        for (std::size_t k = 0; k < names.size(); ++k) {
            const EntryNode* entry =
                CSectionFile::FindEntry(const_cast<SectionNode*>(section), names[k]);
            keys[k] = entry ? entry->line : 0;
        }
    };
    lines(start, m_startKeys, kStartKeys);
    lines(cheat, m_cheatKeys, kCheatKeys);
    // Where the numbered keys begin, read or not: rewritten matches go
    // there, so that a key the numbering did not reach stays behind them.
    m_matchAnchor = 0;
    if (match)
        for (const EntryNode& entry : match->entries) {
            const std::string key = FoldedName(entry.Key());
            if ((key.starts_with("targettype") || key.starts_with("attacktype")) &&
                (!m_matchAnchor || entry.line < m_matchAnchor))
                m_matchAnchor = entry.line;
        }
}

void CKeptLayout::PlanRead(const SectionNode& section,
                           const std::array<const EntryNode*, kPlanKeys.size()>& consumed) {
    PlanLines lines;
    lines.section = std::uint32_t(SectionOf(&section));
    // A plan section parsed on its own has its entries only now. (One whose
    // plan is not read keeps its header as its last entry: that only bounds
    // the comments above the next header, which stop at its entries anyway.)
    for (const EntryNode& entry : section.entries)
        m_sections[lines.section].lastEntry =
            std::max(m_sections[lines.section].lastEntry, entry.line);
    for (std::size_t k = 0; k < consumed.size(); ++k)
        lines.keys[k] = consumed[k] ? consumed[k]->line : 0;
    lines.firstParameter = std::uint32_t(m_parameterLines.size());
    for (const EntryNode& entry : section.entries)
        if (std::find(consumed.begin(), consumed.end(), &entry) == consumed.end())
            m_parameterLines.push_back(entry.line);
    lines.parameterCount = std::uint32_t(m_parameterLines.size() - lines.firstParameter);
    m_plans.push_back(lines);
}

void CKeptLayout::MatchKeyRead(const EntryNode& entry) {
    m_matchKeys.push_back(entry.line);
}

bool CKeptLayout::Map(std::string text, const std::vector<const PlanEntry*>& plans) {
    return Read(text, &plans, nullptr, nullptr, nullptr);
}

bool CKeptLayout::Map(std::string text, const std::vector<const PlanEntry*>& plans,
                      CPlanFileReport& report, const std::vector<const MatchEntry*>& matches) {
    report.Clear();
    return Read(text, &plans, nullptr, &report, nullptr, &matches);
}

bool CKeptLayout::Load(std::string& text, CPlanData& data, CPlanFileReport* report,
                       Diagnostic* error) {
    return Read(text, nullptr, &data, report, error);
}

bool CKeptLayout::Read(std::string& text, const std::vector<const PlanEntry*>* compared,
                       CPlanData* data, CPlanFileReport* report, Diagnostic* error,
                       const std::vector<const MatchEntry*>* matches) {
    Clear();
    if (text.size() >= Line::kNoComment) { // beyond what a line's offset holds
        if (error) *error = {0, "the text is too large"};
        return false;
    }
    // A text mapped against the document's records (a text just saved) is
    // parsed one plan at a time: the document's model, its text and a parse
    // of all its plans are then never held at once.
    const bool byPlan = compared != nullptr;
    bool read = false;
    {
        CSectionFile file;
        if (!(byPlan ? ParsePlanSectionsApart(file, text) : file.ParseText(text))) {
            if (error) *error = file.LastError();
            if (report) report->Failed(file.LastError());
            return false;
        }
        m_text = std::move(text);
        SectionsOf(file);
        if (report) report->Reading(m_text);
        read =
            data ? Loaded(file, *data, report) : Compared(file, *compared, report, matches, error);
        if (report) report->Reading({});
        m_sectionOf = decltype(m_sectionOf)(); // let go: assigning {} keeps the memory
    } // the tree goes before the line table is made: the two are never whole at once
    if (!read) {
        Clear();
        return false;
    }
    Index();
    // Each section's block: the comment lines right above its header belong
    // to it; blank lines and comments further up, to the block before.
    for (std::size_t s = 0; s < m_sections.size(); ++s) {
        Section& section = m_sections[s];
        const int floor = s == 0 ? 0 : m_sections[s - 1].lastEntry;
        while (section.first - 1 > floor && IsCommentLine(LineText(section.first - 1)))
            --section.first;
    }
    for (std::size_t s = 0; s < m_sections.size(); ++s)
        m_sections[s].last =
            s + 1 < m_sections.size() ? m_sections[s + 1].first - 1 : int(m_lines.size());
    m_mapped = true;
    return true;
}

void CKeptLayout::SectionsOf(const CSectionFile& file) {
    m_sections.reserve(file.Sections().size());
    m_sectionOf.reserve(file.Sections().size());
    m_plans.reserve(file.Sections().size());
    std::size_t names = 0;
    for (const SectionNode& node : file.Sections())
        names += node.name.size();
    m_names.reserve(names);
    for (const SectionNode& node : file.Sections()) {
        m_sectionOf.emplace_back(&node, m_sections.size());
        Section section{std::uint32_t(m_names.size()),
                        std::uint32_t(node.name.size()),
                        node.line,
                        node.line,
                        0,
                        node.line};
        m_names += node.name;
        for (const EntryNode& entry : node.entries)
            section.lastEntry = std::max(section.lastEntry, entry.line);
        m_sections.push_back(std::move(section));
    }
    std::sort(m_sectionOf.begin(), m_sectionOf.end(),
              [](const auto& a, const auto& b) { return std::less<>()(a.first, b.first); });
    // The plan numbers of the sections, which have a later namesake, and the
    // numbers the loader's scan reaches.
    m_numbers.resize(m_sections.size());
    m_repeated.assign(m_sections.size(), false);
    std::unordered_map<unsigned long, std::size_t> last;
    for (std::size_t s = 0; s < m_sections.size(); ++s)
        if ((m_numbers[s] = PlanNumberOf(NameOf(m_sections[s])))) {
            if (const auto it = last.find(m_numbers[s]); it != last.end())
                m_repeated[it->second] = true;
            last[m_numbers[s]] = s;
        }
    ScanPlanSections(
        [&](const std::string& name) { return last.count(PlanNumberOf(name)) ? &last : nullptr; },
        [&](unsigned long n, const auto*) { m_reached.push_back(n); });
}

bool CKeptLayout::Loaded(CSectionFile& file, CPlanData& data, CPlanFileReport* report) {
    // Loaded as the document, which the records then are.
    data.LoadFromSections(file, report, this);
    m_original.start = data.start;
    for (const auto& match : data.matches.All())
        m_original.matches.AddTarget(match->unitClass)->attackers = match->attackers;
    m_fingerprints.reserve(data.plans.CountPlans());
    m_index.reserve(data.plans.CountPlans());
    for (const auto& plan : data.plans.All()) {
        m_index.emplace_back(plan.get(), std::uint32_t(m_fingerprints.size()));
        m_fingerprints.push_back(FingerprintOf(*plan));
    }
    SortIndex();
    return true;
}

bool CKeptLayout::Compared(CSectionFile& file, const std::vector<const PlanEntry*>& plans,
                           CPlanFileReport* report, const std::vector<const MatchEntry*>* matches,
                           Diagnostic* error) {
    // Each plan is compared and fingerprinted as it is read, and not kept.
    std::size_t read = 0;
    bool same = true;
    m_fingerprints.reserve(plans.size());
    const CPlanData::EachPlan each = [&](const PlanEntry& plan, const SectionNode&) {
        same = same && read < plans.size() && plan == *plans[read];
        if (same) m_fingerprints.push_back(FingerprintOf(plan));
        if (report) report->PlanIs(&plan, same ? plans[read] : nullptr);
        ++read;
    };
    if (!m_original.LoadFromSections(file, m_text, report, this, &each, error)) return false;
    if (report && matches) {
        std::vector<const MatchEntry*> readMatches;
        for (const auto& match : m_original.matches.All())
            readMatches.push_back(match.get());
        report->MatchesAre(readMatches, *matches);
    }
    if (!same || read != plans.size()) return false;
    m_index.reserve(plans.size());
    for (std::size_t i = 0; i < plans.size(); ++i)
        m_index.emplace_back(plans[i], std::uint32_t(i));
    SortIndex();
    return true;
}

void CKeptLayout::SortIndex() {
    std::sort(m_index.begin(), m_index.end(), [](const auto& a, const auto& b) {
        return std::less<>()(a.first, b.first); // a document holds each record once
    });
}

std::optional<std::size_t> CKeptLayout::IndexOf(const PlanEntry* plan) const {
    const auto it = std::lower_bound(
        m_index.begin(), m_index.end(), plan,
        [](const auto& entry, const PlanEntry* p) { return std::less<>()(entry.first, p); });
    if (it == m_index.end() || it->first != plan) return std::nullopt;
    return it->second;
}

std::pair<int, int> CKeptLayout::BlockOf(const PlanEntry* plan) const {
    const std::optional<std::size_t> index = IndexOf(plan);
    if (!index) return {0, 0};
    const Section& s = m_sections[m_plans[*index].section];
    return {s.first, s.last};
}

std::string CKeptLayout::BlockText(const PlanEntry* plan) const {
    const auto [first, last] = BlockOf(plan);
    if (!first) return {};
    const std::size_t from = m_lines.Offset(std::size_t(first - 1));
    return m_text.substr(from, AfterLine(last) - from);
}

void CKeptLayout::Pasted(const PlanEntry& plan, std::string block) {
    m_pasted.emplace_back(plan, std::move(block));
}

// The lines of a block pasted for a plan of that value (unused so far), its
// header renumbered as [PlanN]; none where no such block reads, on its own
// and with `end` after each line, as that plan and as nothing after it.
std::optional<std::vector<std::string>> CKeptLayout::PastedLines(const PlanEntry& plan,
                                                                 unsigned long n,
                                                                 std::vector<bool>& used,
                                                                 std::string_view end) const {
    for (std::size_t i = 0; i < m_pasted.size(); ++i) {
        if (used[i] || !(m_pasted[i].first == plan)) continue;
        std::vector<std::string> lines;
        std::string block;
        bool header = false;
        for (std::string_view line : SplitLines(m_pasted[i].second)) {
            std::string text(line);
            const std::size_t at = text.find_first_not_of(" \t\f");
            if (!header && at != std::string::npos && text[at] == '[') {
                text.replace(at, text.find(']', at) - at,
                             std::string("[").append(PlanSectionName(n)));
                header = true;
            }
            block.append(text).append(end);
            lines.push_back(std::move(text));
        }
        CPlanData read;
        CSectionFile after; // a header after it is a header still: no comment ran on over it
        if (!header || !read.LoadText(block) || read.plans.CountPlans() != 1 ||
            !(*read.plans.All()[0] == plan) ||
            !after.ParseText(block + "[" + PlanSectionName(n + 1) + "]") ||
            after.Sections().back().name != PlanSectionName(n + 1))
            continue;
        used[i] = true;
        return lines;
    }
    return std::nullopt;
}

const PlanEntry* CKeptLayout::PlanOfSection(std::string_view name) const {
    for (const auto& [record, index] : m_index) {
        const std::size_t section = m_plans[index].section;
        if (!NamesEqual(NameOf(m_sections[section]), name)) continue;
        // The first section of the name is the one the loader read.
        const bool first =
            std::none_of(m_sections.begin(), m_sections.begin() + std::ptrdiff_t(section),
                         [&](const Section& s) { return NamesEqual(NameOf(s), name); });
        return first ? record : nullptr;
    }
    return nullptr;
}

std::string CKeptLayout::SectionOf(const PlanEntry* plan) const {
    const std::optional<std::size_t> index = IndexOf(plan);
    return index ? std::string(NameOf(m_sections[m_plans[*index].section])) : std::string();
}

std::vector<std::pair<int, std::string>> CKeptLayout::Unheld() const {
    // The lines records were read from: the headers of the sections read and
    // their keys (with what a comment joined on to them).
    std::vector<bool> held(m_lines.size() + 1, false);
    auto hold = [&](int line) {
        if (line <= 0) return; // not in the text
        for (const int end = JoinedEnd(line); line <= end; ++line)
            held[std::size_t(line)] = true;
    };
    for (int section : {m_start, m_cheat, m_match})
        if (section >= 0) hold(m_sections[std::size_t(section)].header);
    for (int line : m_startKeys)
        hold(line);
    for (int line : m_cheatKeys)
        hold(line);
    for (int line : m_matchKeys)
        hold(line);
    for (const PlanLines& plan : m_plans) {
        hold(m_sections[plan.section].header);
        for (int line : plan.keys)
            hold(line);
        for (int line : ParameterLines(plan))
            hold(line);
    }
    std::vector<std::pair<int, std::string>> unheld;
    for (int line = 1; line <= int(m_lines.size()); ++line) {
        std::string_view text = LineText(line);
        const Line l = m_lines[std::size_t(line - 1)];
        if (held[std::size_t(line)]) {
            if (l.Comment() == std::string_view::npos) continue;
            text = text.substr(l.comment); // a comment at its end is not held
        }
        const std::size_t first = text.find_first_not_of(" \t\f");
        if (first == std::string_view::npos) continue;
        text = text.substr(first, text.find_last_not_of(" \t\f") + 1 - first);
        unheld.emplace_back(line, std::string(text));
    }
    return unheld;
}

std::pair<int, int> CKeptLayout::BlockOf(std::string_view sectionName) const {
    const int section = NamesEqual(sectionName, kStartSection)   ? m_start
                        : NamesEqual(sectionName, kCheatSection) ? m_cheat
                        : NamesEqual(sectionName, kMatchSection) ? m_match
                                                                 : -1;
    if (section < 0) return {0, 0};
    const Section& s = m_sections[std::size_t(section)];
    return {s.first, s.last};
}
