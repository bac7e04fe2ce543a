#pragma once
// The client end of a live link to a workbook held open by a spreadsheet
// program (a DDE conversation with Excel on Windows, UNO with LibreOffice
// Calc on Linux): topic, link mode, item, poke.
#include <string>

namespace tz {

class SheetLink {
  public:
    enum Mode { None = 0, Manual = 2 };
    virtual ~SheetLink() = default;
    // "Excel|" + document path.
    virtual void setTopic(const std::string& topic) = 0;
    // Manual opens the conversation: throws NoDdeAnswer (282) while the
    // spreadsheet program does not answer. None ends it; never fails.
    virtual void setLinkMode(int mode) = 0;
    virtual int linkMode() const = 0;
    // "R<row>C<col>".
    virtual void setItem(const std::string& item) = 0;
    // Send `text` to the current item. Throws a Failure with a clear
    // description when the conversation is lost.
    virtual void poke(const std::string& text) = 0;
    // End the processes the link started itself to reach the spreadsheet
    // program that still run: the program never answered and is given up on.
    virtual void endLaunched() noexcept {}
};

} // namespace tz
