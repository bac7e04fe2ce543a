#pragma once
// What a transfer shows in its window: the frame's two states, the status
// lines and, on-line, the data monitor. Everything the operator chose
// reaches the transfer as its request when "Start Transfer!" is pressed;
// the Qt windows implement these, tests use recording fakes.
#include "platform/grid.h"

#include <string>

namespace tz {

class TransferView {
  public:
    virtual ~TransferView() = default;
    virtual void enterIdle() = 0;         // the operator may start again
    virtual void enterTransferring() = 0; // only "Stop Xfer" is live
    // The two lines of the status panel.
    virtual void setStatus1(const std::string& text) = 0;
    virtual void setStatus2(const std::string& text) = 0;
};

class OnlineView : public TransferView {
  public:
    // The parameter list's selection now, -1 for none. A poll reads it
    // again after its wait: the operator may have changed it meanwhile.
    virtual int selectedParamIndex() const = 0;
    // A refused interval: the caret goes back to the interval entry.
    virtual void focusInterval() = 0;
    // Show the data monitor window without blocking, and its grid.
    virtual void showMonitor() = 0;
    virtual Grid& monitorGrid() = 0;
};

class LoggerView : public TransferView {};

} // namespace tz
