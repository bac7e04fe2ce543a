#pragma once
#include <string>

namespace tz {

class FileDialog {
  public:
    virtual ~FileDialog() = default;
    // Run a file-open dialog with a filter "Description|pattern"; returns
    // the chosen path, or "" when the operator cancels.
    virtual std::string open(const std::string& filter) = 0;
    // Choose the document a transfer writes: a name that does not exist
    // yet is taken, an existing one without a question (its rows are kept
    // as a dated copy). Starts in the folder of `current`, the document
    // shown, with its name filled in. "" on cancel.
    virtual std::string chooseDocument(const std::string& filter, const std::string& current) = 0;
};

} // namespace tz
