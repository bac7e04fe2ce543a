#pragma once
// The frame shared by the on-line and the logger data windows: port list,
// application and document paths with their pickers, status panel, the
// buttons "Start Transfer!", "Stop Xfer", "Mode/Info" and "Exit", the idle
// and transferring states, and the opening and closing steps.
#include "link/serial_link.h"
#include "sheet/document_link.h"
#include "ui/services.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPoint>
#include <QPushButton>
#include <QWidget>

#include <initializer_list>
#include <memory>

namespace tz {

class ProgressStrip;
class PortsDialog;

class TransferFrame : public QWidget {
    Q_OBJECT
  public:
    ~TransferFrame() override;

    // Idle: the operator may choose the port and the files and start.
    void setIdleState();
    // Transferring: only "Stop Xfer" and the status panel are live.
    void setTransferringState();

    // Position selected in the port list (COM1 is 0), -1 for none.
    int portIndex() const;
    // The output document path as the operator typed or picked it.
    std::string documentText() const;
    void showStatus1(const std::string& text);
    void showStatus2(const std::string& text);
    WindowHandle handle() const;

    // "Ports...": the dialog that links a serial port to a COMn, shown
    // window-modal over this window.
    PortsDialog* showPortsDialog();

    // Transfer code (a start, a poll) is on the stack, waiting with window
    // events running (the rule in app/wait.h). The window must not be
    // deleted then, even when it is closed: the code would return into a
    // freed object.
    bool busy() const { return busy_ > 0; }
    const StopFlag& stopFlag() const { return stop_; }

    // Runs `call` as transfer code: a close meanwhile runs the closing step
    // at once, but the window is deleted only after `call` has returned.
    template <class F> void runAsTransferCode(F&& call) {
        ++busy_;
        struct Leave {
            TransferFrame* self;
            ~Leave() { self->leaveBusy(); }
        } leave{this};
        call();
    }

  protected:
    // How the frame differs between the two windows.
    struct Look {
        const char* name; // "Tide02" / "Tide03"
        QFont windowFont;
        QFont statusFont; // both status lines
        int statusTop;    // the first status line's top, in twips
        int statusHeight; // both status lines
        QFont exitFont;   // "Exit"
        int linkEndpointLeft;
        int documentEntryHeight;
        int applicationPathWidth;
        const char* csvFilter; // document picker with CSV output
    };

    TransferFrame(UiServices& services, QPoint at, const Look& look);

    // The frame's part of a transfer request: the chosen port, the line
    // settings, output format, document and this window.
    template <class Request> Request frameRequest() const {
        Request r;
        r.portNo = portIndex() + 1;
        r.lineSettings = globals_.CommSettings;
        r.toWorkbook = globals_.SaveFormat == 1;
        r.documentPath = documentText();
        r.owner = handle();
        return r;
    }

    // The opening steps shared by both windows, in the order the derived
    // window calls them around its own.
    void showApplicationPath();
    void fillPortList();
    void showDefaultDocument();

    // The mode-specific side, run by the frame's buttons and closing step.
    virtual void startTransfer() = 0;
    virtual void stopTransfer() = 0;
    virtual void closeFilesOnClose() {}
    virtual bool transferRunning() const = 0;
    virtual void closeCompanions() {}

    void setFocusChain(std::initializer_list<QWidget*> chain);
    // The result line, with the dated copy that holds the previous
    // document's rows when the run kept one.
    QString withPreviousCopy(const QString& result) const;

    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    UiServices& services_;
    Globals& globals_;

    // Platform objects of this window; the transfer is made by the derived
    // window once the controls exist. "Stop Xfer" sets the stop flag; the
    // document link and the transfer read it.
    StopFlag stop_;
    std::unique_ptr<SerialControl> serial_;
    std::unique_ptr<Shell> shell_;
    std::unique_ptr<SheetLink> sheetLink_;
    std::unique_ptr<DocumentLink> documentLink_;
    std::unique_ptr<FileDialog> fileDialog_;

    QGroupBox* applicationFrame_ = nullptr;
    QLabel* applicationPath_ = nullptr;
    QPushButton* applicationPicker_ = nullptr;
    QGroupBox* portFrame_ = nullptr;
    QComboBox* portList_ = nullptr;
    QGroupBox* documentFrame_ = nullptr;
    QLineEdit* documentEntry_ = nullptr;
    QPushButton* documentPicker_ = nullptr;
    QGroupBox* modePanel_ = nullptr; // made by the derived window
    QGroupBox* statusFrame_ = nullptr;
    QLabel* status1_ = nullptr;
    QLabel* status2_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QPushButton* modeInfoButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QLineEdit* linkEndpoint_ = nullptr;
    ProgressStrip* progress_ = nullptr; // below the layout's area
    // The last run's dated copy, "" for none; told by the run's CSV sink,
    // which request() assembles.
    mutable std::string previousCopy_;
    QPushButton* portsButton_ = nullptr;

  private:
    void buildFrame(const Look& look);
    void pickApplication();
    void pickDocument();
    void modeInfo();
    void exitWindow();
    void closingStep();
    void leaveBusy();

    const char* csvFilter_;
    int busy_ = 0;
    bool closed_ = false;
    bool deleteWhenIdle_ = false;
};

} // namespace tz
