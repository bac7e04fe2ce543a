#include "backends/win32/win32_shell.h"

#include "app/text.h"
#include "backends/win32/shell_record.h"
#include "platform/failure.h"

#include <cstdint>
#include <vector>

namespace tz::win32 {

namespace {

HWND asHwnd(WindowHandle h) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(h));
}

struct TitledWindow {
    HWND hwnd;
    std::string title; // ANSI
};

BOOL CALLBACK collectWindow(HWND hwnd, LPARAM param) {
    auto& out = *reinterpret_cast<std::vector<TitledWindow>*>(param);
    if (!IsWindowVisible(hwnd)) return TRUE;
    const int len = GetWindowTextLengthA(hwnd);
    if (len <= 0) return TRUE;
    std::string title(static_cast<std::size_t>(len) + 1, '\0');
    const int got = GetWindowTextA(hwnd, title.data(), len + 1);
    if (got <= 0) return TRUE;
    title.resize(static_cast<std::size_t>(got));
    out.push_back({hwnd, std::move(title)});
    return TRUE;
}

bool sameText(const char* a, int na, const char* b, int nb) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, na, b, nb) == CSTR_EQUAL;
}

bool ansiShellOpen(const std::string& ansiFile, WindowHandle owner) {
    SHELLEXECUTEINFOA record = openRecord(ansiFile.c_str(), owner);
    if (!ShellExecuteExA(&record)) return false;
    if (record.hProcess) CloseHandle(record.hProcess);
    return true;
}

} // namespace

SHELLEXECUTEINFOA openRecord(const char* ansiFile, WindowHandle owner) {
    SHELLEXECUTEINFOA record{};
    record.cbSize = sizeof(SHELLEXECUTEINFOA);
    record.fMask = SEE_MASK_NOCLOSEPROCESS;
    record.hwnd = asHwnd(owner);
    record.lpVerb = "open";
    record.lpFile = ansiFile;
    record.lpParameters = nullptr;
    record.lpDirectory = nullptr;
    record.nShow = SW_SHOWNORMAL;
    return record;
}

std::string systemMessage(unsigned long code) {
    char* buf = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<LPSTR>(&buf), 0, nullptr);
    std::string text;
    if (n && buf) text.assign(buf, n);
    if (buf) LocalFree(buf);
    while (!text.empty() &&
           (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    if (text.empty()) return "system error " + std::to_string(code);
    return text::fromSystem(text);
}

bool Win32Shell::findWindow(const std::string& title) {
    const std::string ansi = text::toSystem(title);
    return FindWindowA(nullptr, ansi.c_str()) != nullptr;
}

void Win32Shell::openDocument(const std::string& path, WindowHandle owner) {
    if (!ansiShellOpen(text::toSystem(path), owner)) {
        const DWORD err = GetLastError();
        // Without this the caller would keep asking for a link to a
        // program that never started, and blame the spreadsheet program.
        const bool missing = err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND;
        throw Failure(missing ? FailureCode::FileNotFound : FailureCode::Other,
                      "Windows could not open " + path + ": " + systemMessage(err) + ".");
    }
}

void Win32Shell::activate(const std::string& title) {
    if (title.empty()) throw Failure(FailureCode::Other, "No window title was given to activate.");
    const std::string want = text::toSystem(title);
    std::vector<TitledWindow> windows;
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&windows));

    const int n = static_cast<int>(want.size());
    HWND exact = nullptr, prefix = nullptr;
    for (const auto& w : windows) {
        const int len = static_cast<int>(w.title.size());
        if (sameText(w.title.data(), len, want.data(), n)) {
            exact = w.hwnd;
            break;
        }
        if (!prefix && len > n && sameText(w.title.data(), n, want.data(), n)) prefix = w.hwnd;
    }
    HWND target = exact ? exact : prefix;
    if (!target) throw Failure(FailureCode::Other, "The window \"" + title + "\" was not found.");
    SetForegroundWindow(target);
}

} // namespace tz::win32
