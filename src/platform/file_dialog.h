#pragma once
#include <string>

namespace tz {

class FileDialog {
  public:
    virtual ~FileDialog() = default;
    // Run a file-open dialog with a filter "Description|pattern"; returns
    // the chosen path, or "" when the operator cancels.
    virtual std::string open(const std::string& filter) = 0;
};

} // namespace tz
