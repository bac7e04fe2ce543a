#pragma once
// A scratch folder for one test, removed afterwards, and whole-file reads
// and writes for checking what the program left on disk.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace tz::test {

class TempDir {
  public:
    // `inMemory` prefers a memory file system where there is one: a test
    // that writes many CSV rows syncs each to the disk.
    explicit TempDir(const std::string& prefix = "tz", bool inMemory = false) {
        namespace fs = std::filesystem;
        const fs::path base = inMemory && fs::is_directory("/dev/shm") ? fs::path("/dev/shm")
                                                                       : fs::temp_directory_path();
        static int serial = 0;
        path_ = base / (prefix + "-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// The whole file as bytes; "" when it cannot be read.
inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The lines of the file at `path`, each ended by CR LF as the program writes
// them; a last piece without one is kept as "<no CR LF>" and the piece.
inline std::vector<std::string> crlfLines(const std::string& path) {
    const std::string all = readFile(path);
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < all.size()) {
        const std::size_t end = all.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back("<no CR LF>" + all.substr(at));
            break;
        }
        lines.push_back(all.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// The file's lines without their LF.
inline std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

} // namespace tz::test
