#pragma once
// The on-line data window: polls one parameter at an interval.
#include "online/online_transfer.h"
#include "platform/views.h"
#include "ui/monitor_window.h"
#include "ui/transfer_frame.h"

#include <QPointer>

#include <memory>
#include <string>
#include <vector>

namespace tz {

class OnlineWindow : public TransferFrame, public OnlineView {
    Q_OBJECT
  public:
    OnlineWindow(UiServices& services, QPoint at);
    ~OnlineWindow() override;

    // TransferView
    void enterIdle() override { setIdleState(); }
    void enterTransferring() override { setTransferringState(); }
    int selectedPortIndex() const override { return portIndex(); }
    std::string documentPath() const override { return documentText(); }
    void setStatus1(const std::string& text) override { showStatus1(text); }
    void setStatus2(const std::string& text) override { showStatus2(text); }
    WindowHandle nativeHandle() const override { return handle(); }

    // OnlineView
    int selectedParamIndex() const override;
    std::string selectedParamText() const override;
    std::string intervalDigits() const override;
    void setIntervalDigits(const std::string& digits) override;
    void focusInterval() override;
    void showMonitor() override;
    Grid& monitorGrid() override;

    MonitorWindow* monitor() const { return monitor_; }
    OnlineTransfer& transfer() { return *transfer_; }

  protected:
    void startTransfer() override { transfer_->start(); }
    void stopTransfer() override { transfer_->stopXfer(); }
    void closeFilesOnClose() override { transfer_->closeFiles(); }
    bool transferRunning() const override { return transfer_->running(); }
    void closeCompanions() override;

  private:
    void buildPanel();
    void buildParameterList();

    std::unique_ptr<Timer> pollTimer_;
    QPointer<MonitorWindow> monitor_;
    QComboBox* paramList_ = nullptr;
    QLineEdit* intervalEntry_ = nullptr;
    std::unique_ptr<OnlineTransfer> transfer_;
};

} // namespace tz
