#include "backends/libreoffice/desktop_shell.h"

#include "backends/libreoffice/process.h"
#include "backends/libreoffice/x11_windows.h"
#include "platform/failure.h"
#include "test_support.h"
#include "x_server.h"

#include <csignal>
#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// Xlib's macros (None, Bool, Status) after GoogleTest, which uses the names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace tz::calc {
namespace {

using test::ScopedEnv;
using test::TempDir;
using ::testing::ElementsAre;

// A private X server for each test, and a connection of the test's own
// that owns the windows it makes.
class XServer : public ::testing::Test {
  protected:
    void SetUp() override {
        if (findProgram("Xvfb").empty()) GTEST_SKIP() << "Xvfb is not installed";
        server_ = std::make_unique<test::XvfbServer>();
        ASSERT_TRUE(server_->running()) << "Xvfb did not start";
        x_ = XOpenDisplay(nullptr);
        ASSERT_NE(x_, nullptr);
    }
    void TearDown() override {
        if (x_) XCloseDisplay(x_);
        server_.reset();
    }

    // A mapped top-level window; the title goes into WM_NAME (Latin-1) or
    // _NET_WM_NAME (UTF-8).
    Window window(const std::string& title, bool utf8 = false) {
        const Window w = XCreateSimpleWindow(x_, DefaultRootWindow(x_), 10, 10, 200, 100, 0, 0, 0);
        if (utf8) {
            XChangeProperty(x_, w, XInternAtom(x_, "_NET_WM_NAME", False),
                            XInternAtom(x_, "UTF8_STRING", False), 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(title.data()),
                            static_cast<int>(title.size()));
        } else {
            XStoreName(x_, w, title.c_str());
        }
        XMapWindow(x_, w);
        XSync(x_, False);
        return w;
    }
    Window topmost() {
        Window root, parent, *kids = nullptr;
        unsigned int n = 0;
        XQueryTree(x_, DefaultRootWindow(x_), &root, &parent, &kids, &n);
        const Window top = n ? kids[n - 1] : 0;
        if (kids) XFree(kids);
        return top;
    }

    std::unique_ptr<test::XvfbServer> server_;
    Display* x_ = nullptr;
};

TEST_F(XServer, WindowIsFoundByItsExactTitleOnly) {
    window("Tidewell.xls - LibreOffice Calc");
    DesktopShell shell;
    EXPECT_TRUE(shell.findWindow("Tidewell.xls - LibreOffice Calc"));
    EXPECT_FALSE(shell.findWindow("Tidewell.xls - LibreOffice"));
    EXPECT_FALSE(shell.findWindow("tidewell.xls - LibreOffice Calc"));
    EXPECT_FALSE(shell.findWindow("Tidewell.xls - LibreOffice Calc "));
}

TEST_F(XServer, Utf8TitlesAreFound) {
    window("Tägliche Daten.ods - LibreOffice Calc", true);
    EXPECT_TRUE(windowTitled("Tägliche Daten.ods - LibreOffice Calc"));
}

TEST_F(XServer, ActivationRaisesTheWindowWhoseTitleBeginsWithTheText) {
    const Window ours = window("TIDEWELL-Z  (F1:HELP)");
    const Window calc = window("Tidewell.xls - LibreOffice Calc");
    ASSERT_EQ(topmost(), calc);
    DesktopShell().activate("TIDEWELL-Z");
    XSync(x_, False);
    EXPECT_EQ(topmost(), ours);
}

TEST_F(XServer, ExactTitleWinsOverAnEarlierPrefixMatch) {
    window("TIDEWELL-Z  (F1:HELP)");
    const Window exact = window("TIDEWELL-Z");
    window("Other");
    EXPECT_TRUE(raiseWindow("TIDEWELL-Z"));
    XSync(x_, False);
    EXPECT_EQ(topmost(), exact);
}

TEST_F(XServer, NoMatchingWindowRaisesNothing) {
    const Window top = window("Other");
    EXPECT_FALSE(raiseWindow("TIDEWELL-Z"));
    EXPECT_NO_THROW(DesktopShell().activate("TIDEWELL-Z"));
    EXPECT_EQ(topmost(), top);
}

TEST(NoDisplay, LookupFindsNothingAndActivationDoesNotFail) {
    ScopedEnv display("DISPLAY", std::nullopt);
    DesktopShell shell;
    EXPECT_FALSE(shell.findWindow("TIDEWELL-Z"));
    EXPECT_TRUE(topLevelWindows().empty());
    EXPECT_NO_THROW(shell.activate("TIDEWELL-Z"));
}

TEST(NoDisplay, UnreachableServerCountsAsNoDisplay) {
    ScopedEnv display("DISPLAY", ":987");
    EXPECT_FALSE(windowTitled("TIDEWELL-Z"));
    EXPECT_FALSE(raiseWindow("TIDEWELL-Z"));
}

// ---- launching --------------------------------------------------------

// A stand-in program that writes its arguments, one a line, to `log`.
std::string recorder(const TempDir& dir, const std::string& name, const std::string& log) {
    const auto path = dir.file(name);
    test::writeScript(path, "printf '%s\\n' \"$@\" > '" + log + ".tmp' && mv '" + log + ".tmp' '" +
                                log + "'");
    return path;
}

TEST(DocumentLaunch, OfficeGetsItsArgumentsTheLinksPipeAndTheAbsolutePath) {
    TempDir dir;
    const auto log = dir.file("soffice.log");
    ScopedEnv program("TZ_SOFFICE", recorder(dir, "soffice", log));
    ScopedEnv args("TZ_SOFFICE_ARGS", "--headless --norestore");
    ScopedEnv pipe("TZ_UNO_PIPE", "tz_launch_pipe");
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    DesktopShell().openDocument("-odd Z\u00e4hlerst\u00e4nde #2.ods", 0);
    std::filesystem::current_path(old);
    ASSERT_TRUE(test::waitFor([&] { return std::filesystem::exists(log); }, 10));
    EXPECT_THAT(test::readLines(log),
                ElementsAre("--headless", "--norestore",
                            "--accept=pipe,name=tz_launch_pipe;urp;StarOffice.ComponentContext",
                            fileUrl(dir.file("-odd Z\u00e4hlerst\u00e4nde #2.ods"))));
}

TEST(DocumentLaunch, TheDocumentGoesAsAPercentEncodedFileUrl) {
    EXPECT_EQ(fileUrl("/home/op/Z\u00e4hlerst\u00e4nde #2.ods"),
              "file:///home/op/Z%C3%A4hlerst%C3%A4nde%20%232.ods");
    EXPECT_EQ(fileUrl("/a/b-c_d.e~f/100%;?=&+,x.xls"),
              "file:///a/b-c_d.e~f/100%25%3B%3F%3D%26%2B%2Cx.xls");
}

// An office that never answers is given up on: the launcher and the office
// it started end, each by its id; an office that ran before (here: one in
// a session of its own) is left alone.
TEST(DocumentLaunch, GivingUpEndsEveryProcessTheLaunchStarted) {
    TempDir dir;
    const auto pids = dir.file("pids");
    const auto office = dir.file("soffice");
    // Like oosplash and soffice.bin: a launcher and the office it starts,
    // plus one that leaves the session, as an office running before would be.
    test::writeScript(office, "sleep 30 & a=$!; setsid sleep 30 & b=$!; sleep 0.2; "
                              "echo $$ $a $b > '" +
                                  pids + ".tmp' && mv '" + pids + ".tmp' '" + pids + "'; wait");
    ScopedEnv program("TZ_SOFFICE", office);
    ScopedEnv args("TZ_SOFFICE_ARGS", "");
    DesktopShell shell;
    shell.openDocument(dir.file("Tidewell.xls"), 0);
    ASSERT_TRUE(test::waitFor([&] { return !test::readLines(pids).empty(); }, 10));
    std::istringstream in(test::readLines(pids)[0]);
    pid_t launcher = 0, started = 0, apart = 0;
    in >> launcher >> started >> apart;
    auto alive = [](pid_t p) {
        std::ifstream stat("/proc/" + std::to_string(p) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const auto close = text.rfind(')');
        return close != std::string::npos && text.size() > close + 2 && text[close + 2] != 'Z';
    };
    ASSERT_TRUE(alive(launcher) && alive(started) && alive(apart));
    shell.endLaunched();
    EXPECT_FALSE(alive(launcher));
    EXPECT_FALSE(alive(started));
    EXPECT_TRUE(alive(apart));
    ::kill(apart, SIGKILL);
}

TEST(DocumentLaunch, MissingOfficeIsAClearFailure) {
    ScopedEnv program("TZ_SOFFICE", "/nonexistent/soffice");
    try {
        DesktopShell().openDocument("/tmp/x.ods", 0);
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::Other);
        EXPECT_THAT(f.description(), ::testing::HasSubstr("libreoffice-calc"));
    }
}

} // namespace
} // namespace tz::calc
