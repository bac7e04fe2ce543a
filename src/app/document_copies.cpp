#include "app/document_copies.h"

#include "platform/failure.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace tz {

namespace {

fs::path nativePath(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8(const fs::path& p) {
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

constexpr std::size_t kStampLength = 19; // 2026-12-08T06-03-00

std::string stamp(std::time_t at) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &at);
#else
    localtime_r(&at, &local);
#endif
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H-%M-%S", &local);
    return buf;
}

bool isStamp(const std::string& s) {
    if (s.size() != kStampLength) return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const bool digit = s[i] >= '0' && s[i] <= '9';
        const char sep = i == 4 || i == 7 ? '-' : i == 10 ? 'T' : i == 13 || i == 16 ? '-' : 0;
        if (sep ? s[i] != sep : !digit) return false;
    }
    return true;
}

// Copies of `document` in its folder, oldest first. Their names sort in
// time order: the stamp runs from the year down, and a second copy of the
// same second carries "_2" behind it, which sorts after the plain one.
std::vector<fs::path> copiesOf(const fs::path& document) {
    const std::string stem = utf8(document.stem()) + ".";
    const std::string ext = utf8(document.extension());
    std::vector<std::pair<std::string, fs::path>> found;
    std::error_code ec;
    const fs::path folder = document.has_parent_path() ? document.parent_path() : fs::path(".");
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = utf8(entry.path().filename());
        if (name.size() < stem.size() + kStampLength + ext.size() || name.rfind(stem, 0) != 0 ||
            name.compare(name.size() - ext.size(), ext.size(), ext) != 0)
            continue;
        const std::string middle = name.substr(stem.size(), name.size() - stem.size() - ext.size());
        const std::string tail = middle.substr(std::min(middle.size(), kStampLength));
        const bool numbered = tail.size() > 1 && tail[0] == '_' &&
                              tail.find_first_not_of("0123456789", 1) == std::string::npos;
        if (!isStamp(middle.substr(0, kStampLength)) || !(tail.empty() || numbered)) continue;
        // "_10" after "_9": the number counts, not its text.
        std::string key = middle.substr(0, kStampLength);
        key += numbered ? std::string(8 - std::min<std::size_t>(8, tail.size() - 1), '0') +
                              tail.substr(1)
                        : std::string(8, '0');
        found.emplace_back(key, entry.path());
    }
    std::sort(found.begin(), found.end());
    std::vector<fs::path> copies;
    for (auto& f : found)
        copies.push_back(std::move(f.second));
    return copies;
}

} // namespace

std::string datedCopyName(const std::string& path, std::time_t replacedAt) {
    const fs::path p = nativePath(path);
    fs::path copy = p;
    copy.replace_filename(utf8(p.stem()) + "." + stamp(replacedAt) + utf8(p.extension()));
    return utf8(copy);
}

std::string backUpFile(const std::string& path, std::time_t replacedAt) {
    std::error_code ec;
    if (!fs::is_regular_file(nativePath(path), ec)) return {};
    const std::string first = datedCopyName(path, replacedAt);
    std::string copy = first;
    // Two starts within one second: the second copy gets a number.
    for (int n = 2; fs::exists(fs::symlink_status(nativePath(copy), ec)); ++n) {
        const fs::path f = nativePath(first);
        copy = utf8(f.parent_path() /
                    (utf8(f.stem()) + "_" + std::to_string(n) + utf8(f.extension())));
    }
    fs::rename(nativePath(path), nativePath(copy), ec);
    if (ec)
        throw Failure(FailureCode::Other, "The previous document " + path +
                                              " could not be kept as " + copy + ": " +
                                              ec.message());
    // Only the copies beyond the last 20 go, oldest first; one that cannot
    // be removed stays and costs nothing but room.
    const std::vector<fs::path> copies = copiesOf(nativePath(path));
    for (std::size_t i = 0; i + kKeptCopies < copies.size(); ++i)
        fs::remove(copies[i], ec);
    return copy;
}

bool restoreBackup(const std::string& copy, const std::string& path) noexcept {
    if (copy.empty()) return false;
    std::error_code ec;
    // What the start made holds no row; Windows renames over no file.
    fs::remove(nativePath(path), ec);
    fs::rename(nativePath(copy), nativePath(path), ec);
    return !ec;
}

} // namespace tz
