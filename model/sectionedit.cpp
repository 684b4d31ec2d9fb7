#include "sectionedit.h"

#include "entryline.h"
#include "keptlayout.h"
#include "planformat.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// Where the section the loader reads by `name` is: its header's line and
// the next header's line (0 for none). Found from the headers alone: the
// loader looks sections up by name, plan sections by number, and the values
// read come from the section's own entries.
struct Found {
    int header = 0, next = 0;
    bool plan = false;
};

std::optional<Found> FindSection(std::string_view text, std::string_view name) {
    const unsigned long number = PlanNumberOf(name);
    const bool head = NamesEqual(name, kStartSection) || NamesEqual(name, kCheatSection) ||
                      NamesEqual(name, kMatchSection);
    CSectionFile file;
    if ((!number && !head) || !file.ParseHeaders(text)) return std::nullopt;
    const std::string wanted = number ? PlanSectionName(number) : std::string(name);
    const SectionNode* found = nullptr;
    std::vector<unsigned long> past; // the numbers past the dense range, which a gap ends
    for (const SectionNode& section : file.Sections()) {
        if (!found && NamesEqual(section.name, wanted)) found = &section;
        if (const unsigned long n = PlanNumberOf(section.name); n >= kDenseScanEnd && n < number)
            past.push_back(n);
    }
    std::sort(past.begin(), past.end());
    past.erase(std::unique(past.begin(), past.end()), past.end());
    if (!found || (number > kDenseScanEnd && past.size() != number - kDenseScanEnd))
        return std::nullopt;
    Found where{found->line, 0, number != 0};
    for (const SectionNode& section : file.Sections())
        if (section.line > where.header && (!where.next || section.line < where.next))
            where.next = section.line;
    return where;
}

// A header line that is nothing but the header: blanks around it at most.
bool BareHeader(std::string_view line) {
    const std::size_t open = line.find_first_not_of(" \t\f");
    const std::size_t close = line.find_last_not_of(" \t\f");
    return open != std::string_view::npos && line[open] == '[' && line[close] == ']' &&
           line.find_first_of("[]/\"'", open + 1) == close;
}

} // namespace

SectionEdit EditSection(std::string& text, std::string_view name, const EditOfSection& edit) {
    const std::optional<Found> found = FindSection(text, name); // the headers are let go here
    if (!found) return SectionEdit::NotAlone;
    const std::vector<std::size_t> starts = LineOffsets(
        text, found->next ? std::vector{found->header, found->next} : std::vector{found->header});
    const std::size_t start = starts[0], end = starts[1];
    const std::size_t headerEnd = LineEndFrom(text, start);
    const std::size_t headerBreak = LineBreakAt(text, headerEnd);
    // A comment after the header takes its line break and runs on over the
    // next line, which the block alone would read otherwise. A block at the
    // end without a line end leaves an added key's line end to be guessed
    // from the block rather than from the file.
    if (headerBreak == 0 || !BareHeader(std::string_view(text).substr(start, headerEnd - start)) ||
        (end == text.size() && text.back() != '\n' && text.back() != '\r'))
        return SectionEdit::NotAlone;

    // The block alone, a plan's under the name the loader reads first.
    const std::string_view lineBreak = std::string_view(text).substr(headerEnd, headerBreak);
    const std::string header =
        found->plan ? std::string("[").append(PlanSectionName(1)).append("]").append(lineBreak)
                    : std::string(text, start, headerEnd + headerBreak - start);
    std::string block = header;
    block.append(text, headerEnd + headerBreak, end - headerEnd - headerBreak);
    // It reads on its own as it does in the text: it starts where nothing
    // runs on into it, so it holds the one section the text has there.
    CSectionFile alone;
    if (!alone.ParseHeaders(block) || alone.Sections().size() != 1) return SectionEdit::NotAlone;
    CPlanData one;
    CKeptLayout kept;
    if (!kept.Load(block, one) || one.plans.CountPlans() != (found->plan ? 1 : 0))
        return SectionEdit::NotAlone;
    if (!edit(one, found->plan ? one.plans.All().front().get() : nullptr))
        return SectionEdit::Refused;
    std::string written;
    if (!kept.Write(one, written) || !written.starts_with(header)) return SectionEdit::NotAlone;
    written.replace(0, header.size(), text, start, headerEnd + headerBreak - start);
    // Still the one section, and nothing of it runs on into a header after
    // it.
    CSectionFile check;
    if (!check.ParseHeaders(written + "[next]\n") || check.Sections().size() != 1 + 1 ||
        check.Sections().back().name != "next")
        return SectionEdit::NotAlone;
    std::string changed;
    changed.reserve(text.size() - (end - start) + written.size());
    changed.append(text, 0, start).append(written).append(text, end);
    text = std::move(changed);
    return SectionEdit::Done;
}
