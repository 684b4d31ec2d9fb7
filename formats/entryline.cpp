#include "entryline.h"

#include "markstack.h"
#include "sectionfile.h"
#include "textvalues.h"

#include <algorithm>

namespace {

constexpr std::string_view kBlanks = " \t\f";

// The key and value the parser reads from the line alone.
std::optional<std::pair<std::string, std::string>> Read(std::string_view line) {
    CSectionFile file;
    if (!file.ParseText("[s]\n" + std::string(line))) return std::nullopt;
    const auto& entries = file.Sections().front().entries;
    if (entries.size() != 1) return std::nullopt;
    return std::pair{std::string(entries[0].Key()), std::string(entries[0].Value())};
}

// Where text[from, to) begins and ends without the blanks around it; `from`
// twice where it is all blank.
std::pair<std::size_t, std::size_t> Trimmed(std::string_view text, std::size_t from,
                                            std::size_t to) {
    const std::string_view part = text.substr(from, to - from);
    const std::size_t first = part.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {from, from};
    return {from + first, from + part.find_last_not_of(kBlanks) + 1};
}

} // namespace

std::size_t LineEndFrom(std::string_view text, std::size_t from) {
    std::size_t at = std::min(from, text.size());
    while (at < text.size() && text[at] != '\n' && text[at] != '\r')
        ++at;
    return at;
}

std::size_t LineBreakAt(std::string_view text, std::size_t at) {
    if (at >= text.size()) return 0;
    return text.compare(at, 2, "\r\n") == 0 ? 2 : 1;
}

std::vector<std::size_t> LineOffsets(std::string_view text, const std::vector<int>& lines) {
    std::vector<std::size_t> starts(lines.size() + 1, text.size());
    std::size_t at = 0;
    int line = 1;
    for (std::size_t h = 0; h < lines.size(); ++h) {
        for (; line < lines[h] && at < text.size(); ++line) {
            at = LineEndFrom(text, at);
            at += LineBreakAt(text, at);
        }
        starts[h] = at;
    }
    return starts;
}

std::size_t CommentStart(std::string_view line) {
    CMarkStack marks;
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        if (line[i] == '/' && line[i + 1] == '/' && marks.Empty()) return i;
        marks.Take(line[i]);
    }
    return std::string_view::npos;
}

bool IsCommentLine(std::string_view line) {
    const std::size_t at = line.find_first_not_of(" \t\f");
    return at != std::string_view::npos && line.substr(at, 2) == "//";
}

std::optional<std::string> SpliceEntryLine(std::string_view line,
                                           const std::optional<std::string>& key,
                                           const std::optional<std::string>& value, bool text) {
    const auto was = Read(line);
    if (!was) return std::nullopt;
    const std::string_view body = line.substr(0, std::min(CommentStart(line), line.size()));
    const std::size_t equals = body.find('=');
    if (equals == std::string_view::npos) return std::nullopt;

    // The key, and the value up to the comment, without the blanks around
    // them; where there is no value, right after '=' and a blank.
    const auto [keyBegin, keyStop] = Trimmed(body, 0, equals);
    const auto [valueBegin, valueEnd] = Trimmed(body, equals + 1, body.size());
    const std::string_view old = body.substr(valueBegin, valueEnd - valueBegin);
    std::string gap = old.empty() ? " " : "";

    std::string newValue(old);
    if (value) {
        newValue = *value;
        // A text keeps the quotes it was written with: 'x' stays 'x'.
        if (text && newValue.size() >= 2 && newValue.front() == '"' && !old.empty() &&
            IsQuote(old.front())) {
            newValue.front() = old.front();
            newValue.back() = old.size() > 1 && IsQuote(old.back()) ? old.back() : old.front();
        }
        if (newValue.empty()) gap.clear();
    } else {
        gap.clear();
    }

    std::string out(line.substr(0, keyBegin));
    out += key ? std::string_view(*key) : body.substr(keyBegin, keyStop - keyBegin);
    out += line.substr(keyStop, valueBegin - keyStop);
    out += gap;
    out += newValue;
    out += line.substr(valueEnd);

    // It must read as meant, or it is not this line's to change so.
    const auto now = Read(out);
    if (!now) return std::nullopt;
    const auto keyRead = key ? Read(*key + " = x") : std::nullopt;
    const std::string wantedKey = key ? (keyRead ? keyRead->first : *key) : was->first;
    std::string wantedValue = was->second;
    if (value) {
        const auto canonical = Read("k = " + *value);
        if (!canonical) return std::nullopt;
        wantedValue = canonical->second;
    }
    const bool sameValue = now->second == wantedValue ||
                           (text && UnquoteValue(now->second) == UnquoteValue(wantedValue));
    if (!NamesEqual(now->first, wantedKey) || !sameValue) return std::nullopt;
    return out;
}
