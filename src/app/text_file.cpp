#include "app/text_file.h"

#include "app/text.h"
#include "platform/failure.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <io.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace tz {

namespace {

fs::path nativePath(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::FILE* openFile(const std::string& path, const char* mode) {
#ifdef _WIN32
    std::wstring wmode(mode, mode + std::strlen(mode));
    return _wfopen(nativePath(path).c_str(), wmode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

[[noreturn]] void fail(const std::string& path, int err) {
    if (err == ENOENT) {
        const fs::path folder = nativePath(path).parent_path();
        std::error_code ec;
        const bool noFolder = !folder.empty() && !fs::is_directory(folder, ec);
        throw Failure(FailureCode::FileNotFound, "File not found: " + path,
                      path + (noFolder ? ": its folder does not exist" : ": no such file"));
    }
    throw Failure(FailureCode::Other, path + ": " + std::strerror(err));
}

} // namespace

int DiskSyncer::syncToDisk(int fd) {
#ifdef _WIN32
    return _commit(fd) == 0 ? 0 : (errno ? errno : EIO);
#else
    return ::fsync(fd) == 0 ? 0 : (errno ? errno : EIO);
#endif
}

DiskSyncer::DiskSyncer(int fd, SyncFunction sync)
    : fd_(fd), sync_(std::move(sync)), thread_([this] { run(); }) {}

DiskSyncer::~DiskSyncer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void DiskSyncer::request() {
    {
        std::lock_guard lock(mutex_);
        ++asked_;
    }
    wake_.notify_one();
}

void DiskSyncer::drain() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return synced_ == asked_; });
}

int DiskSyncer::takeError() {
    std::lock_guard lock(mutex_);
    return std::exchange(error_, 0);
}

void DiskSyncer::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || synced_ != asked_; });
        if (synced_ == asked_) return; // stopped with nothing left to sync
        // One sync covers every line written before it starts.
        const unsigned long long upTo = asked_;
        lock.unlock();
        const int err = sync_(fd_);
        lock.lock();
        if (err != 0 && error_ == 0) error_ = err;
        synced_ = upTo;
        done_.notify_all();
    }
}

TextFileWriter::~TextFileWriter() {
    close();
}

void TextFileWriter::open(const std::string& path, bool durable, DiskSyncer::SyncFunction sync) {
    close();
    errno = 0;
    file_ = openFile(path, "wb");
    if (!file_) fail(path, errno ? errno : EIO);
    path_ = path;
    if (durable) {
#ifdef _WIN32
        const int fd = _fileno(file_);
#else
        const int fd = fileno(file_);
#endif
        try {
            syncer_ = std::make_unique<DiskSyncer>(fd, std::move(sync));
        } catch (const std::system_error& e) {
            // No thread to be had: the file is of no use without its syncs.
            close();
            throw Failure(FailureCode::Other, path + ": " + e.what());
        }
    }
}

void TextFileWriter::raiseSyncFailure() {
    if (!syncer_) return;
    if (const int err = syncer_->takeError()) fail(path_, err);
}

void TextFileWriter::writeLine(const std::string& utf8) {
    if (!file_) throw Failure(FailureCode::Other, "Bad file name or number");
    raiseSyncFailure();
    const std::string bytes = text::toSystem(utf8) + "\r\n";
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() ||
        std::fflush(file_) != 0)
        fail(path_, errno ? errno : EIO);
    if (syncer_) syncer_->request();
}

void TextFileWriter::close() noexcept {
    // The syncer goes first: it works on the file's descriptor.
    syncer_.reset();
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

void TextFileWriter::closeReporting() {
    int err = 0;
    if (syncer_) {
        syncer_->drain();
        err = syncer_->takeError();
    }
    close();
    if (err) fail(path_, err);
}

TextFileReader::~TextFileReader() {
    close();
}

void TextFileReader::open(const std::string& path) {
    close();
    errno = 0;
    file_ = openFile(path, "rb");
    if (!file_) fail(path, errno ? errno : EIO);
    path_ = path;
}

bool TextFileReader::atEnd() {
    if (!file_) return true;
    const int c = std::fgetc(file_);
    if (c == EOF) return true;
    std::ungetc(c, file_);
    return false;
}

std::string TextFileReader::readLine() {
    if (!file_ || atEnd()) throw Failure(FailureCode::InputPastEnd, "Input past end of file");
    std::string bytes;
    for (int c; (c = std::fgetc(file_)) != EOF;) {
        if (c == '\n') break;
        if (c == '\r') {
            const int d = std::fgetc(file_);
            if (d != '\n' && d != EOF) std::ungetc(d, file_);
            break;
        }
        bytes.push_back(static_cast<char>(c));
    }
    return text::fromSystem(bytes);
}

void TextFileReader::close() noexcept {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

void writeFileAtomically(const std::string& path, const std::string& bytes) {
    const std::string temp = path + ".tmp";
    errno = 0;
    std::FILE* f = openFile(temp, "wb");
    if (!f) fail(path, errno ? errno : EIO);
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fflush(f) == 0;
    int err = errno;
#ifndef _WIN32
    ok = ok && ::fsync(fileno(f)) == 0;
    if (!ok && !err) err = errno;
#endif
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) {
        deleteFileQuietly(temp);
        fail(path, err ? err : EIO);
    }
    std::error_code ec;
    fs::rename(nativePath(temp), nativePath(path), ec);
    if (ec) {
        deleteFileQuietly(temp);
        throw Failure(FailureCode::Other, path + ": " + ec.message());
    }
}

bool isNormalFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(nativePath(path), ec);
}

void deleteFileQuietly(const std::string& path) noexcept {
    std::error_code ec;
    fs::remove(nativePath(path), ec);
}

void copyFileReplacing(const std::string& from, const std::string& to) {
    std::error_code ec;
    if (!fs::exists(nativePath(from), ec))
        throw Failure(FailureCode::FileNotFound, "File not found: " + from);
#ifdef _WIN32
    // mingw-w64's std::filesystem::copy_file (GCC 12) refuses any existing
    // destination with "File exists", overwrite_existing or not.
    if (!CopyFileW(nativePath(from).c_str(), nativePath(to).c_str(), FALSE))
        throw Failure(FailureCode::Other,
                      to + ": " + std::system_category().message(static_cast<int>(GetLastError())));
#else
    fs::copy_file(nativePath(from), nativePath(to), fs::copy_options::overwrite_existing, ec);
    if (ec) throw Failure(FailureCode::Other, to + ": " + ec.message());
#endif
}

} // namespace tz
