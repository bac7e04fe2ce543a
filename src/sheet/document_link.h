#pragma once
// Spreadsheet output of a transfer window: the checks on the chosen
// document, its launch through the shell, the live link to the workbook,
// and the write of one cell.
#include "app/wait.h"
#include "platform/host.h"
#include "platform/sheet_link.h"
#include "platform/shell.h"
#include "platform/stop_flag.h"

#include <functional>
#include <string>
#include <vector>

namespace tz {

class DocumentLink {
  public:
    enum class Result {
        Linked,  // the workbook answers; cells can be written
        Refused, // a document check failed and said so; the caller stops the transfer
    };

    DocumentLink(Host& host, Shell& shell, SheetLink& link, const StopFlag& stop);

    // Document checks, launch, activation of the transfer window and link.
    // A refusal has shown its message already. Throws a Failure for
    // anything else that goes wrong, among it a spreadsheet program that
    // has not answered within `retryLimitSeconds`, and TransferStopped when
    // "Stop Xfer" is heard while it waits.
    Result checkAndLink(const std::string& documentPath, WindowHandle owner);

    // Text into the cell at row, column (both from 1) of the linked workbook.
    void writeCell(int row, int col, const std::string& text);
    // The same, asking again while the spreadsheet program is too busy to
    // answer (see retryWhileNoAnswer).
    void writeCellWaiting(int row, int col, const std::string& text);

    // The spreadsheet program needs a moment to start and load a document,
    // and does not answer while it is busy. Runs `attempt` again while it
    // fails with NoDdeAnswer: window events run and one pause passes in
    // between, so "Stop Xfer" is heard (TransferStopped). Once
    // retryLimitSeconds have passed, throws a Failure with `limitMessage`;
    // any other failure propagates at once.
    // `beforeEachWait` runs before every wait with the seconds waited so
    // far; `onGiveUp` just before the limit's failure is thrown.
    void retryWhileNoAnswer(const std::function<void()>& attempt, const std::string& limitMessage,
                            const std::function<void(double waited)>& beforeEachWait = {},
                            const std::function<void()>& onGiveUp = {});

    // Link mode none: ends any conversation of this window.
    void endLink();

    // The part of the path after its last separator ("" when none). The
    // separator is "\" on Windows and "/" elsewhere.
    static std::string documentName(const std::string& path);
    // The document name up to its last "."; the whole name when it has none.
    static std::string baseName(const std::string& documentName);
    // Titles of a window that shows the document already.
    static std::vector<std::string> openWindowTitles(const std::string& documentName);

    static std::string notFoundMessage();
    static std::string notAppointedMessage();
    static std::string alreadyOpenedMessage(const std::string& documentName);
    static std::string noAnswerMessage(const std::string& documentPath, int seconds);
    static std::string cellNoAnswerMessage(int seconds);

    // How long the link step and a cell write keep asking a silent
    // spreadsheet program, and the pause between two attempts.
    double retryLimitSeconds = 60.0;
    int retryPauseMs = 250;

    // How long after the launch the transfer window waits for the
    // spreadsheet's window before it comes to the front all the same.
    double windowWaitSeconds = 20.0;

  private:
    // Activate the transfer window once the document's window is there.
    void activateOnceShown(double waited);
    void waitForDocumentWindow(double waited);
    double clockSeconds();

    std::vector<std::string> awaitedTitles_; // the document's window, not yet seen
    double launchedAt_ = 0;

    Host& host_;
    Shell& shell_;
    SheetLink& link_;
    const StopFlag& stop_;
};

} // namespace tz
