#include "keptlayout.h"

#include "entryline.h"
#include "linediff.h"
#include "markstack.h"
#include "planformat.h"
#include "sectionwriter.h"
#include "subsequence.h"
#include "textvalues.h"

#include <algorithm>
#include <optional>
#include <set>

namespace {

// One line as the canonical save writes it, without its line end.
template <typename Write> std::string CanonicalLine(Write write) {
    std::string line;
    CSectionWriter writer(&line);
    write(writer);
    line.resize(line.size() - 2); // the writer's CR LF
    return line;
}

std::string TextLine(std::string_view key, std::string_view text) {
    return CanonicalLine([&](CSectionWriter& w) { w.QuotedEntry(key, text); });
}
std::string ValueLine(std::string_view key, std::string_view value) {
    return CanonicalLine([&](CSectionWriter& w) { w.Entry(key, value); });
}

// A line with nothing but a comment on it.
bool IsCommentLine(std::string_view line) {
    const std::size_t at = line.find_first_not_of(" \t\f");
    return at != std::string_view::npos && line.substr(at, 2) == "//";
}

std::vector<const PlanEntry*> ByPriority(const PlanList& plans) {
    return plans.SortedByPriority();
}

// Whether `text` loads as `data`: the same values, matches and plans (in
// priority order, which is the order the game takes them in).
bool LoadsAs(std::string_view text, const CPlanData& data, CPlanData& loaded) {
    if (!loaded.LoadText(text)) return false;
    if (!(loaded.start == data.start)) return false;
    const auto& a = loaded.matches.All();
    const auto& b = data.matches.All();
    if (a.size() != b.size() || !std::equal(a.begin(), a.end(), b.begin(),
                                            [](const auto& x, const auto& y) { return *x == *y; }))
        return false;
    const auto p = ByPriority(loaded.plans), q = ByPriority(data.plans);
    return p.size() == q.size() &&
           std::equal(p.begin(), p.end(), q.begin(),
                      [](const PlanEntry* x, const PlanEntry* y) { return *x == *y; });
}

} // namespace

template <typename Gone> bool CKeptLayout::KeyRepeats(int line, Gone gone) const {
    const std::string key = KeyOf(line);
    // Line by line as the parser reads them: a line joined on is no header.
    for (int l = JoinedEnd(line) + 1; l <= int(m_lines.size()); l = JoinedEnd(l) + 1) {
        const std::string_view text = LineText(l);
        const std::size_t at = text.find_first_not_of(" \t\f");
        if (at != std::string_view::npos && text[at] == '[') return false; // the next section
        if (!gone(l) && KeyOf(l) == key) return true;
    }
    return false;
}

// What a save does to the kept text, line by line: keep, replace, drop, and
// lines inserted after a line (0: before the first).
class CKeptLayout::Edits {
public:
    explicit Edits(const CKeptLayout& kept)
        : m_kept(kept), m_drop(kept.m_lines.size() + 1, false) {}

    // A line rewritten, its indent and a comment at its end kept (and with
    // it what that comment runs on over).
    void Replace(int line, std::string_view text) {
        const std::string_view was = m_kept.LineText(line);
        const Line& l = m_kept.m_lines[std::size_t(line - 1)];
        std::string& now = m_replace[line];
        now.assign(was.substr(0, std::min(was.find_first_not_of(" \t\f"), was.size())));
        now.append(text);
        if (l.trailing) {
            const std::size_t blanks = was.find_last_not_of(" \t\f", l.comment - 1);
            now.append(was.substr(blanks == std::string_view::npos ? l.comment : blanks + 1));
        }
    }
    // A "key = value" line with a new key or value (none: kept) in place of
    // the old one's own bytes; written whole as `whole` where that would not
    // read as meant.
    void SetEntry(int line, const std::optional<std::string>& key,
                  const std::optional<std::string>& value, bool text, std::string_view whole) {
        if (auto spliced = SpliceEntryLine(m_kept.LineText(line), key, value, text))
            m_replace[line] = std::move(*spliced);
        else
            Replace(line, whole);
    }
    // A line that stays as it was, but is read no more; so do the lines a
    // comment at its end ran on over, which it no longer would.
    void CommentOut(int line) {
        Mute(line);
        KeepUnread(line);
    }
    // A key's line that goes: a comment on it stays, on a line of its own.
    void Remove(int line) {
        const Line& l = m_kept.m_lines[std::size_t(line - 1)];
        if (l.comment == std::string_view::npos) return Drop(line);
        const std::string_view was = m_kept.LineText(line);
        m_replace[line] =
            std::string(was.substr(0, std::min(was.find_first_not_of(" \t\f"), l.comment)))
                .append(was.substr(l.comment));
        m_untrailed.insert(line);
        KeepUnread(line);
    }
    void Drop(int line) { DropLines(line, m_kept.JoinedEnd(line)); }
    void Keep(int line) { m_drop[std::size_t(line)] = false; }
    void DropLines(int first, int last) {
        for (int line = first; line <= last; ++line)
            m_drop[std::size_t(line)] = true;
    }
    // A line after `line` (and what joins on to it), ending the way `like`
    // ends (or the file's way).
    void Insert(int line, std::string_view text, int like) {
        std::string& after = m_after[line > 0 ? m_kept.JoinedEnd(line) : 0];
        after.append(text).append(m_kept.EndLike(like));
    }
    // A key's line: its value rewritten, or added after `anchor`; with no
    // value it goes, unless a repeat of the key further down would then be
    // read instead: then it reads as nothing (`cleared`).
    void SetKey(int line, std::string_view key, const std::optional<std::string>& value, bool text,
                int anchor, const std::string& cleared) {
        if (line > 0) {
            if (!value &&
                !m_kept.KeyRepeats(line, [this](int l) { return m_drop[std::size_t(l)]; }))
                return Remove(line);
            const std::string& now = value ? *value : cleared;
            SetEntry(line, std::nullopt, now, text, ValueLine(key, now));
        } else if (value) {
            Insert(anchor, ValueLine(key, *value), anchor);
        }
    }

    // The lines the comment at the end of `line` ran on over, once it no
    // longer follows text: each stays, as a comment.
    void KeepUnread(int line) {
        for (int next = line + 1; next <= m_kept.JoinedEnd(line); ++next) {
            const std::string_view text = m_kept.LineText(next);
            if (text.find_first_not_of(" \t\f") != std::string_view::npos && !IsCommentLine(text))
                Mute(next);
        }
    }
    // The line behind "// ", as it was.
    void Mute(int line) {
        m_replace[line] = "// " + std::string(m_kept.LineText(line));
        m_untrailed.insert(line);
    }

    std::string Render() const {
        std::string out;
        out.reserve(m_kept.m_text.size() + 256);
        static const std::string none;
        auto found = [](const auto& map, int line) {
            const auto it = map.find(line);
            return it == map.end() ? nullptr : &it->second;
        };
        if (const std::string* first = found(m_after, 0)) out += *first;
        const int lines = int(m_kept.m_lines.size());
        for (int line = 1; line <= lines; ++line) {
            const auto at = std::size_t(line);
            const std::string* inserted = found(m_after, line);
            const std::string& after = inserted ? *inserted : none;
            const std::string* replaced = found(m_replace, line);
            if (!m_drop[at]) {
                out += replaced ? std::string_view(*replaced) : m_kept.LineText(line);
                std::string_view end = m_kept.LineEnd(line);
                // The last line may have no line end; one is needed before more lines.
                if (end.empty() && !after.empty()) end = m_kept.EndLike(0);
                out += end;
                // A comment at the end of the line takes a lone CR or LF: an
                // empty line for it to take, or it would take the next line.
                if (!after.empty() && end.size() == 1 && m_kept.m_lines[at - 1].trailing &&
                    !m_untrailed.count(line))
                    out += end;
            } else if (!after.empty() && !out.empty() && out.back() != '\n' && out.back() != '\r') {
                out += m_kept.EndLike(0);
            }
            out += after;
        }
        return out;
    }

private:
    const CKeptLayout& m_kept;
    // Few lines change: the replaced and inserted ones by line.
    std::unordered_map<int, std::string> m_replace, m_after;
    std::set<int> m_untrailed; // lines whose comment no longer follows text
    std::vector<bool> m_drop;
};

void CKeptLayout::Clear() {
    m_mapped = false;
    m_text.clear();
    m_lines.clear();
    m_sections.clear();
    m_original.Clear();
    m_plans.clear();
    m_index.clear();
    m_start = m_cheat = m_match = -1;
    m_startKeys = {};
    m_cheatKeys = {};
    m_matchKeys.clear();
    m_matchAnchor = 0;
    m_pasted.clear();
    m_numbers.clear();
    m_repeated.clear();
    m_reached.clear();
}

void CKeptLayout::Index() {
    // Lines as the parser counts them: CR LF, a lone LF and a lone CR each
    // end one; a comment takes the CR or LF that ends it.
    bool joined = false; // the line before took this one's line break: it is read on
    for (std::size_t at = 0; at < m_text.size();) {
        Line line{at, 0, 0};
        const std::size_t end = m_text.find_first_of("\r\n", at);
        line.length = (end == std::string::npos ? m_text.size() : end) - at;
        line.comment = CommentStart(std::string_view(m_text).substr(at, line.length));
        at += line.length;
        if (at < m_text.size()) line.end = m_text.compare(at, 2, "\r\n") == 0 ? 2 : 1;
        at += line.end;
        // A comment joins the next line on only where its line is read on:
        // after text, or on a line that is itself joined on.
        line.trailing =
            line.comment != std::string_view::npos &&
            (joined || m_text.find_first_not_of(" \t\f", line.offset) < line.offset + line.comment);
        line.joins = line.trailing && line.end == 1;
        joined = line.joins;
        m_lines.push_back(line);
    }
}

int CKeptLayout::JoinedEnd(int line) const {
    while (line < int(m_lines.size()) && m_lines[std::size_t(line - 1)].joins)
        ++line;
    return line;
}

std::string CKeptLayout::KeyOf(int line) const {
    std::string_view text = LineText(line);
    text = text.substr(0, std::min(m_lines[std::size_t(line - 1)].comment, text.size()));
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) return {};
    std::string key;
    for (char c : text.substr(0, equals))
        if (c != ' ' && c != '\t' && c != '\f') key += FoldCase(c);
    return key.empty() || key[0] == '[' ? std::string() : key;
}

std::string_view CKeptLayout::LineText(int line) const {
    const Line& l = m_lines[std::size_t(line - 1)];
    return std::string_view(m_text).substr(l.offset, l.length);
}

std::string_view CKeptLayout::LineEnd(int line) const {
    const Line& l = m_lines[std::size_t(line - 1)];
    return std::string_view(m_text).substr(l.offset + l.length, l.end);
}

std::string_view CKeptLayout::EndLike(int line) const {
    if (line > 0 && line <= int(m_lines.size()) && !LineEnd(line).empty()) return LineEnd(line);
    for (int l = 1; l <= int(m_lines.size()); ++l)
        if (!LineEnd(l).empty()) return LineEnd(l); // the file's own
    return "\r\n";
}

int CKeptLayout::SectionOf(const SectionNode* node) const {
    const auto it = node ? m_sectionOf.find(node) : m_sectionOf.end();
    return it == m_sectionOf.end() ? -1 : int(it->second);
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
            const std::string key = FoldedName(entry.key);
            if ((key.starts_with("targettype") || key.starts_with("attacktype")) &&
                (!m_matchAnchor || entry.line < m_matchAnchor))
                m_matchAnchor = entry.line;
        }
}

void CKeptLayout::PlanRead(const SectionNode& section,
                           const std::array<const EntryNode*, kPlanKeys.size()>& consumed) {
    PlanLines lines;
    lines.section = std::size_t(SectionOf(&section));
    for (std::size_t k = 0; k < consumed.size(); ++k)
        lines.keys[k] = consumed[k] ? consumed[k]->line : 0;
    for (const EntryNode& entry : section.entries)
        if (std::find(consumed.begin(), consumed.end(), &entry) == consumed.end())
            lines.parameters.push_back(entry.line);
    m_plans.push_back(std::move(lines));
}

void CKeptLayout::MatchKeyRead(const EntryNode& entry) {
    m_matchKeys.push_back(entry.line);
}

bool CKeptLayout::Map(std::string text, const std::vector<const PlanEntry*>& plans) {
    Clear();
    m_text = std::move(text);
    CSectionFile file;
    if (!file.ParseText(m_text)) {
        Clear();
        return false;
    }
    Index();
    // Each section's block: the comment lines right above its header belong
    // to it; blank lines and comments further up, to the block before.
    for (const SectionNode& node : file.Sections()) {
        m_sectionOf.emplace(&node, m_sections.size());
        Section section{std::string(node.name), node.line, node.line, 0, node.line};
        for (const EntryNode& entry : node.entries)
            section.lastEntry = std::max(section.lastEntry, entry.line);
        const int floor = m_sections.empty() ? 0 : m_sections.back().lastEntry;
        while (section.first - 1 > floor && IsCommentLine(LineText(section.first - 1)))
            --section.first;
        m_sections.push_back(std::move(section));
    }
    for (std::size_t s = 0; s < m_sections.size(); ++s)
        m_sections[s].last =
            s + 1 < m_sections.size() ? m_sections[s + 1].first - 1 : int(m_lines.size());
    // The plan numbers of the sections, which have a later namesake, and the
    // numbers the loader's scan reaches.
    m_numbers.resize(m_sections.size());
    m_repeated.assign(m_sections.size(), false);
    std::unordered_map<unsigned long, std::size_t> last;
    for (std::size_t s = 0; s < m_sections.size(); ++s)
        if ((m_numbers[s] = PlanNumberOf(m_sections[s].name))) {
            if (const auto it = last.find(m_numbers[s]); it != last.end())
                m_repeated[it->second] = true;
            last[m_numbers[s]] = s;
        }
    ScanPlanSections(
        [&](const std::string& name) { return last.count(PlanNumberOf(name)) ? &last : nullptr; },
        [&](unsigned long n, const auto*) { m_reached.push_back(n); });

    m_original.LoadFromSections(file, nullptr, this);
    m_sectionOf.clear();
    const auto& loaded = m_original.plans.All();
    if (loaded.size() != plans.size()) {
        Clear();
        return false;
    }
    for (std::size_t i = 0; i < plans.size(); ++i) {
        if (!(*loaded[i] == *plans[i])) {
            Clear();
            return false;
        }
        m_index.emplace(plans[i], i);
    }
    m_mapped = true;
    return true;
}

std::pair<int, int> CKeptLayout::BlockOf(const PlanEntry* plan) const {
    const auto it = m_index.find(plan);
    if (it == m_index.end()) return {0, 0};
    const Section& s = m_sections[m_plans[it->second].section];
    return {s.first, s.last};
}

std::string CKeptLayout::BlockText(const PlanEntry* plan) const {
    const auto [first, last] = BlockOf(plan);
    if (!first) return {};
    const Line& from = m_lines[std::size_t(first - 1)];
    const Line& to = m_lines[std::size_t(last - 1)];
    return m_text.substr(from.offset, to.offset + to.length + to.end - from.offset);
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
                text.replace(at, text.find(']', at) - at, "[" + PlanSectionName(n));
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
        if (!NamesEqual(m_sections[section].name, name)) continue;
        // The first section of the name is the one the loader read.
        const bool first =
            std::none_of(m_sections.begin(), m_sections.begin() + std::ptrdiff_t(section),
                         [name](const Section& s) { return NamesEqual(s.name, name); });
        return first ? record : nullptr;
    }
    return nullptr;
}

std::string CKeptLayout::SectionOf(const PlanEntry* plan) const {
    const auto it = m_index.find(plan);
    return it == m_index.end() ? std::string() : m_sections[m_plans[it->second].section].name;
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
        for (int line : plan.parameters)
            hold(line);
    }
    std::vector<std::pair<int, std::string>> unheld;
    for (int line = 1; line <= int(m_lines.size()); ++line) {
        std::string_view text = LineText(line);
        const Line& l = m_lines[std::size_t(line - 1)];
        if (held[std::size_t(line)]) {
            if (l.comment == std::string_view::npos) continue;
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

void CKeptLayout::WriteStart(const CPlanData& data, Edits& edits) const {
    const StartSection& was = m_original.start;
    const StartSection& now = data.start;
    // A value that reads as what no key gives (0, nothing) needs no line.
    auto number = [](std::uint32_t n) {
        return n ? std::optional(std::to_string(n)) : std::nullopt;
    };
    auto text = [](const std::string& t) {
        return t.empty() ? std::nullopt : std::optional(QuoteValue(t));
    };
    const std::optional<std::string> values[] = {number(now.scrapCount), text(now.consClass),
                                                 text(now.scavClass), number(now.moneyAmount),
                                                 number(now.moneyDelay)};
    const bool texts[] = {false, true, true, false, false};
    const bool changed[] = {was.scrapCount != now.scrapCount, was.consClass != now.consClass,
                            was.scavClass != now.scavClass, was.moneyAmount != now.moneyAmount,
                            was.moneyDelay != now.moneyDelay};
    const std::string_view names[] = {kStartKeys[0], kStartKeys[1], kStartKeys[2], kCheatKeys[0],
                                      kCheatKeys[1]};
    auto write = [&](int section, const auto& keys, std::size_t first, std::string_view name,
                     int before) {
        if (section >= 0) {
            const Section& s = m_sections[std::size_t(section)];
            for (std::size_t k = 0; k < keys.size(); ++k)
                if (changed[first + k])
                    edits.SetKey(keys[k], names[first + k], values[first + k], texts[first + k],
                                 s.lastEntry, texts[first + k] ? "" : "0");
            return;
        }
        // No such section yet: one of its own, where the canonical save puts it.
        std::string block;
        for (std::size_t k = 0; k < keys.size(); ++k)
            if (changed[first + k] && values[first + k])
                block.append(ValueLine(names[first + k], *values[first + k])).append("\n");
        if (block.empty()) return;
        edits.Insert(before, "[" + std::string(name) + "]", before);
        for (std::size_t at = 0, end; (end = block.find('\n', at)) != std::string::npos;
             at = end + 1)
            edits.Insert(before, block.substr(at, end - at), before);
        edits.Insert(before, "", before);
    };
    const int top = m_sections.empty() ? int(m_lines.size()) : m_sections.front().first - 1;
    write(m_start, m_startKeys, 0, kStartSection, top);
    write(m_cheat, m_cheatKeys, 3, kCheatSection,
          m_start >= 0 ? m_sections[std::size_t(m_start)].last : top);
}

namespace {

// The numbered keys of [Match] in the order they are read, each with its value.
struct MatchKey {
    bool target;
    std::string_view unitClass;
    std::string key;
};

std::vector<MatchKey> MatchKeys(const MatchList& matches) {
    std::vector<MatchKey> keys;
    unsigned long n = 0;
    for (const auto& match : matches.All()) {
        keys.push_back({true, match->unitClass, TargetKey(++n)});
        unsigned long m = 0;
        for (const MatchAttacker& attacker : match->attackers)
            keys.push_back({false, attacker.unitClass, AttackerKey(n, ++m)});
    }
    return keys;
}

} // namespace

// The matches written key by key: a key whose class stays keeps its line
// (renamed where the numbering moved), a changed class rewrites its value,
// a new key follows the one before it and a key gone takes its line. False
// (nothing done) when the keys read are not those of the matches.
bool CKeptLayout::WriteMatchKeys(const CPlanData& data, Edits& edits) const {
    const std::vector<MatchKey> was = MatchKeys(m_original.matches), now = MatchKeys(data.matches);
    if (was.size() != m_matchKeys.size() || was.size() * now.size() > 4'000'000) return false;
    const Section& s = m_sections[std::size_t(m_match)];
    int previous = m_matchAnchor ? m_matchAnchor - 1 : s.lastEntry; // the line to follow
    std::unordered_map<std::string, int> placed; // each key now: twice its line, +1 after it
    auto write = [&](std::size_t i, const MatchKey& key) {
        const MatchKey& old = was[i];
        const int line = m_matchKeys[i];
        const bool renamed = !NamesEqual(old.key, key.key);
        if (renamed || old.unitClass != key.unitClass)
            edits.SetEntry(line, renamed ? std::optional(key.key) : std::nullopt,
                           old.unitClass != key.unitClass ? std::optional(QuoteValue(key.unitClass))
                                                          : std::nullopt,
                           true, TextLine(key.key, key.unitClass));
        placed[FoldedName(key.key)] = 2 * line;
        previous = line;
    };
    // Keys that are not kept as they are: an old one and a new one of the
    // same kind between the same kept keys pair up in order; the rest go or come.
    std::vector<std::size_t> pending;
    auto flush = [&] {
        for (std::size_t i : pending)
            edits.Remove(m_matchKeys[i]);
        pending.clear();
    };
    for (const SubsequenceStep step :
         CommonSubsequence(was.size(), now.size(), [&](std::size_t i, std::size_t j) {
             return was[i].target == now[j].target && was[i].unitClass == now[j].unitClass;
         })) {
        if (step.kind == ' ') {
            flush();
            write(step.first, now[step.second]);
        } else if (step.kind == '-') {
            pending.push_back(step.first);
        } else {
            const MatchKey& key = now[step.second];
            const auto it = std::find_if(pending.begin(), pending.end(), [&](std::size_t p) {
                return was[p].target == key.target;
            });
            if (it != pending.end()) {
                write(*it, key);
                pending.erase(it);
                continue;
            }
            edits.Insert(previous, TextLine(key.key, key.unitClass), previous);
            placed[FoldedName(key.key)] = 2 * JoinedEnd(previous) + 1;
        }
    }
    flush();
    // A key not read before, which the new keys would now read in place of
    // one written further down or read on with, stays as a comment: it is
    // read no more than before.
    const std::set<int> read(m_matchKeys.begin(), m_matchKeys.end());
    std::set<std::string> onward = {FoldedName(TargetKey(data.matches.CountMatches() + 1))};
    for (std::size_t t = 0; t < data.matches.All().size(); ++t)
        onward.insert(FoldedName(AttackerKey(t + 1, data.matches.All()[t]->attackers.size() + 1)));
    for (int line = s.header + 1; line <= s.last; ++line) {
        if (read.count(line) || m_lines[std::size_t(line - 2)].joins)
            continue; // read or in a comment
        const std::string key = KeyOf(line);
        const auto at = placed.find(key);
        if (onward.count(key) || (at != placed.end() && at->second > 2 * line))
            edits.CommentOut(line);
    }
    return true;
}

void CKeptLayout::WriteMatches(const CPlanData& data, Edits& edits, bool whole) const {
    const auto& was = m_original.matches.All();
    const auto& now = data.matches.All();
    if (std::equal(was.begin(), was.end(), now.begin(), now.end(),
                   [](const auto& a, const auto& b) { return *a == *b; }))
        return;
    if (!whole && m_match >= 0 && WriteMatchKeys(data, edits)) return;
    std::vector<std::string> block;
    unsigned long n = 0;
    for (const auto& match : now) {
        block.push_back(TextLine(TargetKey(++n), match->unitClass));
        unsigned long m = 0;
        for (const MatchAttacker& attacker : match->attackers)
            block.push_back(TextLine(AttackerKey(n, ++m), attacker.unitClass));
    }
    int anchor;
    if (m_match >= 0) {
        // In place of the keys that were read: the new numbering comes first.
        for (int line : m_matchKeys)
            edits.Drop(line);
        // A key the old numbering did not reach, which the new one would read
        // on with, stays as a comment: it is read no more than before.
        std::set<std::string> onward = {FoldedName(TargetKey(now.size() + 1))};
        for (std::size_t t = 0; t < now.size(); ++t)
            onward.insert(FoldedName(AttackerKey(t + 1, now[t]->attackers.size() + 1)));
        const std::set<int> read(m_matchKeys.begin(), m_matchKeys.end());
        const Section& s = m_sections[std::size_t(m_match)];
        for (int line = s.header + 1; line <= s.last; ++line)
            if (!read.count(line) && !m_lines[std::size_t(line - 2)].joins &&
                onward.count(KeyOf(line)))
                edits.CommentOut(line);
        anchor = m_matchAnchor ? m_matchAnchor - 1 : m_sections[std::size_t(m_match)].lastEntry;
    } else {
        if (block.empty()) return;
        anchor = m_cheat >= 0         ? m_sections[std::size_t(m_cheat)].last
                 : m_start >= 0       ? m_sections[std::size_t(m_start)].last
                 : m_sections.empty() ? int(m_lines.size())
                                      : m_sections.front().first - 1;
        edits.Insert(anchor, "[" + std::string(kMatchSection) + "]", anchor);
    }
    for (const std::string& line : block)
        edits.Insert(anchor, line, anchor);
    if (m_match < 0) edits.Insert(anchor, "", anchor);
}

void CKeptLayout::WritePlan(const PlanEntry& now, std::size_t index, Edits& edits) const {
    const PlanEntry& was = *m_original.plans.All()[index];
    if (now == was) return;
    const PlanLines& lines = m_plans[index];
    const int anchor = m_sections[lines.section].lastEntry;
    // Parameters: those of one key kept in order are rewritten where their
    // value changed; the rest go, or come after the record's last key.
    const auto& a = was.parameters;
    const auto& b = now.parameters;
    int previous = 0; // the line of the last parameter kept
    for (const SubsequenceStep step :
         CommonSubsequence(a.size(), b.size(),
                           [&](std::size_t i, std::size_t j) { return a[i].key == b[j].key; })) {
        if (step.kind == '-') {
            edits.Remove(lines.parameters[step.first]);
            continue;
        }
        const PlanParameter& wanted = b[step.second];
        if (step.kind == ' ') {
            if (a[step.first].value != wanted.value)
                edits.SetEntry(lines.parameters[step.first], std::nullopt, wanted.value, false,
                               ValueLine(wanted.key, wanted.value));
            previous = lines.parameters[step.first];
        } else {
            const int at = previous                   ? previous
                           : lines.parameters.empty() ? anchor
                                                      : lines.parameters.front() - 1;
            edits.Insert(at, ValueLine(wanted.key, wanted.value), at ? at : anchor);
        }
    }

    // The value each known key needs, then and now, as the canonical save
    // writes it; a part of an incomplete condition too, which that save would
    // drop but which is read all the same.
    auto known = [](const PlanEntry& plan) {
        std::array<std::optional<std::string>, kPlanKeys.size()> out;
        out[0] = QuoteValue(plan.planType);
        out[1] = std::to_string(plan.priority);
        const PlanCondition& c = plan.condition;
        if (!c.kind.empty()) out[2] = QuoteValue(c.kind);
        if (!c.unitClass.empty()) out[3] = QuoteValue(c.unitClass);
        if (c.count) out[4] = std::to_string(c.count);
        if (plan.flags & PlanFlagBuildIfNoIdle) out[5] = "1";
        if (plan.flags & PlanFlagDoNextOnFail) out[6] = "1";
        return out;
    };
    const auto then = known(was), wanted = known(now);
    // A condition key's line that is there but not needed goes when the
    // condition changes: what it reads as depends on the others (a count
    // counts only with a class).
    const bool conditionChanged = !(was.condition == now.condition);
    for (std::size_t k = 0; k < kPlanKeys.size(); ++k) {
        const bool number = k == 1 || k >= 4;
        const bool condition = k >= 2 && k <= 4;
        if (then[k] != wanted[k] || (condition && conditionChanged && lines.keys[k] && !wanted[k]))
            edits.SetKey(lines.keys[k], kPlanKeys[k], wanted[k], !number, anchor,
                         number ? "0" : "");
    }
}

bool CKeptLayout::WritePlans(
    const CPlanData& data, Edits& edits,
    std::vector<std::pair<unsigned long, const PlanEntry*>>& numbered) const {
    std::vector<bool> kept(m_plans.size(), false);
    std::vector<const PlanEntry*> added;
    std::vector<std::pair<std::size_t, const PlanEntry*>> mapped;
    for (const auto& plan : data.plans.All()) {
        const auto it = m_index.find(plan.get());
        if (it == m_index.end() || kept[it->second]) {
            added.push_back(plan.get());
        } else {
            kept[it->second] = true;
            mapped.emplace_back(it->second, plan.get());
        }
    }
    std::vector<bool> deleted(m_sections.size(), false);
    for (std::size_t i = 0; i < m_plans.size(); ++i) {
        if (kept[i]) continue;
        const std::size_t section = m_plans[i].section;
        const Section& s = m_sections[section];
        edits.DropLines(s.first, s.last);
        // A later section of the same name would be read in its place: the
        // header stays, an empty plan that is read as none.
        if (m_repeated[section])
            edits.Keep(s.header);
        else
            deleted[section] = true;
    }
    for (const auto& [index, plan] : mapped)
        WritePlan(*plan, index, edits);

    // The numbers of the plan sections left: from kDenseScanEnd on they must
    // follow on without a gap, or the scan ends early; the later ones close it.
    std::unordered_map<unsigned long, std::size_t> firstOf; // the section the scan reads
    for (std::size_t s = 0; s < m_sections.size(); ++s)
        if (m_numbers[s] && !deleted[s]) firstOf.emplace(m_numbers[s], s);
    std::vector<unsigned long> numberOf(m_sections.size(), 0); // each section's number now
    for (std::size_t s = 0; s < m_sections.size(); ++s)
        numberOf[s] = deleted[s] ? 0 : m_numbers[s];
    unsigned long next = kDenseScanEnd;
    for (unsigned long n : m_reached) {
        const auto it = firstOf.find(n);
        if (it == firstOf.end() || n < kDenseScanEnd) continue;
        const unsigned long number = next++;
        numberOf[it->second] = number;
        if (number != n)
            edits.Replace(m_sections[it->second].header, "[" + PlanSectionName(number) + "]");
    }
    // New plans: after the last plan section, numbered on where no section is.
    unsigned long highest = 0;
    int after = 0;
    std::set<unsigned long> used;
    for (std::size_t s = 0; s < m_sections.size(); ++s) {
        if (!numberOf[s]) continue;
        used.insert(numberOf[s]);
        highest = std::max(highest, numberOf[s]);
        after = std::max(after, m_sections[s].last);
    }
    if (!after) after = int(m_lines.size());
    unsigned long lastReached = next - 1; // of the numbers from kDenseScanEnd on
    unsigned long free = 1;
    auto nextNumber = [&]() -> unsigned long {
        // The next number after all, where the scan still reads it (and no
        // section past a gap comes to be read with it); else a free one below.
        if (const unsigned long n = highest + 1; n < kDenseScanEnd || n == lastReached + 1) {
            highest = n;
            if (n >= kDenseScanEnd) lastReached = n;
            return n;
        }
        while (free < kDenseScanEnd && used.count(free))
            ++free;
        if (free >= kDenseScanEnd) return 0;
        used.insert(free);
        return free;
    };
    if (!added.empty() && after > 0 &&
        LineText(after).find_first_not_of(" \t\f") != std::string_view::npos)
        edits.Insert(after, "", after); // a blank line between sections, as they are written
    std::vector<bool> pastedUsed(m_pasted.size(), false);
    for (const PlanEntry* plan : added) {
        const unsigned long n = nextNumber();
        if (!n) return false;
        // As pasted, or as the canonical save writes it.
        if (const auto lines = PastedLines(*plan, n, pastedUsed, EndLike(after))) {
            for (const std::string& line : *lines)
                edits.Insert(after, line, after);
        } else {
            const std::string section = PlanSectionsText({plan}, n);
            for (std::size_t at = 0, end; (end = section.find("\r\n", at)) != std::string::npos;
                 at = end + 2)
                edits.Insert(after, section.substr(at, end - at), after);
        }
        numbered.emplace_back(n, plan);
    }
    for (const auto& [index, plan] : mapped)
        numbered.emplace_back(numberOf[m_plans[index].section], plan);
    return true;
}

bool CKeptLayout::WriteUnchecked(const CPlanData& data, std::string& text) const {
    std::vector<std::pair<unsigned long, const PlanEntry*>> numbered;
    return Render(data, text, numbered, false);
}

bool CKeptLayout::Render(const CPlanData& data, std::string& text,
                         std::vector<std::pair<unsigned long, const PlanEntry*>>& numbered,
                         bool wholeMatch) const {
    if (!m_mapped) return false;
    Edits edits(*this);
    WriteStart(data, edits);
    WriteMatches(data, edits, wholeMatch);
    if (!WritePlans(data, edits, numbered)) return false;
    text = edits.Render();
    return true;
}

bool CKeptLayout::Write(const CPlanData& data, std::string& text,
                        std::vector<const PlanEntry*>* order) const {
    std::vector<std::pair<unsigned long, const PlanEntry*>> numbered;
    std::string written;
    CPlanData loaded;
    // [Match] key by key, or where that does not read as the matches (a key
    // written twice, read in an odd order), its numbered keys written anew.
    bool loads = false;
    for (bool wholeMatch : {false, true}) {
        numbered.clear();
        if (!Render(data, written, numbered, wholeMatch)) return false;
        if ((loads = LoadsAs(written, data, loaded))) break;
    }
    if (!loads) return false;
    if (order) {
        std::stable_sort(numbered.begin(), numbered.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        order->clear();
        for (const auto& [number, plan] : numbered)
            order->push_back(plan);
    }
    text = std::move(written);
    return true;
}
