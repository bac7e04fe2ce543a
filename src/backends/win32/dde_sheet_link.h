#pragma once
// The workbook link on Windows: a DDEML client conversation with the
// spreadsheet program ("Excel"), one poke of CF_TEXT per cell.
//
// DDEML ties its instance to the thread that starts it and answers through
// that thread's messages, so one object serves one thread: the window
// thread. Every transaction has a timeout, so a spreadsheet program that
// hangs can never hang the transfer with it.
#include "platform/sheet_link.h"

#include <string>

namespace tz::win32 {

class DdeSheetLink : public SheetLink {
  public:
    DdeSheetLink() = default;
    ~DdeSheetLink() override;
    DdeSheetLink(const DdeSheetLink&) = delete;
    DdeSheetLink& operator=(const DdeSheetLink&) = delete;

    // Ends any earlier conversation and opens one with service "Excel" on
    // the document's path: NoDdeAnswer (282) while no program answers,
    // another Failure naming the DDE error otherwise.
    void open(const std::string& documentPath) override;
    void close() noexcept override;
    bool isOpen() const override;
    // One poke of CF_TEXT to the item "R<row>C<col>".
    void writeCell(int row, int col, const std::string& text) override;

    // How long one poke may wait for the spreadsheet program's answer.
    void setTimeoutMs(unsigned ms) { timeoutMs_ = ms; }
    unsigned timeoutMs() const { return timeoutMs_; }

    // How the link is named in messages: "Excel|" + document path.
    static std::string topicFor(const std::string& documentPath);
    // The DDE item of a cell: "R3C2".
    static std::string cellItem(int row, int col);

    // "DMLERR_NO_CONV_ESTABLISHED" and the like; "DDE error 0x...." for a
    // code DDEML does not define.
    static std::string errorName(unsigned code);

  private:
    void startInstance();
    void disconnect() noexcept;
    [[noreturn]] void failPoke(unsigned code, const std::string& item);

    // DDEML handles, kept opaque so that users of this header need not see
    // <windows.h>.
    unsigned long instance_ = 0;
    void* conversation_ = nullptr;
    std::string topic_; // "Excel|" + document path, for messages
    unsigned timeoutMs_ = 5000;
};

} // namespace tz::win32
