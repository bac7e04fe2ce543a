// The "Ports..." dialog of a transfer window against the simulator: the
// dialog is offered the simulator's pseudo-terminal as a port (Qt's own
// port list never shows pseudo-terminals), links it to a COMn, and the
// window then polls the simulator through that COMn.
#include "backends/qt/port_names.h"
#include "ui/online_window.h"
#include "ui/ports_dialog.h"

#include "qt/qt_rig.h"
#include "window_e2e.h"

#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QTableWidget>

#include <filesystem>

namespace tz {
namespace {

namespace fs = std::filesystem;

class PortsEndToEnd : public fake::WindowEndToEnd {
  protected:
    PortsEndToEnd() : WindowEndToEnd("tz-ports-e2e") {}
    void SetUp() override {
        WindowEndToEnd::SetUp();
        services.listPorts = [this] { return offered; };
    }

    std::vector<SerialPortEntry> offered;
};

TEST_F(PortsEndToEnd, DialogLinksTheChosenPortAndTheWindowPollsThroughIt) {
    // Published as COM9 by the simulator itself; the dialog makes it COM2.
    fake::Simulator sim(ws, {"--port", "9"});
    ASSERT_NE(sim.banner().find("COM9 -> "), std::string::npos) << sim.banner();
    const QString pty = QString::fromStdString(sim.device());
    // The program's own listing finds the simulator's line: no session uses it.
    bool listed = false;
    for (const SerialPortEntry& e : freePseudoTerminals())
        listed = listed || (e.device == pty && e.pseudoTerminal);
    EXPECT_TRUE(listed) << sim.device();
    // A USB adapter as udev names it: a by-id link to the node.
    const fs::path byId = ws.root() / "by-id" / "usb-Tidewell_Sim_SIM0001-if00-port0";
    fs::create_directories(byId.parent_path());
    fs::create_symlink(sim.device(), byId);
    offered = {{"pts", pty, "", "Simulated line", "", "", true},
               {"ttyUSB0", pty, QString::fromStdString(byId.string()), "FT232R USB UART", "FTDI",
                "SIM0001"}};

    OnlineWindow* window = &open<OnlineWindow>();
    auto* combo2 = child<QComboBox>(window, "Combo2");
    ASSERT_NE(combo2, nullptr);
    // The items stay the bare names the settings file counts on.
    ASSERT_EQ(combo2->count(), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(combo2->itemText(i), QString("COM%1").arg(i + 1));

    QTest::mouseClick(child<QPushButton>(window, "PortsButton"), Qt::LeftButton);
    auto* dialog = window->findChild<PortsDialog*>("PortsDialog");
    ASSERT_NE(dialog, nullptr);
    auto* table = child<QTableWidget>(dialog, "ports");
    // Adapters and pseudo-terminals under their own headings; nothing chosen
    // and no default button, so Enter assigns nothing.
    ASSERT_EQ(table->rowCount(), 4);
    EXPECT_EQ(table->item(0, 0)->text(), "Serial ports");
    EXPECT_EQ(table->item(1, 3)->text(), "SIM0001");
    EXPECT_EQ(table->item(2, 0)->text(), "Pseudo-terminals");
    EXPECT_EQ(dialog->entryAt(3)->device, pty);
    EXPECT_TRUE(table->selectionModel()->selectedRows().isEmpty());
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        EXPECT_FALSE(b->isDefault() || b->autoDefault()) << b->text().toStdString();
    child<QComboBox>(dialog, "comPort")->setCurrentIndex(1);
    QTest::keyClick(dialog, Qt::Key_Return);
    EXPECT_FALSE(fs::exists(fs::symlink_status(ws.link(2))));

    // The adapter goes to COM2 by its stable name, the bare line to COM3
    // by its node.
    table->selectRow(1);
    QTest::mouseClick(child<QPushButton>(dialog, "assign"), Qt::LeftButton);
    EXPECT_EQ(fs::read_symlink(ws.link(2)), byId);
    // Re-pointing a linked COMn asks first; "No" keeps the link.
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        table->selectRow(3);
        QString question;
        auto poll = qt_test::answerNextDialog<QMessageBox>([&](QMessageBox& box) {
            question = box.text();
            box.done(answer);
        });
        EXPECT_EQ(dialog->assignSelected(), answer == QMessageBox::Yes);
        EXPECT_NE(question.indexOf("COM2 now opens " + QString::fromStdString(byId.string())), -1)
            << question.toStdString();
        EXPECT_EQ(fs::read_symlink(ws.link(2)),
                  answer == QMessageBox::Yes ? fs::path(sim.device()) : byId);
    }
    table->selectRow(1);
    auto yes = qt_test::answerNextDialog<QMessageBox>(
        [](QMessageBox& box) { box.done(QMessageBox::Yes); });
    ASSERT_TRUE(dialog->assignSelected());
    EXPECT_EQ(fs::read_symlink(ws.link(2)), byId);
    EXPECT_NE(child<QLabel>(dialog, "mapping")
                  ->text()
                  .indexOf(pty + " \u2014 FT232R USB UART, serial SIM0001"),
              -1)
        << child<QLabel>(dialog, "mapping")->text().toStdString();
    child<QComboBox>(dialog, "comPort")->setCurrentIndex(2);
    table->selectRow(3);
    ASSERT_TRUE(dialog->assignSelected());
    EXPECT_EQ(fs::read_symlink(ws.link(3)), sim.device());
    ASSERT_TRUE(dialog->removeLink());
    EXPECT_FALSE(fs::exists(fs::symlink_status(ws.link(3))));
    dialog->reject();
    QCoreApplication::processEvents();

    // The list shows what COM2 reaches now.
    EXPECT_NE(combo2->itemData(1, Qt::ToolTipRole).toString().indexOf(pty), -1);

    // And a transfer on COM2 reaches the simulator.
    combo2->setCurrentIndex(1);
    const std::string document = ws.file("online.csv");
    startPolling(window, document, "000002");
    runUntil([&] { return test::crlfLines(document).size() >= 2; }, 10000);
    stopXfer(window);
    const auto lines = test::crlfLines(document);
    ASSERT_GE(lines.size(), 2u) << (messages.empty() ? "" : messages.front());
    EXPECT_EQ(lines[0], "TIME,Flow");
    EXPECT_TRUE(messages.empty()) << messages.front();
}

} // namespace
} // namespace tz
