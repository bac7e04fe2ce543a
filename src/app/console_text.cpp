#include "app/console_text.h"

#include "app/text.h"

#ifdef _WIN32
#include <io.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace tz {

std::string plainMarks(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (const char32_t c : text::decode(utf8)) {
        switch (c) {
        case U'\u2192':
            out += "->";
            break;
        case U'\u2190':
            out += "<-";
            break;
        case U'\u2010':
        case U'\u2011':
        case U'\u2012':
        case U'\u2013':
        case U'\u2014':
        case U'\u2015':
        case U'\u2212':
            out += '-';
            break;
        case U'\u2018':
        case U'\u2019':
            out += '\'';
            break;
        case U'\u201C':
        case U'\u201D':
            out += '"';
            break;
        case U'\u2026':
            out += "...";
            break;
        case U'\u00A0':
            out += ' ';
            break;
        default:
            text::appendChar(out, c);
        }
    }
    return out;
}

#ifdef _WIN32

namespace {

std::wstring wide(const std::string& utf8) {
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
    return w;
}

} // namespace

void writeConsoleText(std::FILE* out, const std::string& utf8) {
    std::string lines;
    for (const char c : plainMarks(utf8))
        lines += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const std::wstring line = wide(lines);
    std::fflush(out);
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(out)));
    DWORD mode = 0, written = 0;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    UINT codePage = GetConsoleOutputCP();
    if (codePage == 0) codePage = CP_ACP;
    const int n = WideCharToMultiByte(codePage, 0, line.data(), static_cast<int>(line.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, line.data(), static_cast<int>(line.size()), bytes.data(), n,
                        nullptr, nullptr);
    // The C library would add a CR to each LF of a text-mode stream.
    if (handle != INVALID_HANDLE_VALUE)
        WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

#else

void writeConsoleText(std::FILE* out, const std::string& utf8) {
    std::fputs(utf8.c_str(), out);
    std::fflush(out);
}

#endif

void writeConsoleLine(std::FILE* out, const std::string& utf8) {
    writeConsoleText(out, utf8 + "\n");
}

} // namespace tz
