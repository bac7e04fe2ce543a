#pragma once
// Desktop shell and top-level window lookup.
#include <string>

namespace tz {

// Opaque native handle of a transfer window (HWND on Windows, 0 elsewhere).
using WindowHandle = unsigned long long;

class Shell {
  public:
    virtual ~Shell() = default;
    // Is there a top-level window with exactly this title?
    virtual bool findWindow(const std::string& title) = 0;
    // Open a document with the desktop's handler for its type, owned by
    // `owner`; does not wait for the handler to start.
    virtual void openDocument(const std::string& path, WindowHandle owner) = 0;
    // Bring to the front the window whose title is `title`, or else the
    // first one whose title begins with it. Throws a Failure when none.
    virtual void activate(const std::string& title) = 0;
    // Whether the program openDocument started shows the document's window
    // only some moments later, and findWindow can see it then. A window
    // activated before would end up underneath it.
    virtual bool documentWindowComesLater() { return false; }
    // End the processes the last openDocument started that still run: the
    // spreadsheet program never answered and is given up on.
    virtual void endLaunched() noexcept {}
};

} // namespace tz
