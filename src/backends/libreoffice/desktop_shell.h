#pragma once
// The desktop on Linux: LibreOffice opens the documents, X11 knows the
// windows, xdg-open shows the help.
#include "platform/shell.h"

#include <string>

namespace tz::calc {

// "file:///..." for an absolute path (UTF-8): every byte but letters,
// digits, "-._~" and "/" percent-encoded, so that soffice reads the same
// name whatever the locale of the session ("#" and umlauts included).
std::string fileUrl(const std::string& absolutePath);

class DesktopShell : public Shell {
  public:
    bool findWindow(const std::string& title) override;
    // Hands the document to LibreOffice (a running instance takes it over),
    // asking it to accept connections on officePipeName().
    void openDocument(const std::string& path, WindowHandle owner) override;
    // Raises the window when the display shows one; does nothing otherwise,
    // because our own window need not be on X at all (offscreen, Wayland)
    // and a missed raise must not cost the transfer.
    void activate(const std::string& title) override;
    // Calc shows its window only once it has loaded the document; without
    // a display there is no window to wait for.
    bool documentWindowComesLater() override;
    // Ends the session the last launch started, if anything of it still
    // runs. A document handed to an office that ran before leaves that
    // session empty, so the operator's own office is never touched.
    void endLaunched() noexcept override;

  private:
    int launched_ = 0; // session of the last launch
};

} // namespace tz::calc
