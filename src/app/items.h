#pragma once
// The item syntax of Twell.ini and Twenv.dat: comma-separated items, one or
// several to a line, texts optionally between double quotes.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace tz {

class ItemReader {
  public:
    // Items of `utf8`, already converted from the system code page.
    explicit ItemReader(std::string utf8) : text_(std::move(utf8)) {}

    // The whole file, converted from the system code page. Throws
    // FileNotFound (53) when it does not exist, Other when it exists but
    // cannot be opened or read.
    static ItemReader fromFile(const std::string& path);

    // True when nothing at all is left, not even a blank line.
    bool atEnd() const { return pos_ >= text_.size(); }

    // The next item as text. Throws InputPastEnd (62) at the end.
    std::string readText();
    // The next item as a 16-bit signed number. Throws InputPastEnd (62) at
    // the end, Other for anything that is not such a number.
    int readInt16();

  private:
    bool atLineEnd() const;
    void skipDelimiter();

    std::string text_;
    std::size_t pos_ = 0;
};

// A text item as the files hold it: between double quotes, unchanged.
std::string quotedItem(std::string_view value);

} // namespace tz
