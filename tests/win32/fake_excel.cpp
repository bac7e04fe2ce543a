// A stand-in for the spreadsheet program in the Windows tests: a DDEML
// server registered as "Excel" that accepts any topic and logs every
// conversation and poke, and a top-level window titled like an open
// workbook.
//
//   fake_excel [--log FILE] [--title TEXT] [--delay-ms N] [--refuse-pokes]
//              [--hang-pokes-ms N] [--lifetime-ms N] [DOCUMENT]
//
// Every option may also come from the environment (TZ_FAKE_EXCEL_LOG,
// _TITLE, _DELAY_MS, _REFUSE_POKES, _HANG_POKES_MS, _LIFETIME_MS), which is
// how a copy started through a file association gets its settings. Without
// --title the window is "Microsoft Excel - " and the document's name, or
// "Microsoft Excel - Book1.xls" without a document. --delay-ms holds back
// the DDE registration as a slow start would; --lifetime-ms (30 s unless
// given) ends a copy that a failed test left behind.
#include "dde_log.h"

#include <windows.h>
// after windows.h, which it needs
#include <ddeml.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr const char* kClassName = "TzFakeExcel";
constexpr UINT_PTR kRegisterTimer = 1;
constexpr UINT_PTR kLifetimeTimer = 2;

struct Options {
    std::string log;
    std::string title;
    std::string document;
    unsigned delayMs = 0;
    bool refusePokes = false;
    unsigned hangPokesMs = 0;
    unsigned lifetimeMs = 30000;
};

Options g_opt;
std::FILE* g_log = nullptr;
DWORD g_instance = 0;
HSZ g_service = nullptr;

void logLine(const std::string& line) {
    if (!g_log) return;
    std::fputs(line.c_str(), g_log);
    std::fputc('\n', g_log);
    std::fflush(g_log);
}

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

unsigned number(const std::string& s, unsigned fallback) {
    if (s.empty()) return fallback;
    return static_cast<unsigned>(std::strtoul(s.c_str(), nullptr, 10));
}

Options parse(int argc, char** argv) {
    Options o;
    o.log = env("TZ_FAKE_EXCEL_LOG");
    o.title = env("TZ_FAKE_EXCEL_TITLE");
    o.delayMs = number(env("TZ_FAKE_EXCEL_DELAY_MS"), 0);
    o.refusePokes = !env("TZ_FAKE_EXCEL_REFUSE_POKES").empty();
    o.hangPokesMs = number(env("TZ_FAKE_EXCEL_HANG_POKES_MS"), 0);
    o.lifetimeMs = number(env("TZ_FAKE_EXCEL_LIFETIME_MS"), 30000);
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--log" && hasValue)
            o.log = argv[++i];
        else if (a == "--title" && hasValue)
            o.title = argv[++i];
        else if (a == "--delay-ms" && hasValue)
            o.delayMs = number(argv[++i], 0);
        else if (a == "--refuse-pokes")
            o.refusePokes = true;
        else if (a == "--hang-pokes-ms" && hasValue)
            o.hangPokesMs = number(argv[++i], 0);
        else if (a == "--lifetime-ms" && hasValue)
            o.lifetimeMs = number(argv[++i], 30000);
        else
            o.document = a;
    }
    if (o.title.empty()) {
        std::string name = "Book1.xls";
        if (!o.document.empty()) {
            const auto sep = o.document.find_last_of('\\');
            name = sep == std::string::npos ? o.document : o.document.substr(sep + 1);
        }
        o.title = "Microsoft Excel - " + name;
    }
    return o;
}

std::string queryString(HSZ hsz) {
    char buf[512] = {};
    const DWORD n = DdeQueryStringA(g_instance, hsz, buf, sizeof buf, CP_WINANSI);
    return std::string(buf, n);
}

HDDEDATA CALLBACK serverCallback(UINT type, UINT format, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                                 ULONG_PTR, ULONG_PTR) {
    switch (type) {
    case XTYP_CONNECT:
        if (DdeCmpStringHandles(hsz2, g_service) != 0) return nullptr;
        logLine("CONNECT\t" + tz::test::escapeBytes(queryString(hsz1)));
        return reinterpret_cast<HDDEDATA>(TRUE);
    case XTYP_POKE: {
        const std::string topic = tz::test::escapeBytes(queryString(hsz1));
        const std::string item = tz::test::escapeBytes(queryString(hsz2));
        std::string bytes;
        if (const DWORD n = DdeGetData(data, nullptr, 0, 0)) {
            bytes.resize(n);
            DdeGetData(data, reinterpret_cast<LPBYTE>(bytes.data()), n, 0);
        }
        if (const auto nul = bytes.find('\0'); nul != std::string::npos) bytes.resize(nul);
        if (g_opt.hangPokesMs) Sleep(g_opt.hangPokesMs);
        if (format != CF_TEXT) {
            logLine("FORMAT\t" + std::to_string(format));
            return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
        }
        if (g_opt.refusePokes) {
            logLine("REFUSED\t" + topic + "\t" + item + "\t" + tz::test::escapeBytes(bytes));
            return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
        }
        logLine("POKE\t" + topic + "\t" + item + "\t" + tz::test::escapeBytes(bytes));
        return reinterpret_cast<HDDEDATA>(DDE_FACK);
    }
    case XTYP_DISCONNECT:
        logLine("DISCONNECT");
        return nullptr;
    default:
        return nullptr;
    }
}

bool registerService() {
    const UINT rc =
        DdeInitializeA(&g_instance, serverCallback,
                       APPCLASS_STANDARD | CBF_FAIL_EXECUTES | CBF_FAIL_ADVISES |
                           CBF_FAIL_REQUESTS | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS,
                       0);
    if (rc != DMLERR_NO_ERROR) {
        logLine("FAILED\tDdeInitialize " + std::to_string(rc));
        return false;
    }
    g_service = DdeCreateStringHandleA(g_instance, "Excel", CP_WINANSI);
    if (!g_service || !DdeNameService(g_instance, g_service, nullptr, DNS_REGISTER)) {
        logLine("FAILED\tDdeNameService " + std::to_string(DdeGetLastError(g_instance)));
        return false;
    }
    logLine("READY");
    return true;
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_TIMER:
        if (wp == kRegisterTimer) {
            KillTimer(hwnd, kRegisterTimer);
            if (!registerService()) DestroyWindow(hwnd);
        } else if (wp == kLifetimeTimer) {
            logLine("LIFETIME");
            DestroyWindow(hwnd);
        }
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

} // namespace

int main(int argc, char** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    g_opt = parse(argc, argv);
    if (!g_opt.log.empty()) g_log = std::fopen(g_opt.log.c_str(), "ab");
    logLine("START\t" + std::to_string(GetCurrentProcessId()) + "\t" +
            tz::test::escapeBytes(g_opt.document));

    WNDCLASSA wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowA(kClassName, g_opt.title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                              nullptr, nullptr, wc.hInstance, nullptr);
    if (!hwnd) {
        logLine("FAILED\tCreateWindow " + std::to_string(GetLastError()));
        return 2;
    }
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);

    // The registration waits on a timer rather than in Sleep, so that the
    // window keeps answering the broadcasts of clients meanwhile.
    SetTimer(hwnd, kRegisterTimer, g_opt.delayMs ? g_opt.delayMs : 1, nullptr);
    if (g_opt.lifetimeMs) SetTimer(hwnd, kLifetimeTimer, g_opt.lifetimeMs, nullptr);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    if (g_instance) {
        if (g_service) {
            DdeNameService(g_instance, g_service, nullptr, DNS_UNREGISTER);
            DdeFreeStringHandle(g_instance, g_service);
        }
        DdeUninitialize(g_instance);
    }
    logLine("EXIT");
    if (g_log) std::fclose(g_log);
    return 0;
}
