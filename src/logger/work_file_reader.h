#pragma once
// Reads the work file line by line in large blocks: every later set reads
// the whole document back, so a character-at-a-time reader would dominate
// the transfer. Lines end at CR or CR LF, which is not part of the line; a
// line feed alone is an ordinary character, as it is in the instrument's
// lines, so a line that holds one comes back whole and the rows of the
// document stay aligned with the sets beside them. The file is in the
// system code page.
#include <fstream>
#include <string>

namespace tz::logger {

class WorkFileReader {
  public:
    // Throws FileNotFound (53) when the file is missing, Other otherwise.
    void open(const std::string& path);
    bool isOpen() const { return open_; }
    bool atEnd();
    // The next line; "" at the end of the file.
    std::string readLine();
    // The same into `line`, whose room is reused.
    void readLine(std::string& line);
    void close() noexcept;

  private:
    bool fill();

    std::ifstream in_;
    std::string block_;
    std::size_t pos_ = 0;
    bool open_ = false;
};

} // namespace tz::logger
