#include "logger/line_reader.h"

#include "app/text.h"

namespace tz::logger {

void LineReader::startSet() {
    buffer_.clear();
    base_ = 0;
    pos_ = 0;
    partLine_.clear();
    sinceKeepAlive_ = 0;
}

void LineReader::append(std::string_view utf8) {
    compact();
    buffer_ += text::decode(utf8);
}

// A whole set is kept only as far as it is still to be read, so a long
// download does not hold every character it ever received.
void LineReader::compact() {
    constexpr std::size_t kDropAfter = 64 * 1024;
    if (pos_ >= kDropAfter && pos_ * 2 >= buffer_.size()) {
        buffer_.erase(0, pos_);
        base_ += pos_;
        pos_ = 0;
    }
}

void LineReader::consumed(std::size_t n) {
    sinceKeepAlive_ += n;
    if (sinceKeepAlive_ >= kKeepAliveEvery) {
        sinceKeepAlive_ = 0;
        source_.keepAlive();
    }
}

const ReadLine& LineReader::readLine() {
    for (;;) {
        if (pos_ >= buffer_.size()) {
            if (!source_.receiveMore()) return take(true);
            continue;
        }
        const std::size_t cr = buffer_.find(U'\r', pos_);
        if (cr == std::u32string::npos) {
            const std::size_t n = buffer_.size() - pos_;
            partLine_.append(buffer_, pos_, n);
            pos_ = buffer_.size();
            consumed(n);
            continue;
        }
        const std::size_t n = cr - pos_;
        partLine_.append(buffer_, pos_, n);
        pos_ = cr + 1;
        consumed(n + 1);
        return take(false);
    }
}

// The two line buffers trade places, so reading a line allocates nothing.
const ReadLine& LineReader::take(bool silent) {
    // The instrument ends lines with CR alone; a line feed is noise that
    // would break a CSV row or a cell, so it goes.
    std::erase(partLine_, U'\n');
    line_.line.swap(partLine_);
    partLine_.clear();
    line_.silent = silent;
    return line_;
}

} // namespace tz::logger
