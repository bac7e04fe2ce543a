#include "backends/libreoffice/process.h"

#include "platform/failure.h"
#include "test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>

namespace tz::calc {
namespace {

using test::ScopedEnv;
using test::TempDir;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

pid_t sessionOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // pid (comm) state ppid pgrp session ...; comm may hold blanks
    std::istringstream rest(stat.substr(stat.rfind(')') + 2));
    std::string state;
    long ppid = 0, pgrp = 0, session = 0;
    rest >> state >> ppid >> pgrp >> session;
    return static_cast<pid_t>(session);
}

TEST(ProgramLookup, FindsProgramsAlongPath) {
    const auto sh = findProgram("sh");
    EXPECT_FALSE(sh.empty());
    EXPECT_EQ(sh.front(), '/');
    EXPECT_EQ(findProgram("tz-no-such-program-here"), "");
    EXPECT_EQ(findProgram("/bin/sh"), "/bin/sh");
    EXPECT_EQ(findProgram("/nonexistent/soffice"), "");
}

TEST(DetachedStart, ArgumentsArriveUnchanged) {
    TempDir dir;
    const auto out = dir.file("args");
    startDetached({"/bin/sh", "-c", "printf '%s\\n' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0\"",
                   out, "a b", "$HOME", "it's \"quoted\"", "#x;y&z", "-v"});
    ASSERT_TRUE(test::waitFor([&] { return std::filesystem::exists(out); }, 10));
    EXPECT_THAT(test::readLines(out),
                ElementsAre("a b", "$HOME", "it's \"quoted\"", "#x;y&z", "-v"));
}

TEST(DetachedStart, ChildGetsNoDescriptorOfOursAndASessionOfItsOwn) {
    TempDir dir;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0); // without close-on-exec, like a careless port
    const auto pidFile = dir.file("pid");
    startDetached(
        {"/bin/sh", "-c", "echo $$ > \"$0.tmp\" && mv \"$0.tmp\" \"$0\"; exec sleep 30", pidFile});
    ASSERT_TRUE(test::waitFor([&] { return !test::readLines(pidFile).empty(); }, 10));
    const pid_t child = std::stoi(test::readLines(pidFile)[0]);

    ::close(fds[1]);
    pollfd p{fds[0], POLLIN, 0};
    const int ready = ::poll(&p, 1, 2000);
    char c;
    const bool eof = ready == 1 && ::read(fds[0], &c, 1) == 0;
    const pid_t childSession = sessionOf(child);
    ::kill(child, SIGKILL);
    ::close(fds[0]);

    EXPECT_TRUE(eof) << "the started program holds our pipe open";
    EXPECT_NE(childSession, ::getsid(0));
    EXPECT_GT(childSession, 0);
}

TEST(DetachedStart, MissingProgramIsNamedInTheFailure) {
    try {
        startDetached({"tz-no-such-program-here", "x"});
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::Other);
        EXPECT_THAT(f.description(), HasSubstr("tz-no-such-program-here"));
    }
}

TEST(SofficeCommand, ProgramAndExtraArgumentsComeFromTheEnvironment) {
    ScopedEnv program("TZ_SOFFICE", "/bin/true");
    ScopedEnv args("TZ_SOFFICE_ARGS", "  --headless   -env:UserInstallation=file:///tmp/p ");
    EXPECT_THAT(sofficeCommand(),
                ElementsAre("/bin/true", "--headless", "-env:UserInstallation=file:///tmp/p"));
}

TEST(SofficeCommand, MissingOfficeTellsWhichPackageToInstall) {
    ScopedEnv program("TZ_SOFFICE", "/nonexistent/soffice");
    try {
        sofficeCommand();
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_THAT(f.description(), HasSubstr("libreoffice-calc"));
    }
}

} // namespace
} // namespace tz::calc
