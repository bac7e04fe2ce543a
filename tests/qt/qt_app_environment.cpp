// One QApplication for the whole test program, made when the tests run
// (not when CTest lists them). Widgets draw offscreen, and the locale is C
// so that the system time format is known.
#include "qt_app.h"

namespace {

[[maybe_unused]] ::testing::Environment* const kQtApp =
    ::testing::AddGlobalTestEnvironment(new tz::fake::AppEnvironment("tz_qt_tests", "C.UTF-8"));

} // namespace
