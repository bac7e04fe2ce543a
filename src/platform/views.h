#pragma once
// How the transfer logic sees its window: the frame's two states, its
// status lines and the controls it reads. The Qt windows implement these;
// tests use recording fakes.
#include "platform/grid.h"
#include "platform/shell.h"

#include <string>

namespace tz {

class TransferView {
  public:
    virtual ~TransferView() = default;
    virtual void enterIdle() = 0;         // the operator may start again
    virtual void enterTransferring() = 0; // only "Stop Xfer" is live
    // Position selected in the port list (COM1 is 0), -1 for none.
    virtual int selectedPortIndex() const = 0;
    // The output document path as the operator typed or picked it.
    virtual std::string documentPath() const = 0;
    // The two lines of the status panel.
    virtual void setStatus1(const std::string& text) = 0;
    virtual void setStatus2(const std::string& text) = 0;
    virtual WindowHandle nativeHandle() const = 0;
};

class OnlineView : public TransferView {
  public:
    // Selected position in the parameter list, -1 for none.
    virtual int selectedParamIndex() const = 0;
    virtual std::string selectedParamText() const = 0;
    // The six digits of the interval entry without the colons; unfilled positions are
    // left out, so an incomplete entry gives a shorter text.
    virtual std::string intervalDigits() const = 0;
    virtual void setIntervalDigits(const std::string& digits) = 0;
    virtual void focusInterval() = 0;
    // Show the data monitor window without blocking, and its grid.
    virtual void showMonitor() = 0;
    virtual Grid& monitorGrid() = 0;
};

class LoggerView : public TransferView {
  public:
    // Logger data set n (1..20) is ticked for download.
    virtual bool setTicked(int n) const = 0;
};

} // namespace tz
