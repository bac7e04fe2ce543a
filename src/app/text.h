#pragma once
// Text inside the program is UTF-8. The instrument's rules count characters
// (the first nine, the 8th to the 14th, the 12th), so these helpers count
// code points, never bytes.
#include <cstddef>
#include <string>
#include <string_view>

namespace tz::text {

std::u32string decode(std::string_view utf8);
std::string encode(std::u32string_view chars);
void appendChar(std::string& utf8, char32_t c);

std::size_t charCount(std::string_view utf8);
// Up to `count` characters from the 0-based character position `start`;
// shorter (or empty) when the text ends first.
std::string slice(std::string_view utf8, std::size_t start, std::size_t count = std::string::npos);

// Each byte of the line is one Latin-1 character.
std::string fromLatin1(std::string_view bytes);
// Characters above U+00FF become '?'.
std::string toLatin1(std::string_view utf8);

// The system code page of text files: UTF-8 on Linux (no change), the ANSI
// code page on Windows.
std::string toSystem(std::string_view utf8);
std::string fromSystem(std::string_view bytes);

// Well-formed UTF-8 only: no overlong forms, surrogates or values past
// U+10FFFF.
bool isUtf8(std::string_view bytes);
// Each byte of the line is one Windows-1252 character (the five unassigned
// bytes as their Latin-1 controls).
std::string fromWindows1252(std::string_view bytes);
// A settings file as an editor may have saved it: a UTF-8 byte order mark
// is skipped; text that is well-formed UTF-8 and not plain ASCII is UTF-8
// (today's Notepad); anything else is in the code page the program writes
// (the ANSI code page on Windows; on Linux, whose own files are UTF-8, the
// Windows code page such files come from).
std::string fromAnyEditor(std::string_view bytes);

} // namespace tz::text
