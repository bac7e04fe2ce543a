#pragma once
// Stand-ins for a build without a spreadsheet backend: no workbook ever
// answers, and the start of a spreadsheet transfer ends with a clear
// message instead of waiting for one.
#include "platform/sheet_link.h"
#include "platform/shell.h"

namespace tz {

class UnavailableSheetLink : public SheetLink {
  public:
    void setTopic(const std::string&) override {}
    void setLinkMode(int mode) override;
    int linkMode() const override { return None; }
    void setItem(const std::string&) override {}
    void poke(const std::string&) override;
};

class UnavailableShell : public Shell {
  public:
    bool findWindow(const std::string&) override { return false; }
    void openDocument(const std::string&, WindowHandle) override {}
    void activate(const std::string&) override {}
};

} // namespace tz
