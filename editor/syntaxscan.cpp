#include "syntaxscan.h"

namespace {

// The three character classes; bytes above 0x7F belong to none.
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsGraphic(char c) {
    return c >= 0x21 && c <= 0x7E;
}
bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}
bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

} // namespace

std::vector<ColourRun> ScanColours(std::string_view t) {
    std::vector<ColourRun> runs;
    const std::size_t e = t.size();
    auto emit = [&runs](std::size_t from, std::size_t to, TokenClass token) {
        runs.push_back({from, to - from, token});
    };
    std::size_t p = 0;
    while (p < e) {
        const char c = t[p];
        if (IsQuote(c)) {
            // Either quote closes, whatever opened; a line end stops it first.
            std::size_t q = p + 1;
            while (q < e && !IsQuote(t[q]) && !IsLineEnd(t[q]))
                ++q;
            if (q < e && IsQuote(t[q])) ++q;
            emit(p, q, TokenClass::String);
            p = q;
        } else if (c == '/' && p + 1 < e && t[p + 1] == '/') {
            std::size_t q = p;
            while (q < e && !IsLineEnd(t[q]))
                ++q;
            emit(p, q, TokenClass::Comment);
            p = q;
        } else if (c == '[' && !(p > 0 && IsGraphic(t[p - 1]))) {
            std::size_t q = p + 1;
            while (q < e && t[q] != ']' && !IsLineEnd(t[q]))
                ++q;
            if (q < e && t[q] == ']') ++q;
            emit(p, q, TokenClass::Header);
            p = q;
        } else if (IsDigit(c)) {
            if (p > 0 && IsLetter(t[p - 1])) {
                // A digit inside a name: the rest of the name stays Normal.
                while (p < e && IsGraphic(t[p]) && t[p] != '=')
                    ++p;
                continue;
            }
            const std::size_t start = (p > 0 && (t[p - 1] == '-' || t[p - 1] == '.')) ? p - 1 : p;
            std::size_t q = p;
            while (q < e && (IsDigit(t[q]) || t[q] == '.'))
                ++q;
            if (q < e && IsLetter(t[q]) && t[q] != 'f') {
                p = q; // "10x", "10e5": not a number
                continue;
            }
            if (q < e && t[q] == 'f') ++q;
            emit(start, q, TokenClass::Number);
            p = q;
        } else {
            ++p;
        }
    }
    return runs;
}
