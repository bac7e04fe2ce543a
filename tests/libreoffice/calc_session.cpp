#include "calc_session.h"

#include "backends/libreoffice/process.h"

#include <gtest/gtest.h>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <set>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

namespace tz::test {

using calc::fromUtf8;
using calc::toUtf8;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

css::beans::PropertyValue prop(const char* name, const css::uno::Any& value) {
    css::beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

Sequence<css::beans::PropertyValue> props(const css::beans::PropertyValue& p) {
    return Sequence<css::beans::PropertyValue>(&p, 1);
}

double secondsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

std::string fileUrl(const std::string& path) {
    return toUtf8(calc::fileUrlOf(path));
}

} // namespace

CalcSession::CalcSession(Start start)
    : profileUrl_(fileUrl(dir_.file("profile"))),
      pipe_("tz_calc_" + std::to_string(::getpid()) + "_" + dir_.path().filename().string()) {
    const std::string args = "-env:UserInstallation=" + profileUrl_ +
                             (start == Start::NowVisible ? "" : " --headless --invisible") +
                             " --norestore --nologo --nodefault";
    args_ = std::make_unique<ScopedEnv>("TZ_SOFFICE_ARGS", args);
    pipeEnv_ = std::make_unique<ScopedEnv>("TZ_UNO_PIPE", pipe_);
    started_ = std::chrono::steady_clock::now();
    startGuard();
    if (start == Start::ByTheProgram) return;

    auto cmd = calc::sofficeCommand();
    cmd.push_back(calc::acceptArgument(pipe_));
    const std::string log = dir_.file("soffice.log");
    launcher_ = Spawn().devNull(0).open(1, log, O_WRONLY | O_CREAT).dup(1, 2).newGroup().run(cmd);
    if (launcher_ == 0) throw std::runtime_error("soffice did not start");
}

CalcSession::~CalcSession() {
    try {
        shutdown();
    } catch (...) {
    }
}

Reference<css::frame::XDesktop2> CalcSession::desktop(double seconds) {
    if (desktop_.is()) return desktop_;
    std::string last;
    waitFor(
        [&] {
            try {
                desktop_ = calc::connectDesktop(pipe_);
                return true;
            } catch (const css::uno::Exception& e) {
                last = calc::messageOf(e);
                return false;
            }
        },
        seconds);
    if (!desktop_.is()) throw std::runtime_error("LibreOffice did not accept: " + last);
    std::printf("[ info ] office accepts after %.1f s\n", secondsSince(started_));
    // For the guard: the office's named sockets, which a killed office
    // leaves behind.
    std::ofstream sockets(dir_.file("sockets"));
    for (const auto& path : socketsOf(processes()))
        sockets << path << "\n";
    return desktop_;
}

Reference<css::lang::XComponent> CalcSession::create(const char* factory, const std::string& path,
                                                     const char* filter) {
    const Reference<css::frame::XComponentLoader> loader(desktop(), UNO_QUERY_THROW);
    const auto hidden = props(prop("Hidden", css::uno::Any(true)));
    auto doc =
        loader->loadComponentFromURL(rtl::OUString::createFromAscii(factory), "_blank", 0, hidden);
    const Reference<css::frame::XStorable> storable(doc, UNO_QUERY_THROW);
    const auto as =
        props(prop("FilterName", css::uno::Any(rtl::OUString::createFromAscii(filter))));
    storable->storeAsURL(calc::fileUrlOf(path), as);
    return doc;
}

Reference<css::lang::XComponent> CalcSession::createSpreadsheet(const std::string& path) {
    return create("private:factory/scalc", path, "calc8");
}

Reference<css::lang::XComponent> CalcSession::createWorkbook(const std::string& path) {
    return create("private:factory/scalc", path, "MS Excel 97");
}

Reference<css::lang::XComponent> CalcSession::loaded(const std::string& path) {
    const rtl::OUString url = calc::fileUrlOf(path);
    const Reference<css::container::XEnumerationAccess> all(desktop()->getComponents(),
                                                            UNO_QUERY_THROW);
    const auto e = all->createEnumeration();
    while (e->hasMoreElements()) {
        const Reference<css::frame::XModel> m(e->nextElement(), UNO_QUERY);
        if (m.is() && m->getURL() == url) return Reference<css::lang::XComponent>(m, UNO_QUERY);
    }
    return {};
}

Reference<css::lang::XComponent> CalcSession::load(const std::string& path) {
    const Reference<css::frame::XComponentLoader> loader(desktop(), UNO_QUERY_THROW);
    const auto hidden = props(prop("Hidden", css::uno::Any(true)));
    auto doc = loader->loadComponentFromURL(calc::fileUrlOf(path), "_blank", 0, hidden);
    if (!doc.is()) throw std::runtime_error("LibreOffice did not load " + path);
    return doc;
}

void CalcSession::store(const Reference<css::lang::XComponent>& doc) {
    Reference<css::frame::XStorable>(doc, UNO_QUERY_THROW)->store();
}

void CalcSession::close(const Reference<css::lang::XComponent>& doc) {
    Reference<css::util::XCloseable>(doc, UNO_QUERY_THROW)->close(true);
}

Reference<css::sheet::XSpreadsheet> CalcSession::sheet(const Reference<css::lang::XComponent>& doc,
                                                       int index) {
    const Reference<css::sheet::XSpreadsheetDocument> d(doc, UNO_QUERY_THROW);
    const Reference<css::container::XIndexAccess> sheets(d->getSheets(), UNO_QUERY_THROW);
    return Reference<css::sheet::XSpreadsheet>(sheets->getByIndex(index), UNO_QUERY_THROW);
}

void CalcSession::closeAll() {
    const Reference<css::container::XEnumerationAccess> all(desktop()->getComponents(),
                                                            UNO_QUERY_THROW);
    const auto e = all->createEnumeration();
    while (e->hasMoreElements()) {
        const Reference<css::util::XCloseable> c(e->nextElement(), UNO_QUERY);
        if (c.is()) c->close(true);
    }
}

void CalcSession::shutdown() {
    if (down_) return;
    down_ = true;
    try {
        if (!desktop_.is() && !processes().empty()) desktop(5);
        if (desktop_.is()) {
            closeAll();
            desktop_->terminate();
        }
    } catch (const css::uno::Exception&) {
        // terminate() loses its own connection; a dead office throws earlier
    } catch (const std::exception&) {
    }
    desktop_.clear();
    const auto closing = std::chrono::steady_clock::now();
    if (launcher_ > 0) {
        int status = 0;
        const bool ended = waitFor([&] { return ::waitpid(launcher_, &status, WNOHANG) != 0; }, 20);
        if (!ended) {
            ::kill(-launcher_, SIGKILL);
            ::waitpid(launcher_, &status, 0);
        }
        launcher_ = 0;
    }
    waitFor([&] { return processes().empty(); }, 10);
    std::printf("[ info ] office gone %.1f s after terminate\n", secondsSince(closing));
    killSessionProcesses();
    stopGuard();
}

// A test program that dies before its shutdown (a crash, a sanitizer
// abort, a CTest time-out) must not leave an office behind. A small shell
// waits on a pipe only this process holds open; when it reads end of file
// it kills every process that runs with this session's profile and
// removes the session's folder and the office's sockets. A clean shutdown sends it a line
// first, and it leaves quietly.
void CalcSession::startGuard() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    static const char* script =
        "read quiet <&3; [ -n \"$quiet\" ] && exit 0; "
        "for p in /proc/[0-9]*; do "
        "c=$(tr '\\000' ' ' < \"$p/cmdline\" 2>/dev/null) || continue; "
        "case \"$c\" in *\"$TZ_GUARD_MARK\"*) kill -KILL \"${p#/proc/}\" 2>/dev/null;; esac; "
        "done; "
        "while read -r socket; do rm -f \"$socket\"; done < \"$TZ_GUARD_DIR/sockets\"; "
        "rm -rf \"$TZ_GUARD_DIR\" \"$TZ_GUARD_SOCKET\"";
    // The mark goes through the environment: in the arguments it would
    // make the guard one of the processes it kills.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    env.push_back("TZ_GUARD_MARK=UserInstallation=" + profileUrl_);
    env.push_back("TZ_GUARD_DIR=" + dir_.path().string());
    env.push_back("TZ_GUARD_SOCKET=/tmp/OSL_PIPE_" + std::to_string(::getuid()) + "_" + pipe_);
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    // Its own session: it outlives a killed test process group.
    guard_ =
        Spawn().dup(fds[0], 3).devNull(0).newSession().run({"/bin/sh", "-c", script}, envp.data());
    ::close(fds[0]);
    guardPipe_ = fds[1];
}

void CalcSession::stopGuard() {
    if (guardPipe_ >= 0) {
        [[maybe_unused]] const auto n = ::write(guardPipe_, "done\n", 5);
        ::close(guardPipe_);
    }
    guardPipe_ = -1;
    if (guard_ > 0) {
        int status = 0;
        ::waitpid(guard_, &status, 0);
    }
    guard_ = 0;
}

void CalcSession::kill() {
    desktop_.clear();
    const auto sockets = socketsOf(processes());
    if (launcher_ > 0) ::kill(-launcher_, SIGKILL);
    killSessionProcesses();
    removeSockets(sockets);
    if (launcher_ > 0) {
        int status = 0;
        ::waitpid(launcher_, &status, 0);
        launcher_ = 0;
    }
}

std::vector<pid_t> CalcSession::processes() const {
    std::vector<pid_t> found;
    const std::string mark = "UserInstallation=" + profileUrl_;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream in(entry.path() / "cmdline");
        std::string cmdline((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (char& c : cmdline)
            if (c == '\0') c = ' ';
        if (cmdline.find(mark) != std::string::npos) found.push_back(std::stoi(name));
    }
    return found;
}

void CalcSession::killSessionProcesses() {
    const auto left = processes();
    if (left.empty()) return;
    const auto sockets = socketsOf(left);
    for (pid_t pid : left)
        ::kill(pid, SIGKILL);
    waitFor([&] { return processes().empty(); }, 5);
    removeSockets(sockets);
}

// The named sockets a killed office leaves behind in the temporary folder
// (a clean end removes them itself): the ones bound by our processes.
std::vector<std::string> CalcSession::socketsOf(const std::vector<pid_t>& pids) const {
    std::set<std::string> inodes;
    for (pid_t pid : pids) {
        std::error_code ec;
        const std::filesystem::path fds = "/proc/" + std::to_string(pid) + "/fd";
        for (const auto& fd : std::filesystem::directory_iterator(fds, ec)) {
            std::error_code rec;
            const std::string target = std::filesystem::read_symlink(fd.path(), rec).string();
            if (!rec && target.rfind("socket:[", 0) == 0)
                inodes.insert(target.substr(8, target.size() - 9));
        }
    }
    std::vector<std::string> paths;
    std::ifstream table("/proc/net/unix");
    for (std::string line; std::getline(table, line);) {
        // Num RefCount Protocol Flags Type St Inode Path
        std::istringstream in(line);
        std::string skip, inode, path;
        for (int i = 0; i < 6; ++i)
            in >> skip;
        in >> inode >> path;
        if (!path.empty() && inodes.count(inode) && path.find("/OSL_PIPE_") != std::string::npos)
            paths.push_back(path);
    }
    return paths;
}

void CalcSession::removeSockets(const std::vector<std::string>& paths) {
    for (const auto& p : paths) {
        std::error_code ec;
        std::filesystem::remove(p, ec);
    }
}

namespace {

class SharedCalcEnvironment : public ::testing::Environment {
  public:
    void TearDown() override {
        if (!session) return;
        session->shutdown();
        EXPECT_TRUE(session->processes().empty()) << "soffice left behind";
        session.reset();
    }
    std::unique_ptr<CalcSession> session;
};

SharedCalcEnvironment* const sharedEnvironment = static_cast<SharedCalcEnvironment*>(
    ::testing::AddGlobalTestEnvironment(new SharedCalcEnvironment));

} // namespace

CalcSession& sharedCalc() {
    if (!sharedEnvironment->session) sharedEnvironment->session = std::make_unique<CalcSession>();
    return *sharedEnvironment->session;
}

CellRead readCell(const Reference<css::sheet::XSpreadsheet>& sheet, int row, int col) {
    const auto cell = sheet->getCellByPosition(col - 1, row - 1);
    const std::string text =
        toUtf8(Reference<css::text::XTextRange>(cell, UNO_QUERY_THROW)->getString());
    switch (cell->getType()) {
    case css::table::CellContentType_EMPTY:
        return {CellRead::Empty, 0, text};
    case css::table::CellContentType_VALUE:
        return {CellRead::Value, cell->getValue(), text};
    case css::table::CellContentType_TEXT:
        return {CellRead::Text, 0, text};
    default:
        return {CellRead::Formula, cell->getValue(), toUtf8(cell->getFormula())};
    }
}

} // namespace tz::test
