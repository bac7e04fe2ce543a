#include "win32_test_support.h"

#include "dde_log.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace tz::test {

namespace {

constexpr const char* kServerClass = "TzFakeExcel";
constexpr const char* kWindowClass = "TzTestWindow";
constexpr const char* kProgId = "TzFakeExcel.Sheet";

// A test that goes wrong must fail, never wait on a box nobody can see.
const bool g_quietErrors = [] {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    return true;
}();

std::atomic<int> g_counter{0};

std::string tempFolder() {
    char buf[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(sizeof buf, buf);
    std::string dir(buf, n);
    if (dir.empty() || dir.back() != '\\') dir.push_back('\\');
    return dir;
}

std::string uniqueName(const char* stem) {
    return std::string(stem) + "_" + std::to_string(GetCurrentProcessId()) + "_" +
           std::to_string(++g_counter);
}

void endProcess(HANDLE process, DWORD pid) {
    // Ask politely first, so that the server unregisters and logs its end;
    // a server just starting may not have its window yet, so keep asking.
    for (int i = 0; i < 100; ++i) {
        HWND w = nullptr;
        while ((w = FindWindowExA(nullptr, w, kServerClass, nullptr)) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == pid) PostMessageA(w, WM_CLOSE, 0, 0);
        }
        if (WaitForSingleObject(process, 100) == WAIT_OBJECT_0) return;
    }
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
}

std::string readDefault(HKEY root, const std::string& key) {
    char buf[1024] = {};
    DWORD size = sizeof buf;
    if (RegGetValueA(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buf, &size) !=
        ERROR_SUCCESS)
        return {};
    return buf;
}

bool writeDefault(HKEY root, const std::string& key, const std::string& value) {
    HKEY h = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG rc =
        RegSetValueExA(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

LRESULT CALLBACK testWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(hwnd, msg, wp, lp);
}

} // namespace

std::string programFolder() {
    char buf[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    std::string path(buf, n);
    return path.substr(0, path.find_last_of('\\') + 1);
}

std::string fakeExcelPath() {
    return programFolder() + "fake_excel.exe";
}

void pumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// --- ServerLog ---

ServerLog::ServerLog() : path_(tempFolder() + uniqueName("tz_fake_excel") + ".log") {
    if (std::FILE* f = std::fopen(path_.c_str(), "wb")) std::fclose(f);
}

ServerLog::~ServerLog() {
    stopServers();
    DeleteFileA(path_.c_str());
}

void ServerLog::stopServers() const {
    for (const auto& line : lines("START")) {
        const auto fields = splitFields(line);
        if (fields.size() < 2) continue;
        const DWORD pid = std::strtoul(fields[1].c_str(), nullptr, 10);
        HANDLE p = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION,
                               FALSE, pid);
        if (!p) continue;
        // The number may already belong to another process.
        char image[MAX_PATH + 1] = {};
        DWORD size = sizeof image;
        const bool ours = QueryFullProcessImageNameA(p, 0, image, &size) &&
                          std::string(image, size).find("fake_excel.exe") != std::string::npos;
        if (ours) endProcess(p, pid);
        CloseHandle(p);
    }
}

std::vector<std::string> ServerLog::lines() const {
    std::vector<std::string> out;
    std::FILE* f = std::fopen(path_.c_str(), "rb");
    if (!f) return out;
    std::string line;
    for (int c; (c = std::fgetc(f)) != EOF;) {
        if (c == '\n') {
            out.push_back(line);
            line.clear();
        } else {
            line.push_back(static_cast<char>(c));
        }
    }
    std::fclose(f);
    return out; // a line still being written is left out
}

std::vector<std::string> ServerLog::lines(const std::string& kind) const {
    std::vector<std::string> out;
    for (auto& l : lines())
        if (l == kind || l.rfind(kind + "\t", 0) == 0) out.push_back(l);
    return out;
}

bool ServerLog::waitFor(const std::string& kind, int timeoutMs) const {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        if (!lines(kind).empty()) return true;
        if (GetTickCount64() >= end) return false;
        pumpMessages();
        Sleep(20);
    }
}

// --- FakeExcel ---

FakeExcel::FakeExcel(const ServerLog& log, const std::vector<std::string>& args) : log_(log) {
    std::string cmd = "\"" + fakeExcelPath() + "\" --log \"" + log.path() + "\"";
    for (const auto& a : args)
        cmd += " \"" + a + "\"";

    // The server must not hold the test's output open: CTest would wait for
    // it after the test ends.
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = nul;
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                        &process_))
        process_ = {};
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
}

FakeExcel::~FakeExcel() {
    stop();
}

void FakeExcel::stop() {
    if (!process_.hProcess) return;
    endProcess(process_.hProcess, process_.dwProcessId);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = {};
}

void stopAllFakeExcel() {
    for (int round = 0; round < 10; ++round) {
        HWND w = FindWindowExA(nullptr, nullptr, kServerClass, nullptr);
        if (!w) return;
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        HANDLE p = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
        if (!p) {
            PostMessageA(w, WM_CLOSE, 0, 0);
            Sleep(200);
            continue;
        }
        endProcess(p, pid);
        CloseHandle(p);
    }
}

// --- FakeExcelEnvironment ---

FakeExcelEnvironment::FakeExcelEnvironment(const ServerLog& log, unsigned delayMs) {
    SetEnvironmentVariableA("TZ_FAKE_EXCEL_LOG", log.path().c_str());
    SetEnvironmentVariableA("TZ_FAKE_EXCEL_DELAY_MS", std::to_string(delayMs).c_str());
}

FakeExcelEnvironment::~FakeExcelEnvironment() {
    SetEnvironmentVariableA("TZ_FAKE_EXCEL_LOG", nullptr);
    SetEnvironmentVariableA("TZ_FAKE_EXCEL_DELAY_MS", nullptr);
}

std::string ensureXlsAssociation() {
    const std::string extKey = "Software\\Classes\\.xls";
    const std::string cmdKey =
        std::string("Software\\Classes\\") + kProgId + "\\shell\\open\\command";
    const std::string command = "\"" + fakeExcelPath() + "\" \"%1\"";
    if (readDefault(HKEY_LOCAL_MACHINE, extKey) != kProgId &&
        !writeDefault(HKEY_LOCAL_MACHINE, extKey, kProgId))
        return "cannot associate .xls under HKLM\\" + extKey;
    if (readDefault(HKEY_LOCAL_MACHINE, cmdKey) != command &&
        !writeDefault(HKEY_LOCAL_MACHINE, cmdKey, command))
        return "cannot set HKLM\\" + cmdKey;
    if (readDefault(HKEY_CLASSES_ROOT, ".xls") != kProgId)
        return ".xls is associated under HKLM but HKEY_CLASSES_ROOT does not show it";
    return {};
}

// --- TitledWindow ---

TitledWindow::TitledWindow(const std::string& ansiTitle, bool visible) {
    static const ATOM cls = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = testWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kWindowClass;
        return RegisterClassA(&wc);
    }();
    (void)cls;
    hwnd_ = CreateWindowExA(0, kWindowClass, ansiTitle.c_str(), WS_OVERLAPPEDWINDOW, 10, 10, 300,
                            200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hwnd_ && visible) ShowWindow(hwnd_, SW_SHOWNORMAL);
    pumpMessages();
}

TitledWindow::~TitledWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
    pumpMessages();
}

// --- ScratchFolder ---

ScratchFolder::ScratchFolder() : path_(dir_.path().string() + "\\") {}

std::string ScratchFolder::touch(const std::string& name) const {
    const std::string full = path_ + name;
    if (std::FILE* f = std::fopen(full.c_str(), "wb")) {
        std::fputs("workbook\r\n", f);
        std::fclose(f);
    }
    return full;
}

// --- RealHost ---

DayNumber RealHost::today() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    // Days since 1970-01-01 of a Gregorian date.
    const int y = st.wMonth <= 2 ? st.wYear - 1 : st.wYear;
    const int era = y / 400;
    const int yoe = y - era * 400;
    const int m = st.wMonth;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + st.wDay - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return static_cast<DayNumber>(era) * 146097 + doe - 719468;
}

double RealHost::secondsSinceMidnight() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return st.wHour * 3600.0 + st.wMinute * 60.0 + st.wSecond + st.wMilliseconds / 1000.0;
}

std::string RealHost::timeOfDayText() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", st.wHour, st.wMinute, st.wSecond);
    return buf;
}

} // namespace tz::test
