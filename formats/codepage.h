#pragma once

#include <string>
#include <string_view>

// Plan files are 8-bit text with no encoding of their own. Modders write them
// on Windows, where a byte is read in Windows-1252: 0x80-0x9F are the euro
// sign, curly quotes, dashes and the like, and every other byte is the
// character of its own number. The five bytes Windows-1252 leaves unnamed
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stay the control character of their number,
// so that every byte has a character and every such character its byte.

// The character (a UTF-16 unit, never a surrogate) a byte is shown as.
char16_t CharOfByte(unsigned char byte);
// The byte of a character; -1 for one that no byte stands for.
int ByteOfChar(char16_t c);
// A byte that Windows-1252 leaves unnamed, which is shown by its number.
bool IsUnnamedByte(unsigned char byte);

// The bytes as UTF-8, each as its Windows-1252 character.
std::string Utf8FromBytes(std::string_view bytes);
// Whether the bytes are well-formed UTF-8 (ASCII is).
bool IsUtf8(std::string_view bytes);
