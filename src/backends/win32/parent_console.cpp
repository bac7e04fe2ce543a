#include "backends/win32/parent_console.h"

#include <cstdio>

#include <windows.h>

namespace tz::win32 {

namespace {

bool leadsNowhere(DWORD which) {
    const HANDLE h = GetStdHandle(which);
    return h == nullptr || h == INVALID_HANDLE_VALUE;
}

} // namespace

void useParentConsole() {
    const bool out = leadsNowhere(STD_OUTPUT_HANDLE), err = leadsNowhere(STD_ERROR_HANDLE);
    if (!out && !err) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (out && std::freopen("CONOUT$", "w", stdout)) std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (err && std::freopen("CONOUT$", "w", stderr)) std::setvbuf(stderr, nullptr, _IONBF, 0);
}

} // namespace tz::win32
