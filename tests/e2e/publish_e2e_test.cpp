// Publishing end to end: the unattended program polls tidewell-sim on a
// pseudo-terminal and publishes to a real mosquitto on 127.0.0.1, which the
// test stops, starts late, and holds a login against; a subscriber checks
// what arrives against the CSV document.
#ifdef TZ_HAVE_MQTT
#include "ui/broker_dialog.h"
#include "ui/online_window.h"

#include "broker_process.h"
#include "qt_app.h"
#include "sim_process.h"
#include "window_e2e.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace tz {
namespace {

namespace fs = std::filesystem;
using fake::BrokerProcess;
using fake::Simulator;
using fake::Subscriber;
using test::crlfLines;
using testing::HasSubstr;

using fake::kProgramPath;

bool runUntil(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs)
        QTest::qWait(20);
    return done();
}

// The seq of each row message, in the order they arrived.
std::vector<long long> seqs(const std::vector<std::string>& payloads) {
    std::vector<long long> out;
    for (const std::string& p : payloads)
        out.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(p))
                          .object()
                          .value("seq")
                          .toInteger(-1));
    return out;
}

// Each seq once, in the order of its first arrival (QoS 1 may repeat a
// message after a broken connection).
std::vector<long long> firstArrivals(const std::vector<long long>& all) {
    std::vector<long long> out;
    std::set<long long> seen;
    for (long long s : all)
        if (seen.insert(s).second) out.push_back(s);
    return out;
}

std::vector<long long> oneTo(long long n) {
    std::vector<long long> v;
    for (long long i = 1; i <= n; ++i)
        v.push_back(i);
    return v;
}

class PublishEndToEnd : public testing::Test {
  protected:
    void SetUp() override {
        fake::ensureApplication("tz_e2e_tests");
        if (!*kProgramPath || !*fake::kSimPath) GTEST_SKIP() << "built without the programs";
        if (!BrokerProcess::installed()) GTEST_SKIP() << "mosquitto is not installed";
        fs::create_directories(folder);
        fs::copy_file(kProgramPath, folder / "tidewell-z");
        std::ofstream ini(folder / "Twell.ini", std::ios::binary);
        ini << "\"115200,N,8,1\"\r\n\"Flow\"\r\n\"Velocity\"\r\n";
    }

    // The program's on-line run publishing to `url`, `extra` arguments
    // after; `during` runs while it does.
    void start(const std::string& url, const QStringList& extra = {},
               const std::string& password = "") {
        auto env = QProcessEnvironment::systemEnvironment();
        for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "TZ_MQTT_PASSWORD"})
            env.remove(v);
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(ws.root().string()));
        if (!password.empty()) env.insert("TZ_MQTT_PASSWORD", QString::fromStdString(password));
        program.setProcessEnvironment(env);
        program.start(QString::fromStdString((folder / "tidewell-z").string()),
                      QStringList{"--online", "--port", "COM1", "--parameter", "Flow", "--interval",
                                  "00:00:02", "--csv", QString::fromStdString(csv), "--publish",
                                  QString::fromStdString(url)} +
                          extra);
        ASSERT_TRUE(program.waitForStarted(5000));
    }
    // Waits for the end; its status, with standard error in `err`.
    int finish(int ms = 60000) {
        if (!program.waitForFinished(ms)) {
            program.kill();
            program.waitForFinished(3000);
        }
        err = program.readAllStandardError().toStdString();
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }
    // The value cells of the CSV document's data rows.
    std::vector<std::string> csvValues() const {
        std::vector<std::string> out;
        const auto lines = crlfLines(csv);
        for (std::size_t i = 1; i < lines.size(); ++i)
            out.push_back(lines[i].substr(lines[i].find(',') + 1));
        return out;
    }

    fake::Workspace ws{"tz-publish-e2e"};
    fs::path folder = ws.root() / "program";
    std::string csv = ws.file("flow.csv");
    QProcess program;
    std::string err;
};

TEST_F(PublishEndToEnd, EveryRowArrivesOnceWithTheCsvValueBetweenOnlineAndOffline) {
    BrokerProcess broker({false, "meter1", "s3cret pass"});
    ASSERT_TRUE(broker.start());
    Subscriber sub(broker.port(), "plant/#", "", "meter1", "s3cret pass");
    Simulator sim(ws, {"--baud", "115200"});
    ASSERT_TRUE(sim.ready()) << sim.banner();
    test::writeFile(ws.file("pw"), "s3cret pass\n");
    start(broker.url("plant/flow", "meter1"),
          {"--count", "4", "--publish-password-file", QString::fromStdString(ws.file("pw"))});
    ASSERT_EQ(finish(), 0) << err;
    const std::vector<std::string> values = csvValues();
    ASSERT_EQ(values.size(), 4u) << err;

    ASSERT_TRUE(sub.waitFor([](auto& m) { return m.size() >= 6; }, 5000)) << err;
    EXPECT_THAT(sub.on("plant/flow/status"), testing::ElementsAre("online", "offline"));
    const std::vector<std::string> rows = sub.on("plant/flow");
    EXPECT_EQ(seqs(rows), oneTo(4));
    const auto lines = crlfLines(csv);
    for (std::size_t i = 0; i < rows.size() && i < values.size(); ++i) {
        SCOPED_TRACE(rows[i]);
        QJsonParseError parse;
        const QJsonObject o =
            QJsonDocument::fromJson(QByteArray::fromStdString(rows[i]), &parse).object();
        ASSERT_EQ(parse.error, QJsonParseError::NoError);
        EXPECT_EQ(o.value("port").toString(), "COM1");
        EXPECT_EQ(o.value("parameter").toString(), "Flow");
        EXPECT_EQ(o.value("text").toString().toStdString(), values[i]);
        EXPECT_DOUBLE_EQ(o.value("value").toDouble(), std::stod(values[i]));
        EXPECT_TRUE(o.value("unit").isString());
        // The local time of the poll, with its offset: the CSV's TIME cell
        // is the same instant.
        const QDateTime at = QDateTime::fromString(o.value("time").toString(), Qt::ISODateWithMs);
        ASSERT_TRUE(at.isValid()) << o.value("time").toString().toStdString();
        const std::string cell = lines[i + 1].substr(0, lines[i + 1].find(','));
        EXPECT_EQ(at.toLocalTime().toString("HH:mm:ss").toStdString(), cell.substr(0, 8));
    }
    // A collector that starts later gets the last row and the status at
    // once: both are retained.
    Subscriber late(broker.port(), "plant/#", "", "meter1", "s3cret pass");
    ASSERT_TRUE(late.waitFor([](auto& m) { return m.size() >= 2; }, 5000));
    for (const auto& m : late.messages())
        EXPECT_TRUE(m.retained) << m.topic;
    EXPECT_THAT(late.on("plant/flow/status"), testing::ElementsAre("offline"));
    EXPECT_EQ(seqs(late.on("plant/flow")), std::vector<long long>{4});
}

TEST_F(PublishEndToEnd, ABrokerBackAfterSevenSecondsOrLateAtTheStartGetsEverySeqInOrder) {
    // A plant's broker keeps its clients' sessions over a restart: the
    // subscriber misses nothing published while it was away.
    BrokerProcess broker({true, "", ""});
    ASSERT_TRUE(broker.start());
    {
        Subscriber sub(broker.port(), "plant/#", "collector");
        ASSERT_TRUE(sub.waitSubscribed());
        Simulator sim(ws, {"--baud", "115200"});
        ASSERT_TRUE(sim.ready()) << sim.banner();
        start(broker.url("plant/flow"), {"--count", "10"});
        ASSERT_TRUE(runUntil([&] { return sub.on("plant/flow").size() >= 3; }, 15000));
        broker.stop();
        QTest::qWait(7000);
        ASSERT_TRUE(broker.start());
        ASSERT_EQ(finish(), 0) << err;
        EXPECT_EQ(csvValues().size(), 10u);
        ASSERT_TRUE(sub.waitFor([](auto& m) { return m.size() >= 12; }, 15000)) << err;
        EXPECT_EQ(firstArrivals(seqs(sub.on("plant/flow"))), oneTo(10)) << err;
        EXPECT_THAT(err, HasSubstr("lost"));
        EXPECT_THAT(err, HasSubstr("reached again"));
    }
    broker.stop();

    // Absent at the start, there 3 s later.
    fs::remove(csv);
    BrokerProcess late;
    Simulator sim(ws, {"--baud", "115200"});
    ASSERT_TRUE(sim.ready()) << sim.banner();
    start(late.url("plant/late"), {"--count", "4"});
    QTest::qWait(3000);
    ASSERT_TRUE(late.start());
    Subscriber sub(late.port(), "plant/#");
    ASSERT_EQ(finish(), 0) << err;
    EXPECT_THAT(err, HasSubstr("not reached"));
    EXPECT_EQ(csvValues().size(), 4u);
    // The retained last row and the status, whatever the subscriber's start.
    ASSERT_TRUE(sub.waitFor([](auto& m) { return m.size() >= 2; }, 5000)) << err;
    EXPECT_THAT(sub.on("plant/late/status"), testing::Contains("offline"));
    EXPECT_THAT(sub.on("plant/late").back(), HasSubstr("\"seq\": 4"));
}

TEST_F(PublishEndToEnd, AKilledProgramTurnsOfflineAndABadPasswordLeavesTheCsvGoing) {
    BrokerProcess broker({false, "meter1", "right"});
    ASSERT_TRUE(broker.start());
    Subscriber sub(broker.port(), "plant/#", "", "meter1", "right");
    Simulator sim(ws, {"--baud", "115200"});
    ASSERT_TRUE(sim.ready()) << sim.banner();

    start(broker.url("plant/flow", "meter1"), {}, "right");
    ASSERT_TRUE(runUntil([&] { return sub.on("plant/flow").size() >= 2; }, 15000));
    EXPECT_THAT(sub.on("plant/flow/status"), testing::ElementsAre("online"));
    ::kill(static_cast<pid_t>(program.processId()), SIGKILL);
    finish();
    EXPECT_TRUE(
        sub.waitFor([](auto& m) { return !m.empty() && m.back().payload == "offline"; }, 5000));
    EXPECT_THAT(sub.on("plant/flow/status"), testing::ElementsAre("online", "offline"));

    fs::remove(csv);
    start(broker.url("plant/flow", "meter1"), {"--count", "3"}, "wrong");
    EXPECT_EQ(finish(), 0) << err;
    EXPECT_THAT(err, HasSubstr("refused the login"));
    EXPECT_THAT(err, HasSubstr("3 messages could not be sent"));
    EXPECT_EQ(csvValues().size(), 3u) << err;
}

class PublishFromTheWindow : public fake::WindowEndToEnd {
  protected:
    PublishFromTheWindow() : WindowEndToEnd("tz-publish-window") {}
    void TearDown() override {
        WindowEndToEnd::TearDown();
        // The windows of later tests do not publish.
        saveBrokerChoice({});
    }
};

TEST_F(PublishFromTheWindow, BrokerSettingPublishesTheRunAndTheStripSaysWhatTheBrokerDid) {
    if (!BrokerProcess::installed()) GTEST_SKIP() << "mosquitto is not installed";
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(ws.root().string()));
    BrokerProcess broker; // not started yet: absent when the run begins
    Simulator sim(ws, {});
    ASSERT_TRUE(sim.ready()) << sim.banner();
    auto& w = open<OnlineWindow>();
    auto* button = w.findChild<QPushButton*>("BrokerButton");
    ASSERT_NE(button, nullptr);
    BrokerDialog* dialog = w.showBrokerDialog();
    dialog->findChild<QCheckBox*>("BrokerPublish")->setChecked(true);
    dialog->findChild<QLineEdit*>("BrokerUrl")
        ->setText(QString::fromStdString(broker.url("w/flow")));
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();

    const std::string document = ws.file("online.csv");
    startPolling(&w, document, "000002");
    ASSERT_TRUE(messages.empty()) << messages.front();
    EXPECT_FALSE(button->isEnabled()) << "the run publishes where it started to";
    auto* result = w.findChild<QLabel*>("ResultText");
    ASSERT_TRUE(runUntil([&] { return result->text().contains("not reached"); }, 5000))
        << result->text().toStdString();

    ASSERT_TRUE(broker.start());
    Subscriber sub(broker.port(), "w/#", "");
    ASSERT_TRUE(runUntil([&] { return sub.on("w/flow").size() >= 1; }, 15000));
    EXPECT_TRUE(result->text().contains("reached again")) << result->text().toStdString();
    const long long rowsBefore = w.transfer().rowCount() - 1;
    ASSERT_TRUE(runUntil([&] { return w.transfer().rowCount() - 1 > rowsBefore; }, 5000));
    stopXfer(&w);
    ASSERT_TRUE(idle(&w));
    EXPECT_TRUE(button->isEnabled());
    EXPECT_TRUE(messages.empty());

    // The queued rows came after the retained last one the subscriber saw
    // first; together every row of the document, the same value cells.
    ASSERT_TRUE(
        sub.waitFor([](auto& m) { return !m.empty() && m.back().payload == "offline"; }, 5000));
    std::vector<std::string> values;
    const auto lines = crlfLines(document);
    for (std::size_t i = 1; i < lines.size(); ++i)
        values.push_back(lines[i].substr(lines[i].find(',') + 1));
    std::vector<std::string> texts;
    for (const std::string& p : sub.on("w/flow"))
        texts.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(p))
                            .object()
                            .value("text")
                            .toString()
                            .toStdString());
    ASSERT_FALSE(values.empty());
    EXPECT_EQ(texts.back(), values.back());
    EXPECT_EQ(firstArrivals(seqs(sub.on("w/flow"))).back(), static_cast<long long>(values.size()));
}

} // namespace
} // namespace tz
#endif
