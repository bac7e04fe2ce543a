#include "app/items.h"

#include "app/text.h"
#include "platform/failure.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace tz {

namespace {

std::FILE* openForReading(const std::string& path) {
#ifdef _WIN32
    const std::filesystem::path native(std::u8string(path.begin(), path.end()));
    return _wfopen(native.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

ItemReader ItemReader::fromFile(const std::string& path) {
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openForReading(path), &std::fclose);
    if (!file) {
        const int err = errno;
        if (err == ENOENT) throw Failure(FailureCode::FileNotFound, "File not found: " + path);
        throw Failure(FailureCode::Other, path + ": " + std::strerror(err ? err : EIO));
    }
    std::string bytes;
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;)
        bytes.append(chunk, got);
    // A folder opens on some systems and only fails when read.
    if (std::ferror(file.get()))
        throw Failure(FailureCode::Other, path + ": " + std::strerror(errno ? errno : EIO));
    // Notepad and its kin save in the code page, in UTF-8 or in UTF-8 with
    // a byte order mark (which would otherwise glue itself to the first
    // item and hide its quotes).
    return ItemReader(text::fromAnyEditor(bytes));
}

bool ItemReader::atLineEnd() const {
    return pos_ >= text_.size() || text_[pos_] == '\r' || text_[pos_] == '\n';
}

void ItemReader::skipDelimiter() {
    if (pos_ >= text_.size()) return;
    if (text_[pos_] == ',') {
        ++pos_;
    } else if (text_[pos_] == '\r') {
        ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    } else if (text_[pos_] == '\n') {
        ++pos_;
    }
}

std::string ItemReader::readText() {
    if (atEnd()) throw Failure(FailureCode::InputPastEnd, "Input past end of file");
    while (pos_ < text_.size() && isBlank(text_[pos_]))
        ++pos_;

    std::string value;
    if (pos_ < text_.size() && text_[pos_] == '"') {
        const std::size_t start = ++pos_;
        // A missing closing quote ends the value at the line end, so one
        // damaged item cannot swallow the rest of the file.
        while (!atLineEnd() && text_[pos_] != '"')
            ++pos_;
        value = text_.substr(start, pos_ - start);
        if (!atLineEnd()) ++pos_;
        while (!atLineEnd() && text_[pos_] != ',')
            ++pos_;
    } else {
        const std::size_t start = pos_;
        while (!atLineEnd() && text_[pos_] != ',')
            ++pos_;
        value = text_.substr(start, pos_ - start);
    }
    skipDelimiter();
    return value;
}

int ItemReader::readInt16() {
    std::string item = readText();
    while (!item.empty() && isBlank(item.back()))
        item.pop_back();
    const char* first = item.data();
    const char* last = first + item.size();
    // from_chars takes a leading "-" but not "+", which matches the files.
    long value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (item.empty() || ec == std::errc::invalid_argument || end != last)
        throw Failure(FailureCode::Other, "Type mismatch");
    if (ec == std::errc::result_out_of_range || value < -32768 || value > 32767)
        throw Failure(FailureCode::Other, "Overflow");
    return static_cast<int>(value);
}

std::string quotedItem(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 2);
    out += '"';
    out += value;
    out += '"';
    return out;
}

} // namespace tz
