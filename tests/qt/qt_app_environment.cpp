// One QApplication for the whole test program, made when the tests run
// (not when CTest lists them). Widgets draw offscreen, and the locale is C
// so that the system time format is known.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class QtAppEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        setenv("LC_ALL", "C.UTF-8", 1);
        app_ = new QApplication(argc_, argv_);
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

  private:
    int argc_ = 1;
    char name_[16] = "tz_qt_tests";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const kQtApp =
    ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

} // namespace
