#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One line of plan-file text as the user wrote it, and the least change that
// gives it another key or value: the key's spelling, the blanks around '=',
// the quote characters of a text and everything after the value (a comment,
// and with it whatever that comment runs on over) stay.

// Where the line that starts at `from` ends: at its first CR or LF (CR LF, a
// lone LF and a lone CR each end a line), else at the text's end. A plain
// loop: a search for either of two characters calls memchr once a byte.
std::size_t LineEndFrom(std::string_view text, std::size_t from);
// How many bytes the line break at `at` takes: 2 for CR LF, else 1, and 0 at
// the text's end.
std::size_t LineBreakAt(std::string_view text, std::size_t at);
// Where each of `lines` (1-based, ascending) begins in the text, lines as
// the parser numbers them, and the text's size after them (and for a line
// past its end).
std::vector<std::size_t> LineOffsets(std::string_view text, const std::vector<int>& lines);

// Where a "//" comment starts on the line, outside quotes and header
// brackets; npos where none does.
std::size_t CommentStart(std::string_view line);
// A line with nothing but a comment on it.
bool IsCommentLine(std::string_view line);

// `line` (without its line end) with its key changed to `key` (none: kept)
// and its value's own bytes replaced by `value` (none: kept), the value as a
// save writes it. With `text`, a quoted text keeps the quote character it was
// written with. Nothing when the line so changed would not read as that key
// and value: then the line is the save's to write whole.
std::optional<std::string> SpliceEntryLine(std::string_view line,
                                           const std::optional<std::string>& key,
                                           const std::optional<std::string>& value, bool text);
