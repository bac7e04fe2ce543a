#pragma once
// Top-level windows of the X display, looked up by title. Without a
// display (no DISPLAY, or the server does not answer) there are none.
#include <string>
#include <vector>

namespace tz::calc {

struct TopWindow {
    unsigned long id = 0; // X window id
    std::string title;    // UTF-8
};

// The managed windows (the window manager's client list) and the
// children of the root window, each once, in stacking order as far as the
// server tells it.
std::vector<TopWindow> topLevelWindows();

bool windowTitled(const std::string& title);

// Whether an X display answers, so that windows can be looked up at all.
bool displayAvailable();

// Raise and focus the window titled `title`, or else the first whose
// title begins with it. False when there is no display or no such window.
bool raiseWindow(const std::string& title);

} // namespace tz::calc
