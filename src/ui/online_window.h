#pragma once
// The on-line data window: polls one parameter at an interval.
#include "online/command_table.h"
#include "online/online_transfer.h"
#include "platform/views.h"
#include "ui/monitor_window.h"
#include "ui/transfer_frame.h"

#include <QPointer>

#include <memory>
#include <string>
#include <vector>

class QPushButton;

namespace tz {

class RunOptions;
class BrokerDialog;

class OnlineWindow : public TransferFrame, public OnlineView {
    Q_OBJECT
  public:
    OnlineWindow(UiServices& services, QPoint at);
    ~OnlineWindow() override;

    // TransferView
    void enterIdle() override;
    void enterTransferring() override;
    void setStatus1(const std::string& text) override { showStatus1(text); }
    void setStatus2(const std::string& text) override { showStatus2(text); }
    void previousDocumentKept(const std::string& copy) override { previousCopy_ = copy; }

    // OnlineView
    int selectedParamIndex() const override;
    void focusInterval() override;
    void nextPollDue(long long rows, double at) override;
    void faultReported(const std::string& line) override;

    // What "Start Transfer!" hands to the transfer, the run's sinks
    // assembled.
    OnlineRequest request() const;

    MonitorWindow* monitor() const { return monitor_; }
    // "Broker...": where the next runs also publish their rows.
    BrokerDialog* showBrokerDialog();
    OnlineTransfer& transfer() { return *transfer_; }

  protected:
    void startTransfer() override { transfer_->start(request()); }
    void stopTransfer() override { transfer_->stopXfer(); }
    void closeFilesOnClose() override { transfer_->closeFiles(); }
    bool transferRunning() const override { return transfer_->running(); }
    void closeCompanions() override;

  private:
    void buildPanel();
    // The sink that publishes the rows, when "Broker..." says so.
    std::shared_ptr<RowSink> brokerSink() const;
    void showResult();
    void buildParameterList();
    // The interval entry's own check as the operator types.
    void checkIntervalEntry();
    std::string intervalDigits() const;
    // "12 rows", or with keep-polling on "12 rows, 3 without a value".
    QString countText(long long rows) const;
    void setIntervalDigits(const std::string& digits);

    CommandTable commands_;

    std::unique_ptr<Timer> pollTimer_;
    QPointer<MonitorWindow> monitor_;
    QComboBox* paramList_ = nullptr;
    QLineEdit* intervalEntry_ = nullptr;
    RunOptions* runOptions_ = nullptr;    // below the progress strip
    QPushButton* brokerButton_ = nullptr; // in the strip below the layout
    QString runResult_;                   // the rows and the document, after a run
    QString brokerNote_;                  // what the broker sink said last in this run
    std::unique_ptr<OnlineTransfer> transfer_;
    bool keepingOn_ = false; // the running transfer keeps polling through faults
};

} // namespace tz
