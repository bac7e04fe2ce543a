#pragma once
// The logger data window: downloads the ticked logger data sets.
#include "logger/logger_transfer.h"
#include "platform/views.h"
#include "ui/transfer_frame.h"

#include <QCheckBox>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace tz {

class LoggerWindow : public TransferFrame, public LoggerView {
    Q_OBJECT
  public:
    LoggerWindow(UiServices& services, QPoint at);
    ~LoggerWindow() override;

    // TransferView
    void enterIdle() override;
    void enterTransferring() override;
    void setStatus1(const std::string& text) override { showStatus1(text); }
    void setStatus2(const std::string& text) override { showStatus2(text); }
    void previousDocumentKept(const std::string& copy) override { previousCopy_ = copy; }

    // LoggerView
    void loggerProgress(const LoggerProgress& progress) override;
    void loggerResult(const std::string& line) override;

    // What "Start Transfer!" hands to the transfer.
    LoggerRequest request() const;

    LoggerTransfer& transfer() { return *transfer_; }

  protected:
    void startTransfer() override { transfer_->start(request()); }
    void stopTransfer() override { transfer_->stopXfer(); }
    bool transferRunning() const override { return transfer_->running(); }

  private:
    void buildPanel();

    std::array<QCheckBox*, 21> setBoxes_{}; // indexes 1..20
    std::vector<QPushButton*> setButtons_;  // "All" and "None"
    std::unique_ptr<LoggerTransfer> transfer_;
};

} // namespace tz
