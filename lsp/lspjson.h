#pragma once

// What the server's parts share in speaking the protocol's JSON.

#include "textdocument.h"

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace lsp {

using Json = nlohmann::json;

// Bytes as a JSON string: UTF-8 as it is; bytes that are not (the
// catalogs' own, in the game's 8-bit code page) read as Latin-1.
std::string Utf8(std::string_view bytes);

inline Json Position(const TextPosition& at) {
    return {{"line", at.line}, {"character", at.character}};
}
inline Json Range(const TextPosition& from, const TextPosition& to) {
    return {{"start", Position(from)}, {"end", Position(to)}};
}
// The range of bytes [from, to) of the document.
inline Json Range(const CTextDocument& doc, std::size_t from, std::size_t to) {
    return Range(doc.Position(from), doc.Position(to));
}
inline TextPosition ToPosition(const Json& position) {
    return {position.at("line").get<std::size_t>(), position.at("character").get<std::size_t>()};
}

// One "key = value" line as the parser splits it: the key and the value
// (blanks around them dropped, the comment after the value too), as byte
// ranges of the line. `equals` is npos for a line without '='.
struct KeyValue {
    std::size_t keyStart = 0, keyEnd = 0, valueStart = 0, valueEnd = 0;
    std::size_t equals = std::string_view::npos;
    std::string_view Key(std::string_view line) const {
        return line.substr(keyStart, keyEnd - keyStart);
    }
    std::string_view Value(std::string_view line) const {
        return line.substr(valueStart, valueEnd - valueStart);
    }
};
KeyValue SplitLine(std::string_view line);

} // namespace lsp
