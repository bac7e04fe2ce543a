// The Calc module loaded on first use: without it a workbook start ends
// with a message naming the package to install, and CSV needs nothing of it.
#include "platform/failure.h"
#include "ui/calc_module.h"

#include <QByteArray>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tz {
namespace {

using ::testing::HasSubstr;

TEST(CalcModule, WithoutTheModuleAWorkbookStartSaysWhatToInstall) {
    qputenv("TZ_CALC_MODULE", "/nonexistent/tidewell-z-calc.so");
    auto link = makeLazyCalcSheetLink();
    auto shell = makeLazyCalcShell();
    // What every start does, whatever the format, needs no module.
    link->close();
    EXPECT_FALSE(link->isOpen());
    try {
        shell->findWindow("x.xls - LibreOffice Calc");
        ADD_FAILURE() << "no module, yet a window lookup";
    } catch (const Failure& f) {
        EXPECT_THAT(f.description(), HasSubstr("libreoffice-calc"));
    }
    EXPECT_THROW(link->open("/tmp/x.xls"), Failure);
    qunsetenv("TZ_CALC_MODULE");
}

TEST(CalcModule, TheBuiltModuleLoadsAndAnswers) {
#ifndef TZ_CALC_MODULE_PATH
    GTEST_SKIP() << "built without the LibreOffice Calc backend";
#else
    qputenv("TZ_CALC_MODULE", TZ_CALC_MODULE_PATH);
    auto shell = makeLazyCalcShell();
    EXPECT_FALSE(shell->findWindow("no such document.xls - LibreOffice Calc"));
    qunsetenv("TZ_CALC_MODULE");
#endif
}

} // namespace
} // namespace tz
