#pragma once

#include <string>
#include <string_view>

// The three ways text values are quoted and unquoted. Each works on raw bytes,
// stops at a NUL byte as the stored strings do, and keeps at most 256 bytes of
// the text itself.

// Wraps a non-empty text in double quotes for saving; an empty text stays
// empty. Quotes inside the text are copied unchanged: the format has no escape.
std::string QuoteValue(std::string_view text);
// What QuoteValue puts between the quotes.
std::string_view QuotedBody(std::string_view text);

// A text value as loading reads it: all leading double and single quotes are
// skipped, then the text is cut like a field's text (FieldText) at 256 bytes.
std::string UnquoteValue(std::string_view text);

// Removes every double quote, wherever it stands; single quotes stay.
std::string StripQuotes(std::string_view text);

// Keeps at most `limit` bytes, and nothing from a NUL byte on.
std::string CutText(std::string_view text, std::size_t limit);

// What a text field of a plan document can hold: at most `limit` bytes, and
// nothing from the first double or single quote (or NUL) on. The format has
// no escaping, so a quote inside a saved text would end the text early (or
// leave a bracket outside it, and the file would not load again).
std::string FieldText(std::string_view text, std::size_t limit);
bool IsQuote(char c);
