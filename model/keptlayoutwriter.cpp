#include "keptlayout.h"

#include "entryline.h"
#include "planformat.h"
#include "sectionwriter.h"
#include "subsequence.h"
#include "textvalues.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>
#include <set>
#include <unordered_map>

// Writing a document back into the text it was loaded from: each line that
// still says what the document says stays as it was written.

namespace {

// Where a text goes as it is made: its size so far and its last byte are
// kept, its bytes handed on until the taker stops them.
class TextOut {
public:
    explicit TextOut(const CKeptLayout::TextPut& put) : m_put(put) {}
    TextOut& operator+=(std::string_view piece) {
        if (piece.empty()) return *this;
        m_size += piece.size();
        m_last = piece.back();
        m_whole = m_whole && m_put(piece);
        return *this;
    }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    char back() const { return m_last; }
    bool Whole() const { return m_whole; }

private:
    const CKeptLayout::TextPut& m_put;
    std::size_t m_size = 0;
    char m_last = 0;
    bool m_whole = true;
};

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

std::vector<const PlanEntry*> ByPriority(const PlanList& plans) {
    return plans.SortedByPriority();
}

bool SameMatches(const MatchList& a, const MatchList& b) {
    return std::equal(a.All().begin(), a.All().end(), b.All().begin(), b.All().end(),
                      [](const auto& x, const auto& y) { return *x == *y; });
}

// Whether plans read in the order `read` come, in priority order (the order
// the game takes them in), as the document's do.
bool InPriorityOrder(std::vector<const PlanEntry*> read, const CPlanData& data) {
    std::stable_sort(read.begin(), read.end(), [](const PlanEntry* a, const PlanEntry* b) {
        return ComparePlanPriority(a, b) < 0;
    });
    const auto q = ByPriority(data.plans);
    return std::equal(q.begin(), q.end(), read.begin(), read.end(),
                      [](const PlanEntry* x, const PlanEntry* y) { return x == y || *x == *y; });
}

// Whether `text` loads as `data`: the same values, matches and plans (in
// priority order, which is the order the game takes them in).
bool LoadsAs(std::string_view text, const CPlanData& data) {
    CPlanData loaded;
    return loaded.LoadText(text) && loaded.start == data.start &&
           SameMatches(loaded.matches, data.matches) &&
           InPriorityOrder(loaded.plans.InOrder(), data);
}

// The same, told from one read of the text that keeps no plan: the plans it
// reads must be `numbered`'s, by section number, and in priority order give
// the document's (the order the game takes them in). A false answer may still
// be a text LoadsAs takes: a plan read under a number other than its own.
bool ReadsAs(std::string_view text, const CPlanData& data,
             const std::vector<std::pair<unsigned long, const PlanEntry*>>& numbered) {
    std::vector<std::pair<unsigned long, const PlanEntry*>> byNumber = numbered;
    std::stable_sort(byNumber.begin(), byNumber.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const PlanEntry*> expected;
    expected.reserve(byNumber.size());
    for (const auto& [number, plan] : byNumber)
        expected.push_back(plan);
    if (!InPriorityOrder(expected, data)) return false;
    CPlanData loaded;
    std::size_t read = 0;
    bool same = true;
    if (!loaded.ReadText(text, [&](const PlanEntry& plan, const SectionNode&) {
            same = same && read < expected.size() && plan == *expected[read];
            ++read;
        }))
        return false;
    return same && read == expected.size() && loaded.start == data.start &&
           SameMatches(loaded.matches, data.matches);
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
        const Line l = m_kept.m_lines[std::size_t(line - 1)];
        std::string& now = m_replace[line];
        now.assign(was.substr(0, std::min(was.find_first_not_of(" \t\f"), was.size())));
        now.append(text);
        if (l.trailing) {
            const std::size_t blanks = was.find_last_not_of(" \t\f", l.Comment() - 1);
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
        const Line l = m_kept.m_lines[std::size_t(line - 1)];
        if (l.Comment() == std::string_view::npos) return Drop(line);
        const std::string_view was = m_kept.LineText(line);
        m_replace[line] =
            std::string(was.substr(0, std::min(was.find_first_not_of(" \t\f"), l.Comment())))
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

    // Every line an edit touches, in order; 0 for lines put before the first.
    std::vector<int> Touched() const {
        std::vector<int> touched;
        touched.reserve(m_replace.size() + m_after.size());
        for (const auto& [line, text] : m_replace)
            touched.push_back(line);
        for (const auto& [line, text] : m_after)
            touched.push_back(line);
        for (std::size_t line = 1; line < m_drop.size(); ++line)
            if (m_drop[line]) touched.push_back(int(line));
        std::sort(touched.begin(), touched.end());
        touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
        return touched;
    }
    // The plans whose record no longer reads as their section (by plan).
    void Changed(std::size_t plan) { m_changed.push_back(plan); }
    const std::vector<std::size_t>& Changed() const { return m_changed; }

    // The text with the edits made. `marks` (lines in order, the one after
    // the last too) get where each line starts in it.
    std::string Render(std::vector<std::pair<int, std::size_t>>* marks = nullptr) const {
        std::string text;
        text.reserve(m_kept.m_text.size() + 256);
        Render(
            [&text](std::string_view piece) {
                text += piece;
                return true;
            },
            marks);
        return text;
    }
    // The same text handed to `put` piece by piece; false where put stops it.
    bool Render(const TextPut& put, std::vector<std::pair<int, std::size_t>>* marks) const {
        TextOut out(put);
        static const std::string none;
        auto found = [](const auto& map, int line) {
            const auto it = map.find(line);
            return it == map.end() ? nullptr : &it->second;
        };
        auto mark = marks ? marks->begin() : std::vector<std::pair<int, std::size_t>>::iterator();
        // The marks up to `line`, in the run of lines about to be copied
        // from `copied` on.
        auto markUpTo = [&](int line, std::size_t copied) {
            for (; marks && mark != marks->end() && mark->first <= line; ++mark)
                mark->second =
                    mark->first > int(m_kept.m_lines.size())
                        ? out.size() + m_kept.m_text.size() - copied
                        : out.size() + m_kept.m_lines.Offset(std::size_t(mark->first - 1)) - copied;
        };
        // Few lines change: those are written one by one, the runs of lines
        // between them copied as the text holds them.
        if (const std::string* first = found(m_after, 0)) out += *first;
        std::size_t copied = 0; // the text is in `out` up to here
        for (const int line : Touched()) {
            if (line == 0) continue;
            const auto at = std::size_t(line);
            const Line l = m_kept.m_lines[at - 1];
            markUpTo(line, copied);
            out += std::string_view(m_kept.m_text).substr(copied, l.offset - copied);
            copied = m_kept.AfterLine(line);
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
                if (!after.empty() && end.size() == 1 && l.trailing && !m_untrailed.count(line))
                    out += end;
            } else if (!after.empty() && !out.empty() && out.back() != '\n' && out.back() != '\r') {
                out += m_kept.EndLike(0);
            }
            out += after;
        }
        markUpTo(INT_MAX, copied);
        out += std::string_view(m_kept.m_text).substr(copied);
        return out.Whole();
    }

private:
    const CKeptLayout& m_kept;
    // Few lines change: the replaced and inserted ones by line.
    std::unordered_map<int, std::string> m_replace, m_after;
    std::set<int> m_untrailed; // lines whose comment no longer follows text
    std::vector<bool> m_drop;
    std::vector<std::size_t> m_changed;
};

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
    if (FingerprintOf(now) == m_fingerprints[index]) return;
    const PlanEntry was = OriginalPlan(index);
    if (now == was) return;
    edits.Changed(index);
    const PlanLines& lines = m_plans[index];
    const std::span<const int> parameterLines = ParameterLines(lines);
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
            edits.Remove(parameterLines[step.first]);
            continue;
        }
        const PlanParameter& wanted = b[step.second];
        if (step.kind == ' ') {
            if (a[step.first].value != wanted.value)
                edits.SetEntry(parameterLines[step.first], std::nullopt, wanted.value, false,
                               ValueLine(wanted.key, wanted.value));
            previous = parameterLines[step.first];
        } else {
            const int at = previous                 ? previous
                           : parameterLines.empty() ? anchor
                                                    : parameterLines.front() - 1;
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
        const std::optional<std::size_t> index = IndexOf(plan.get());
        if (!index || kept[*index]) {
            added.push_back(plan.get());
        } else {
            kept[*index] = true;
            mapped.emplace_back(*index, plan.get());
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
    // By number, the first section of a number first: the one the scan reads.
    std::vector<std::pair<unsigned long, std::size_t>> firstOf;
    for (std::size_t s = 0; s < m_sections.size(); ++s)
        if (m_numbers[s] && !deleted[s]) firstOf.emplace_back(m_numbers[s], s);
    std::sort(firstOf.begin(), firstOf.end());
    std::vector<unsigned long> numberOf(m_sections.size(), 0); // each section's number now
    for (std::size_t s = 0; s < m_sections.size(); ++s)
        numberOf[s] = deleted[s] ? 0 : m_numbers[s];
    unsigned long next = kDenseScanEnd;
    for (unsigned long n : m_reached) {
        const auto it = std::lower_bound(firstOf.begin(), firstOf.end(),
                                         std::pair<unsigned long, std::size_t>(n, 0));
        if (it == firstOf.end() || it->first != n || n < kDenseScanEnd) continue;
        const unsigned long number = next++;
        numberOf[it->second] = number;
        if (number != n)
            edits.Replace(m_sections[it->second].header, "[" + PlanSectionName(number) + "]");
    }
    // New plans: after the last plan section, numbered on where no section is.
    unsigned long highest = 0;
    int after = 0;
    std::vector<bool> used(kDenseScanEnd, false); // the numbers below it that sections have
    for (std::size_t s = 0; s < m_sections.size(); ++s) {
        if (!numberOf[s]) continue;
        if (numberOf[s] < kDenseScanEnd) used[numberOf[s]] = true;
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
        while (free < kDenseScanEnd && used[free])
            ++free;
        if (free >= kDenseScanEnd) return 0;
        used[free] = true;
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
    Numbered numbered;
    return Render(data, text, numbered, false);
}

bool CKeptLayout::MakeEdits(const CPlanData& data, Edits& edits, Numbered& numbered,
                            bool wholeMatch) const {
    if (!m_mapped) return false;
    WriteStart(data, edits);
    WriteMatches(data, edits, wholeMatch);
    return WritePlans(data, edits, numbered);
}

bool CKeptLayout::SureToLoad(const CPlanData& data, const Edits& edits, const Numbered& numbered,
                             std::vector<std::pair<std::size_t, const PlanEntry*>>& plans) const {
    // Where only lines inside plan sections changed, the text reads as
    // before but for those sections, and those are read again on their own.
    // Else (or where that is not sure) the text is to be read whole.
    if (!(data.start == m_original.start && SameMatches(data.matches, m_original.matches)))
        return false;
    std::vector<std::size_t> sections;
    for (const int line : edits.Touched()) {
        const auto s = std::upper_bound(m_sections.begin(), m_sections.end(), line,
                                        [](int l, const Section& x) { return l < x.first; });
        if (s == m_sections.begin() || line <= std::prev(s)->header || line >= std::prev(s)->last)
            return false; // before the first section, a header, or a block's last line
        if (sections.empty() || sections.back() != std::size_t(s - m_sections.begin() - 1))
            sections.push_back(std::size_t(s - m_sections.begin() - 1));
    }
    // Every plan has its section still, and only those are read anew.
    std::vector<std::size_t> planOf(m_sections.size(), SIZE_MAX);
    for (std::size_t i = 0; i < m_plans.size(); ++i)
        planOf[m_plans[i].section] = i;
    std::vector<const PlanEntry*> byIndex(m_plans.size(), nullptr);
    for (const auto& [number, plan] : numbered) {
        const std::optional<std::size_t> index = IndexOf(plan);
        if (!index || byIndex[*index]) return false;
        byIndex[*index] = plan;
    }
    if (numbered.size() != m_plans.size()) return false;
    for (std::size_t section : sections)
        if (planOf[section] == SIZE_MAX) return false;
    for (std::size_t plan : edits.Changed())
        if (!std::binary_search(sections.begin(), sections.end(), m_plans[plan].section))
            return false;
    if (!InPriorityOrder(byIndex, data)) return false;
    plans.clear();
    for (std::size_t section : sections)
        plans.emplace_back(planOf[section], byIndex[planOf[section]]);
    return true;
}

std::vector<std::pair<int, std::size_t>>
CKeptLayout::BlockMarks(const std::vector<std::pair<std::size_t, const PlanEntry*>>& plans) const {
    std::vector<std::pair<int, std::size_t>> marks;
    for (const auto& [plan, record] : plans) {
        const Section& s = m_sections[m_plans[plan].section];
        marks.emplace_back(s.header, 0);
        marks.emplace_back(s.last + 1, 0);
    }
    return marks;
}

bool CKeptLayout::BlocksReadAsPlans(
    const std::vector<std::pair<std::size_t, const PlanEntry*>>& plans,
    const std::function<std::string_view(std::size_t)>& block) const {
    for (std::size_t i = 0; i < plans.size(); ++i) {
        const auto [plan, record] = plans[i];
        const bool joins = m_lines[std::size_t(m_sections[m_plans[plan].section].last - 1)].joins;
        if (!ReadsAsPlan(block(i), joins, *record)) return false;
    }
    return true;
}

bool CKeptLayout::Render(const CPlanData& data, std::string& text, Numbered& numbered,
                         bool wholeMatch, bool* checked) const {
    Edits edits(*this);
    if (!MakeEdits(data, edits, numbered, wholeMatch)) return false;
    std::vector<std::pair<std::size_t, const PlanEntry*>> plans;
    if (!checked || !(*checked = SureToLoad(data, edits, numbered, plans))) {
        text = edits.Render();
        return true;
    }
    std::vector<std::pair<int, std::size_t>> marks = BlockMarks(plans);
    text = edits.Render(&marks);
    *checked = BlocksReadAsPlans(plans, [&](std::size_t i) {
        return std::string_view(text).substr(marks[2 * i].second,
                                             marks[2 * i + 1].second - marks[2 * i].second);
    });
    return true;
}

bool CKeptLayout::WritesInPieces(const CPlanData& data,
                                 std::vector<const PlanEntry*>* order) const {
    Edits edits(*this);
    Numbered numbered;
    std::vector<std::pair<std::size_t, const PlanEntry*>> plans;
    if (!MakeEdits(data, edits, numbered, false) || !SureToLoad(data, edits, numbered, plans))
        return false;
    // Where the blocks fall, then their bytes: the text is never made whole.
    std::vector<std::pair<int, std::size_t>> marks = BlockMarks(plans);
    edits.Render([](std::string_view) { return true; }, &marks);
    std::vector<std::string> blocks(plans.size());
    std::size_t at = 0, first = 0;
    edits.Render(
        [&](std::string_view piece) {
            for (std::size_t i = first;
                 i < blocks.size() && marks[2 * i].second < at + piece.size(); ++i) {
                const std::size_t from = std::max(marks[2 * i].second, at);
                const std::size_t to = std::min(marks[2 * i + 1].second, at + piece.size());
                if (from < to) blocks[i].append(piece.substr(from - at, to - from));
                if (marks[2 * i + 1].second <= at + piece.size() && i == first) ++first;
            }
            at += piece.size();
            return true;
        },
        nullptr);
    if (!BlocksReadAsPlans(plans, [&](std::size_t i) { return std::string_view(blocks[i]); }))
        return false;
    if (order) OrderOf(numbered, *order);
    return true;
}

bool CKeptLayout::WriteTo(const CPlanData& data, const TextPut& put) const {
    Edits edits(*this);
    Numbered numbered;
    return MakeEdits(data, edits, numbered, false) && edits.Render(put, nullptr);
}

void CKeptLayout::OrderOf(Numbered numbered, std::vector<const PlanEntry*>& order) {
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    order.clear();
    for (const auto& [number, plan] : numbered)
        order.push_back(plan);
}

bool CKeptLayout::Write(const CPlanData& data, std::string& text,
                        std::vector<const PlanEntry*>* order) const {
    std::vector<std::pair<unsigned long, const PlanEntry*>> numbered;
    std::string written;
    // [Match] key by key, or where that does not read as the matches (a key
    // written twice, read in an odd order), its numbered keys written anew.
    bool loads = false;
    for (bool wholeMatch : {false, true}) {
        numbered.clear();
        bool checked = false;
        if (!Render(data, written, numbered, wholeMatch, &checked)) return false;
        if ((loads = checked || ReadsAs(written, data, numbered) || LoadsAs(written, data))) break;
    }
    if (!loads) return false;
    if (order) OrderOf(std::move(numbered), *order);
    text = std::move(written);
    return true;
}
