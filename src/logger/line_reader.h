#pragma once
// Splits the text of one logger data set into lines as it arrives. Lines
// end at CR; a line feed is dropped, so no line holds one (a CR LF ends a
// line as a CR does). The text may arrive in pieces of any size, with a line
// split across them.
#include <cstddef>
#include <string>
#include <string_view>

namespace tz::logger {

// Where more input comes from while a line is being read.
class InputSource {
  public:
    virtual ~InputSource() = default;
    // Wait for the next piece of input and give it to the reader's
    // append(); false when the line has fallen silent.
    virtual bool receiveMore() = 0;
    // Called every few thousand characters of work, so that window events
    // (a click on "Stop Xfer") are not held up by a long buffer.
    virtual void keepAlive() = 0;
};

struct ReadLine {
    std::u32string line; // without its CR
    bool silent = false; // the input fell silent before a CR ended the line
};

class LineReader {
  public:
    explicit LineReader(InputSource& source) : source_(source) {}

    // A new set: nothing received, nothing read, no unfinished line.
    void startSet();
    // A piece of input, as UTF-8 text.
    void append(std::string_view utf8);

    // The next line, valid until the next call. A line cut off by silence
    // is returned with what it holds, so no character received is lost; an
    // empty line with `silent` means nothing more came.
    const ReadLine& readLine();

    // Characters received in this set: the number the status line shows
    // as "<n>Receiving".
    std::size_t received() const { return base_ + buffer_.size(); }
    // 1-based position of the next character not yet read: the number the
    // status line shows as "<n>Processing".
    std::size_t readPos() const { return base_ + pos_ + 1; }
    bool hasUnread() const { return pos_ < buffer_.size(); }

    // How many characters of work pass between two keepAlive() calls.
    static constexpr std::size_t kKeepAliveEvery = 4096;

  private:
    void consumed(std::size_t n);
    const ReadLine& take(bool silent);
    void compact();

    InputSource& source_;
    std::u32string buffer_; // the received text not yet dropped
    std::size_t base_ = 0;  // characters dropped from the front of buffer_
    std::size_t pos_ = 0;   // next character to read, within buffer_
    std::u32string partLine_;
    ReadLine line_;
    std::size_t sinceKeepAlive_ = 0;
};

} // namespace tz::logger
