#include "textvalues.h"

#include <algorithm>

namespace {
constexpr std::size_t kTextLimit = 256;
}

std::string CutText(std::string_view text, std::size_t limit) {
    text = text.substr(0, std::min(text.find('\0'), text.size()));
    return std::string(text.substr(0, std::min(limit, text.size())));
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

std::string FieldText(std::string_view text, std::size_t limit) {
    // A loop, not find_first_of: that calls memchr once a character.
    std::size_t end = 0;
    while (end < text.size() && end < limit && text[end] != '\0' && !IsQuote(text[end]))
        ++end;
    return std::string(text.substr(0, end));
}

std::string_view QuotedBody(std::string_view text) {
    text = text.substr(0, std::min(text.find('\0'), text.size()));
    return text.substr(0, std::min(kTextLimit, text.size()));
}

std::string QuoteValue(std::string_view text) {
    const std::string_view body = QuotedBody(text);
    if (body.empty()) return {};
    return '"' + std::string(body) + '"';
}

std::string UnquoteValue(std::string_view text) {
    const std::size_t start = std::min(text.find_first_not_of("\"'"), text.size());
    return FieldText(text.substr(start), kTextLimit);
}

std::string StripQuotes(std::string_view text) {
    text = text.substr(0, std::min(text.find('\0'), text.size()));
    std::string stripped;
    for (char c : text) {
        if (c == '"') continue;
        if (stripped.size() == kTextLimit) break;
        stripped += c;
    }
    return stripped;
}
