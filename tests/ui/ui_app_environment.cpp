// One QApplication for the whole test program, made when the tests run
// (not when CTest lists them). Widgets draw offscreen unless the caller
// chose a platform (the screenshot script runs them under Xvfb).
#include "qt_app.h"

namespace {

[[maybe_unused]] ::testing::Environment* const kUiApp =
    ::testing::AddGlobalTestEnvironment(new tz::fake::AppEnvironment("tz_ui_tests"));

} // namespace
