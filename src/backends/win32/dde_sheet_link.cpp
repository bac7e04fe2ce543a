#include "backends/win32/dde_sheet_link.h"

#include "app/text.h"
#include "platform/failure.h"

#include <windows.h>
// after windows.h, which it needs
#include <ddeml.h>

#include <cstdio>

namespace tz::win32 {

namespace {

// A client never serves anything, so it has nothing to answer.
HDDEDATA CALLBACK clientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

HCONV asConv(void* p) {
    return static_cast<HCONV>(p);
}

// A DDE string handle that frees itself.
class StringHandle {
  public:
    StringHandle(DWORD instance, const std::string& utf8) : instance_(instance) {
        const std::string ansi = text::toSystem(utf8);
        handle_ = DdeCreateStringHandleA(instance, ansi.c_str(), CP_WINANSI);
    }
    ~StringHandle() {
        if (handle_) DdeFreeStringHandle(instance_, handle_);
    }
    StringHandle(const StringHandle&) = delete;
    StringHandle& operator=(const StringHandle&) = delete;
    HSZ get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    DWORD instance_;
    HSZ handle_ = nullptr;
};

std::string secondsText(unsigned ms) {
    char buf[32];
    if (ms % 1000 == 0)
        std::snprintf(buf, sizeof buf, "%u s", ms / 1000);
    else
        std::snprintf(buf, sizeof buf, "%.1f s", ms / 1000.0);
    return buf;
}

} // namespace

DdeSheetLink::~DdeSheetLink() {
    disconnect();
    if (instance_) DdeUninitialize(instance_);
}

namespace {
constexpr const char* kService = "Excel";
} // namespace

std::string DdeSheetLink::topicFor(const std::string& documentPath) {
    return std::string(kService) + "|" + documentPath;
}

std::string DdeSheetLink::cellItem(int row, int col) {
    return "R" + std::to_string(row) + "C" + std::to_string(col);
}

std::string DdeSheetLink::errorName(unsigned code) {
    switch (code) {
    case DMLERR_NO_ERROR:
        return "DMLERR_NO_ERROR";
    case DMLERR_ADVACKTIMEOUT:
        return "DMLERR_ADVACKTIMEOUT";
    case DMLERR_BUSY:
        return "DMLERR_BUSY";
    case DMLERR_DATAACKTIMEOUT:
        return "DMLERR_DATAACKTIMEOUT";
    case DMLERR_DLL_NOT_INITIALIZED:
        return "DMLERR_DLL_NOT_INITIALIZED";
    case DMLERR_DLL_USAGE:
        return "DMLERR_DLL_USAGE";
    case DMLERR_EXECACKTIMEOUT:
        return "DMLERR_EXECACKTIMEOUT";
    case DMLERR_INVALIDPARAMETER:
        return "DMLERR_INVALIDPARAMETER";
    case DMLERR_LOW_MEMORY:
        return "DMLERR_LOW_MEMORY";
    case DMLERR_MEMORY_ERROR:
        return "DMLERR_MEMORY_ERROR";
    case DMLERR_NOTPROCESSED:
        return "DMLERR_NOTPROCESSED";
    case DMLERR_NO_CONV_ESTABLISHED:
        return "DMLERR_NO_CONV_ESTABLISHED";
    case DMLERR_POKEACKTIMEOUT:
        return "DMLERR_POKEACKTIMEOUT";
    case DMLERR_POSTMSG_FAILED:
        return "DMLERR_POSTMSG_FAILED";
    case DMLERR_REENTRANCY:
        return "DMLERR_REENTRANCY";
    case DMLERR_SERVER_DIED:
        return "DMLERR_SERVER_DIED";
    case DMLERR_SYS_ERROR:
        return "DMLERR_SYS_ERROR";
    case DMLERR_UNADVACKTIMEOUT:
        return "DMLERR_UNADVACKTIMEOUT";
    case DMLERR_UNFOUND_QUEUE_ID:
        return "DMLERR_UNFOUND_QUEUE_ID";
    default: {
        char buf[32];
        std::snprintf(buf, sizeof buf, "DDE error 0x%04X", code);
        return buf;
    }
    }
}

void DdeSheetLink::startInstance() {
    if (instance_) return;
    DWORD id = 0;
    const UINT rc = DdeInitializeA(&id, clientCallback, APPCMD_CLIENTONLY, 0);
    if (rc != DMLERR_NO_ERROR)
        throw Failure(FailureCode::Other,
                      "DDE could not be started for the link to the spreadsheet (" + errorName(rc) +
                          ").");
    instance_ = id;
}

void DdeSheetLink::disconnect() noexcept {
    if (conversation_) DdeDisconnect(asConv(conversation_));
    conversation_ = nullptr;
}

bool DdeSheetLink::isOpen() const {
    return conversation_ != nullptr;
}

void DdeSheetLink::close() noexcept {
    disconnect();
}

void DdeSheetLink::open(const std::string& documentPath) {
    // A new link always starts afresh, so that another document is never
    // served by the conversation of the previous one.
    disconnect();
    topic_ = topicFor(documentPath);
    // An empty topic would be a wildcard to DDEML and link to whatever
    // workbook answers first: the cells would land in the wrong one.
    if (documentPath.empty())
        throw Failure(FailureCode::Other,
                      "The link topic \"" + topic_ + "\" does not name a document.");
    startInstance();
    const StringHandle service(instance_, kService);
    const StringHandle topic(instance_, documentPath);
    if (!service || !topic)
        throw Failure(FailureCode::Other, "The link topic \"" + topic_ +
                                              "\" cannot be used for DDE (" +
                                              errorName(DdeGetLastError(instance_)) +
                                              "; at most 255 characters each side of \"|\").");

    HCONV conv = DdeConnect(instance_, service.get(), topic.get(), nullptr);
    if (!conv) {
        const UINT rc = DdeGetLastError(instance_);
        if (rc == DMLERR_NO_CONV_ESTABLISHED || rc == DMLERR_NO_ERROR)
            throw Failure(FailureCode::NoDdeAnswer, "No application answered the link to " +
                                                        topic_ + " (DMLERR_NO_CONV_ESTABLISHED).");
        throw Failure(FailureCode::Other,
                      "The link to " + topic_ + " could not be opened (" + errorName(rc) + ").");
    }
    conversation_ = conv;
}

void DdeSheetLink::writeCell(int row, int col, const std::string& text) {
    const std::string itemName = cellItem(row, col);
    if (!conversation_)
        throw Failure(FailureCode::Other, "There is no link to the spreadsheet: cell " + itemName +
                                              " was not written.");

    const StringHandle item(instance_, itemName);
    if (!item)
        throw Failure(FailureCode::Other, "The cell name \"" + itemName +
                                              "\" cannot be used for DDE (" +
                                              errorName(DdeGetLastError(instance_)) + ").");

    // CF_TEXT is text in the ANSI code page ending with a NUL.
    std::string data = text::toSystem(text);
    data.push_back('\0');
    DWORD result = 0;
    const HDDEDATA ok = DdeClientTransaction(reinterpret_cast<LPBYTE>(data.data()),
                                             static_cast<DWORD>(data.size()), asConv(conversation_),
                                             item.get(), CF_TEXT, XTYP_POKE, timeoutMs_, &result);
    if (!ok) failPoke(DdeGetLastError(instance_), itemName);
    // A negative acknowledgement may come back as a completed transaction
    // whose status lacks DDE_FACK: the cell was not written all the same.
    if (!(result & DDE_FACK))
        failPoke((result & DDE_FBUSY) ? DMLERR_BUSY : DMLERR_NOTPROCESSED, itemName);
}

void DdeSheetLink::failPoke(unsigned code, const std::string& item) {
    const std::string where = item + " of " + topic_;
    CONVINFO info{};
    info.cb = sizeof info;
    const bool connected = DdeQueryConvInfo(asConv(conversation_), QID_SYNC, &info) != 0 &&
                           (info.wStatus & ST_CONNECTED) != 0;
    if (!connected || code == DMLERR_SERVER_DIED || code == DMLERR_NO_CONV_ESTABLISHED ||
        code == DMLERR_POSTMSG_FAILED) {
        // The spreadsheet program is gone or closed the conversation; a
        // later link mode Manual may open a new one.
        disconnect();
        throw Failure(FailureCode::Other,
                      "The link to " + topic_ + " was lost: the spreadsheet program closed it (" +
                          errorName(code) + "). Cell " + item + " was not written.");
    }
    switch (code) {
    case DMLERR_POKEACKTIMEOUT:
        throw Failure(FailureCode::Other, "The spreadsheet program did not take the text for " +
                                              where + " within " + secondsText(timeoutMs_) + " (" +
                                              errorName(code) + ").");
    case DMLERR_NOTPROCESSED:
        throw Failure(FailureCode::Other, "The spreadsheet program refused the text for " + where +
                                              " (" + errorName(code) +
                                              "). Is a cell being edited, or the sheet protected?");
    case DMLERR_BUSY:
        throw Failure(FailureCode::Other, "The spreadsheet program was busy and did not take the "
                                          "text for " +
                                              where + " (" + errorName(code) + ").");
    default:
        throw Failure(FailureCode::Other,
                      "The text for " + where + " could not be sent (" + errorName(code) + ").");
    }
}

} // namespace tz::win32
