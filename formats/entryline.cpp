#include "entryline.h"

#include "markstack.h"
#include "sectionfile.h"
#include "textvalues.h"

namespace {

constexpr std::string_view kBlanks = " \t\f";

// The key and value the parser reads from the line alone.
std::optional<std::pair<std::string, std::string>> Read(std::string_view line) {
    CSectionFile file;
    if (!file.ParseText("[s]\n" + std::string(line))) return std::nullopt;
    const auto& entries = file.Sections().front().entries;
    if (entries.size() != 1) return std::nullopt;
    return std::pair{std::string(entries[0].key), std::string(entries[0].value)};
}

} // namespace

std::size_t CommentStart(std::string_view line) {
    CMarkStack marks;
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        if (line[i] == '/' && line[i + 1] == '/' && marks.Empty()) return i;
        marks.Take(line[i]);
    }
    return std::string_view::npos;
}

std::optional<std::string> SpliceEntryLine(std::string_view line,
                                           const std::optional<std::string>& key,
                                           const std::optional<std::string>& value, bool text) {
    const auto was = Read(line);
    if (!was) return std::nullopt;
    const std::string_view body = line.substr(0, std::min(CommentStart(line), line.size()));
    const std::size_t equals = body.find('=');
    if (equals == std::string_view::npos) return std::nullopt;

    // The key: from its first byte to its last before '='.
    const std::size_t keyBegin = std::min(body.find_first_not_of(kBlanks), equals);
    const std::size_t keyEnd = body.find_last_not_of(kBlanks, equals == 0 ? 0 : equals - 1);
    const std::size_t keyStop = keyEnd == std::string_view::npos || keyEnd < keyBegin || equals == 0
                                    ? keyBegin
                                    : keyEnd + 1;
    // The value: its first byte after '=' to its last before the comment;
    // where there is none, right after '=' and a blank.
    std::size_t valueBegin = body.find_first_not_of(kBlanks, equals + 1);
    std::size_t valueEnd = body.find_last_not_of(kBlanks);
    std::string gap;
    if (valueBegin == std::string_view::npos || valueEnd < valueBegin) {
        valueBegin = valueEnd = equals + 1;
        gap = " ";
    } else {
        ++valueEnd;
    }

    std::string newValue;
    if (value) {
        newValue = *value;
        const std::string_view old = body.substr(valueBegin, valueEnd - valueBegin);
        // A text keeps the quotes it was written with: 'x' stays 'x'.
        if (text && newValue.size() >= 2 && newValue.front() == '"' && !old.empty() &&
            IsQuote(old.front())) {
            newValue.front() = old.front();
            newValue.back() = old.size() > 1 && IsQuote(old.back()) ? old.back() : old.front();
        }
        if (newValue.empty()) gap.clear();
    } else {
        newValue = std::string(body.substr(valueBegin, valueEnd - valueBegin));
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
