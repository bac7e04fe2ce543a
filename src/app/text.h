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

} // namespace tz::text
