#pragma once
// Plain text files in the system code page with CR LF line ends. Each
// failure is raised as a Failure: FileNotFound when the file or its folder
// does not exist, Other with a description naming the file otherwise.
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tz {

// Pushes what has been written to a file descriptor to the disk on a thread
// of its own, so that a busy disk never holds up the thread that writes.
// Requests made while a sync runs are served by one more sync, so nothing
// queues up however slow the disk is.
class DiskSyncer {
  public:
    // The sync itself: 0, or the errno of its failure.
    using SyncFunction = std::function<int(int fd)>;
    static int syncToDisk(int fd);

    explicit DiskSyncer(int fd, SyncFunction sync = syncToDisk);
    // Waits for the last sync asked for.
    ~DiskSyncer();
    DiskSyncer(const DiskSyncer&) = delete;
    DiskSyncer& operator=(const DiskSyncer&) = delete;

    // Everything written so far is to reach the disk.
    void request();
    // Wait until every sync asked for has run.
    void drain();
    // The errno of the first sync that failed since the last call, 0 when
    // none did.
    int takeError();

  private:
    void run();

    int fd_;
    SyncFunction sync_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    unsigned long long asked_ = 0, synced_ = 0;
    int error_ = 0;
    bool stop_ = false;
    std::thread thread_;
};

class TextFileWriter {
  public:
    TextFileWriter() = default;
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Create or replace the file. With `durable`, every line is pushed on to
    // the disk after it is written, off the calling thread, so a pulled plug
    // loses no complete line and a busy disk does not hold up the caller.
    void open(const std::string& path, bool durable = false,
              DiskSyncer::SyncFunction sync = DiskSyncer::syncToDisk);
    // Write the line and CR LF, and flush it out of the process at once. A
    // sync to the disk that failed since the last line is raised here.
    void writeLine(const std::string& utf8);
    // Close; a durable file waits for its last sync. The quiet close drops
    // a failure of that sync, closeReporting() raises it.
    void close() noexcept;
    void closeReporting();
    bool isOpen() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }

  private:
    void raiseSyncFailure();

    std::FILE* file_ = nullptr;
    std::string path_;
    std::unique_ptr<DiskSyncer> syncer_;
};

class TextFileReader {
  public:
    TextFileReader() = default;
    ~TextFileReader();
    TextFileReader(const TextFileReader&) = delete;
    TextFileReader& operator=(const TextFileReader&) = delete;

    void open(const std::string& path);
    bool atEnd();
    // One line without its CR, LF or CR LF. Throws InputPastEnd (62) at the
    // end of the file.
    std::string readLine();
    void close() noexcept;
    bool isOpen() const { return file_ != nullptr; }

  private:
    std::FILE* file_ = nullptr;
    std::string path_;
};

// Write the whole content to a temporary file beside `path`, then rename it
// over `path`: readers see the old file or the new one, never a torn one.
void writeFileAtomically(const std::string& path, const std::string& bytes);

bool isNormalFile(const std::string& path);
void deleteFileQuietly(const std::string& path) noexcept;
// Copy over an existing destination.
void copyFileReplacing(const std::string& from, const std::string& to);

} // namespace tz
