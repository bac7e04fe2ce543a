#pragma once
// Stand-ins where there is no spreadsheet backend (a build without one, the
// unattended mode): no workbook ever answers, and the start of a
// spreadsheet transfer ends with a clear message instead of waiting for one.
#include "platform/sheet_link.h"
#include "platform/shell.h"

namespace tz {

class UnavailableSheetLink : public SheetLink {
  public:
    void open(const std::string&) override;
    void close() noexcept override {}
    bool isOpen() const override { return false; }
    void writeCell(int, int, const std::string&) override;
};

class UnavailableShell : public Shell {
  public:
    bool findWindow(const std::string&) override { return false; }
    void openDocument(const std::string&, WindowHandle) override {}
    void activate(const std::string&) override {}
};

} // namespace tz
