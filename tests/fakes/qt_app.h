#pragma once
// The one QApplication of a Qt test program, made when the tests run (not
// when CTest lists them). Widgets draw offscreen unless the caller chose a
// platform.
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

namespace tz::fake {

// Makes the application on first use; it lives as long as the test program
// and stays reachable from here.
inline void ensureApplication(const char* programName) {
    if (QCoreApplication::instance()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static std::string name = programName;
    static int argc = 1;
    static char* argv[] = {name.data(), nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

// Makes the application before the first test and deletes it after the
// last; register it with ::testing::AddGlobalTestEnvironment. A non-empty
// `locale` is set as LC_ALL first.
class AppEnvironment : public ::testing::Environment {
  public:
    explicit AppEnvironment(const std::string& programName, std::string locale = {})
        : name_(programName), locale_(std::move(locale)) {}
    AppEnvironment(const AppEnvironment&) = delete;
    AppEnvironment& operator=(const AppEnvironment&) = delete;

    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        if (!locale_.empty()) setenv("LC_ALL", locale_.c_str(), 1);
        app_ = new QApplication(argc_, argv_);
        // The operator's own choices that windows remember stay out of the
        // settings of whoever runs the tests.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, userSettings_.path());
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

  private:
    std::string name_;
    std::string locale_;
    int argc_ = 1;
    char* argv_[2] = {name_.data(), nullptr};
    QApplication* app_ = nullptr;
    QTemporaryDir userSettings_;
};

} // namespace tz::fake
