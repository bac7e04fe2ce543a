#pragma once
// Lines for a console or a log. The transfers' texts use typographic marks
// (dashes, an arrow) that a Windows console's code page (850, 437, ...)
// cannot show; there they are written as plain ASCII, and the rest in the
// console's own code page.
#include <cstdio>
#include <string>
#include <string_view>

namespace tz {

// The typographic marks as plain ASCII ("\u2192" as "->", dashes as "-",
// "\u2026" as "..."); every other character as it is.
std::string plainMarks(std::string_view utf8);

// Writes the UTF-8 text to `out` and flushes it. On Windows: to a console
// as Unicode, elsewhere (a file, a pipe) in the console's code page, or the
// ANSI code page when the program has no console, with CR LF line ends;
// always with plain marks.
void writeConsoleText(std::FILE* out, const std::string& utf8);
// The same for one line: the text and a line end.
void writeConsoleLine(std::FILE* out, const std::string& utf8);

} // namespace tz
