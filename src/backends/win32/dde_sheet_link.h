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

    // "Excel|" + document path; takes effect at the next link mode Manual.
    void setTopic(const std::string& topic) override;
    // Manual ends any earlier conversation and opens one with the current
    // topic: NoDdeAnswer (282) while no program answers, another Failure
    // naming the DDE error otherwise. None ends the conversation.
    void setLinkMode(int mode) override;
    int linkMode() const override;
    void setItem(const std::string& item) override;
    void poke(const std::string& text) override;

    // How long one poke may wait for the spreadsheet program's answer.
    void setTimeoutMs(unsigned ms) { timeoutMs_ = ms; }
    unsigned timeoutMs() const { return timeoutMs_; }

    // The topic text split at its first "|": application and document.
    struct TopicParts {
        std::string application;
        std::string document;
        bool separated = false; // a "|" was present
    };
    static TopicParts splitTopic(const std::string& topic);

    // "DMLERR_NO_CONV_ESTABLISHED" and the like; "DDE error 0x...." for a
    // code DDEML does not define.
    static std::string errorName(unsigned code);

  private:
    void startInstance();
    void disconnect() noexcept;
    [[noreturn]] void failPoke(unsigned code);

    // DDEML handles, kept opaque so that users of this header need not see
    // <windows.h>.
    unsigned long instance_ = 0;
    void* conversation_ = nullptr;
    std::string topic_;
    std::string item_;
    unsigned timeoutMs_ = 5000;
};

} // namespace tz::win32
