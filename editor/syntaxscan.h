#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// The token classes of the source editor's colouring.
enum class TokenClass { Normal, Header, String, Number, Comment };

struct ColourRun {
    std::size_t start = 0;
    std::size_t length = 0;
    TokenClass token = TokenClass::Normal;

    bool operator==(const ColourRun&) const = default;
};

// Scans plan-file text from left to right and returns the Header, String,
// Number and Comment tokens in order; everything between them is Normal.
// Tokens never cross a line break, so one line scanned alone gives the same
// tokens as the whole text.
std::vector<ColourRun> ScanColours(std::string_view text);
