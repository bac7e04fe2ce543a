#include "app/text_file.h"

#include "platform/failure.h"
#include "scratch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tz {
namespace {

// A durable file's syncs run off the writing thread, and one that fails
// surfaces on that thread as the storage failure naming the file: at the
// next line, or at the reporting close. No line written is lost.
TEST(DurableTextFile, SyncsRunOffTheWritingThreadAndTheirFailuresSurface) {
    const test::TempDir dir("tz-durable");
    const std::string path = dir.file("Tidewell.csv");
    std::atomic<int> syncs{0}, onCaller{0}, failNext{0};
    const auto caller = std::this_thread::get_id();
    auto sync = [&](int fd) {
        ++syncs;
        if (std::this_thread::get_id() == caller) ++onCaller;
        if (failNext.exchange(0)) return 5; // EIO
        return DiskSyncer::syncToDisk(fd);
    };

    TextFileWriter w;
    w.open(path, true, sync);
    w.writeLine("TIME,Flow");
    w.writeLine("08:00:00,1.5");
    w.closeReporting();
    EXPECT_GE(syncs.load(), 1);
    EXPECT_EQ(onCaller.load(), 0);
    EXPECT_EQ(test::readFile(path), "TIME,Flow\r\n08:00:00,1.5\r\n");

    w.open(path, true, sync);
    failNext = 1;
    w.writeLine("a");
    try {
        w.closeReporting();
        ADD_FAILURE() << "a failed sync went unsaid at the close";
    } catch (const Failure& f) {
        EXPECT_NE(std::string(f.what()).find(path), std::string::npos) << f.what();
    }

    w.open(path, true, sync);
    failNext = 1;
    w.writeLine("a");
    // The next line sees the failure once the sync has run.
    bool raised = false;
    for (int i = 0; i < 2000 && !raised; ++i) {
        try {
            w.writeLine("b");
        } catch (const Failure&) {
            raised = true;
        }
        if (!raised) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(raised);
    w.close();
}

} // namespace
} // namespace tz
