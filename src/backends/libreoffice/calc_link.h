#pragma once
// The spreadsheet link on Linux: the workbook is a document that
// LibreOffice holds open, reached over a UNO connection on a named pipe.
// The topic names the document, the item the cell; a poke writes the cell.
#include "platform/sheet_link.h"

#include <memory>
#include <string>

namespace tz::calc {

class CalcLink : public SheetLink {
  public:
    struct Options {
        std::string pipeName = defaultPipeName();
        // Ask LibreOffice to accept on the pipe (once per series of
        // attempts) when nobody does yet...
        bool askToAccept = true;
        // ...after the series has failed this long. The launch asks already;
        // a second soffice started while the first is still coming up may
        // become the office itself and leave the document to the other.
        double askAfterSeconds = 5.0;
    };

    CalcLink();
    explicit CalcLink(Options options);
    ~CalcLink() override;
    CalcLink(const CalcLink&) = delete;
    CalcLink& operator=(const CalcLink&) = delete;

    void setTopic(const std::string& topic) override;
    // Manual: connects and looks for the topic's document among the
    // documents LibreOffice holds; NoDdeAnswer (282) until both succeed.
    void setLinkMode(int mode) override;
    int linkMode() const override;
    void setItem(const std::string& item) override;
    // A text that reads as a plain number becomes a number, anything else
    // text as it is (a leading "=" included: never a formula).
    void poke(const std::string& text) override;
    // Ends the session of the office this link asked to accept, if any of
    // it still runs.
    void endLaunched() noexcept override;

    // TZ_UNO_PIPE, else a name of this program's own.
    static std::string defaultPipeName();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tz::calc
