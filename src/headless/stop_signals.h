#pragma once
// SIGTERM and SIGINT as a request to stop, delivered on the event loop:
// the handler only writes a byte into a pipe, and a socket notifier on the
// pipe runs the stop between events, where the transfer can end as "Stop
// Xfer" ends it (files complete, port closed). A second signal while the
// first one is being handled ends the program at once, as usual.
#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace tz {

class StopSignals : public QObject {
    Q_OBJECT
  public:
    explicit StopSignals(std::function<void(int signal)> onStop);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

  private:
    void readPipe();

    std::function<void(int)> onStop_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace tz
