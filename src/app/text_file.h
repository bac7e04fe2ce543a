#pragma once
// Plain text files in the system code page with CR LF line ends. Each
// failure is raised as a Failure: FileNotFound when the file or its folder
// does not exist, Other with a description naming the file otherwise.
#include <cstdio>
#include <string>

namespace tz {

class TextFileWriter {
  public:
    TextFileWriter() = default;
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Create or replace the file. With `durable`, every line is pushed to
    // the disk as it is written, so a pulled plug loses no complete line.
    void open(const std::string& path, bool durable = false);
    // Write the line and CR LF, and flush it out of the process at once.
    void writeLine(const std::string& utf8);
    void close() noexcept;
    bool isOpen() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }

  private:
    std::FILE* file_ = nullptr;
    std::string path_;
    bool durable_ = false;
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
