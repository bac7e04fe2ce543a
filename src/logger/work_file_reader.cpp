#include "logger/work_file_reader.h"

#include "app/text.h"
#include "platform/failure.h"

#include <filesystem>
#include <system_error>

namespace tz::logger {

namespace {

constexpr std::size_t kBlock = 64 * 1024;

std::filesystem::path nativePath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

} // namespace

void WorkFileReader::open(const std::string& path) {
    close();
    in_.open(nativePath(path), std::ios::binary);
    if (!in_.is_open()) {
        std::error_code ec;
        if (!std::filesystem::exists(nativePath(path), ec))
            throw Failure(FailureCode::FileNotFound, "File not found: " + path);
        throw Failure(FailureCode::Other, path + ": the file cannot be read");
    }
    open_ = true;
}

bool WorkFileReader::fill() {
    if (pos_ < block_.size()) return true;
    block_.resize(kBlock);
    const auto got = in_.rdbuf()->sgetn(block_.data(), static_cast<std::streamsize>(kBlock));
    block_.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    pos_ = 0;
    return !block_.empty();
}

bool WorkFileReader::atEnd() {
    return !open_ || !fill();
}

std::string WorkFileReader::readLine() {
    std::string line;
    readLine(line);
    return line;
}

void WorkFileReader::readLine(std::string& bytes) {
    bytes.clear();
    while (open_ && fill()) {
        const std::size_t end = block_.find('\r', pos_);
        if (end == std::string::npos) {
            bytes.append(block_, pos_, std::string::npos);
            pos_ = block_.size();
            continue;
        }
        bytes.append(block_, pos_, end - pos_);
        pos_ = end + 1;
        if (fill() && block_[pos_] == '\n') ++pos_;
        break;
    }
#ifdef _WIN32
    bytes = text::fromSystem(bytes);
#endif
}

void WorkFileReader::close() noexcept {
    if (in_.is_open()) in_.close();
    in_.clear();
    block_.clear();
    pos_ = 0;
    open_ = false;
}

} // namespace tz::logger
