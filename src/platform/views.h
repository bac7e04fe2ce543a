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
    virtual void enterIdle() = 0;          // Enable02 / Enable03
    virtual void enterTransferring() = 0;  // Disable02 / Disable03
    // Position selected in the port list Combo2 (COM1 is 0), -1 for none.
    virtual int selectedPortIndex() const = 0;
    // The output document path: the current text of Text3.
    virtual std::string documentPath() const = 0;
    virtual void setStatus1(const std::string& text) = 0;  // Label4
    virtual void setStatus2(const std::string& text) = 0;  // Label5
    virtual WindowHandle nativeHandle() const = 0;
};

class OnlineView : public TransferView {
public:
    // Selected position in the parameter list Combo1, -1 for none.
    virtual int selectedParamIndex() const = 0;
    virtual std::string selectedParamText() const = 0;
    // The six digits of txtTime without the colons; unfilled positions are
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
    // Logger data set n (1..20) ticked in SSCheck1.
    virtual bool setTicked(int n) const = 0;
};

} // namespace tz
