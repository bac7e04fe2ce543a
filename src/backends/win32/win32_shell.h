#pragma once
// The desktop shell and top-level window lookup on Windows. Text crosses
// into Windows in the ANSI code page, as the "A" functions expect.
#include "platform/shell.h"

#include <string>

namespace tz::win32 {

class Win32Shell : public Shell {
  public:
    // FindWindowA: any window class, the whole title (Windows compares it
    // without regard to case).
    bool findWindow(const std::string& title) override;
    // ShellExecuteExA "open", keeping and then closing the started process's
    // handle; does not wait for the program to come up. Throws when Windows
    // reports that it could not open the document.
    void openDocument(const std::string& path, WindowHandle owner) override;
    // The visible top-level window titled `title`, or else the first one
    // whose title begins with it, in the order of the desktop's windows.
    void activate(const std::string& title) override;
};

// The text Windows gives for a system error code, in UTF-8, without the
// trailing line end.
std::string systemMessage(unsigned long code);

} // namespace tz::win32
