#pragma once
// "Stop Xfer" as the transfer code sees it. The window owns one flag; the
// transfer, the serial exchange and the spreadsheet link read it at every
// wait, so a click is heard wherever the code is waiting.
namespace tz {

class StopFlag {
  public:
    bool requested() const { return requested_; }
    void request() { requested_ = true; }
    void clear() { requested_ = false; }

  private:
    bool requested_ = false;
};

} // namespace tz
