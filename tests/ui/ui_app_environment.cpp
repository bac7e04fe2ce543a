// One QApplication for the whole test program, made when the tests run
// (not when CTest lists them). Widgets draw offscreen unless the caller
// chose a platform (the screenshot script runs them under Xvfb).
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class UiAppEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        app_ = new QApplication(argc_, argv_);
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

  private:
    int argc_ = 1;
    char name_[16] = "tz_ui_tests";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const kUiApp =
    ::testing::AddGlobalTestEnvironment(new UiAppEnvironment);

} // namespace
