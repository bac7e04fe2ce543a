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

class PortsDialog;

class TransferFrame : public QWidget {
    Q_OBJECT
  public:
    ~TransferFrame() override;

    // Enable02 / Enable03: the idle state.
    void setIdleState();
    // Disable02 / Disable03: the transferring state.
    void setTransferringState();

    // The frame's part of what both windows show the transfer code.
    int portIndex() const;
    std::string documentText() const;
    void showStatus1(const std::string& text);
    void showStatus2(const std::string& text);
    WindowHandle handle() const;

    // "Ports...": the dialog that links a serial port to a COMn, shown
    // window-modal over this window.
    PortsDialog* showPortsDialog();

    // Transfer code (a start, a poll) is on the stack. The window must not
    // be deleted then, even when it is closed: the code would return into a
    // freed object.
    bool busy() const { return busy_ > 0; }

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
        QFont statusFont; // Label4 and Label5
        int statusTop;    // Label4's top, in twips
        int statusHeight; // Label4 and Label5
        QFont exitFont;   // SSCommand5
        int text1Left;
        int text3Height;
        int label1Width;
        const char* csvFilter; // document picker with CSV output
    };

    TransferFrame(UiServices& services, QPoint at, const Look& look);

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

    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    UiServices& services_;
    Globals& globals_;

    // Platform objects of this window; the transfer is made by the derived
    // window once the controls exist.
    std::unique_ptr<SerialControl> comm1_;
    std::unique_ptr<Shell> shell_;
    std::unique_ptr<SheetLink> sheetLink_;
    std::unique_ptr<DocumentLink> documentLink_;
    std::unique_ptr<FileDialog> commonDialog1_;

    QGroupBox* ssFrame1_ = nullptr;
    QLabel* label1_ = nullptr;
    QPushButton* ssCommand1_ = nullptr;
    QGroupBox* ssFrame2_ = nullptr;
    QComboBox* combo2_ = nullptr;
    QGroupBox* ssFrame3_ = nullptr;
    QLineEdit* text3_ = nullptr;
    QPushButton* ssCommand2_ = nullptr;
    QGroupBox* ssFrame4_ = nullptr; // made by the derived window
    QGroupBox* ssFrame5_ = nullptr;
    QLabel* label4_ = nullptr;
    QLabel* label5_ = nullptr;
    QPushButton* ssCommand3_ = nullptr;
    QPushButton* ssCommand4_ = nullptr;
    QPushButton* ssCommand5_ = nullptr;
    QPushButton* ssCommand6_ = nullptr;
    QLineEdit* text1_ = nullptr;
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
