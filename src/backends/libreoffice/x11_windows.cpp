#include "backends/libreoffice/x11_windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace tz::calc {

namespace {

// Windows come and go while we look at them: a vanished window must cost a
// failed lookup, not Xlib's default handler, which ends the process.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

class Connection {
  public:
    Connection() {
        const char* name = std::getenv("DISPLAY");
        if (!name || !*name) return;
        display_ = XOpenDisplay(name);
        if (display_) previous_ = XSetErrorHandler(ignoreXError);
    }
    ~Connection() {
        if (!display_) return;
        XSync(display_, False);
        XSetErrorHandler(previous_);
        XCloseDisplay(display_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Display* get() const { return display_; }
    explicit operator bool() const { return display_ != nullptr; }

  private:
    Display* display_ = nullptr;
    XErrorHandler previous_ = nullptr;
};

struct XFreeDeleter {
    void operator()(void* p) const {
        if (p) XFree(p);
    }
};

using XData = std::unique_ptr<unsigned char, XFreeDeleter>;

// The property `name` of window `w` when it has type `type` and items of
// `format` bits; null otherwise. `count` receives the number of items.
XData property(Display* d, Window w, const char* name, Atom type, int format,
               unsigned long& count) {
    const Atom prop = XInternAtom(d, name, True);
    if (prop == None || type == None) return nullptr;
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long rest = 0;
    unsigned char* raw = nullptr;
    if (XGetWindowProperty(d, w, prop, 0, 1L << 20, False, type, &actualType, &actualFormat, &count,
                           &rest, &raw) != Success)
        return nullptr;
    XData data(raw);
    if (actualType != type || actualFormat != format) return nullptr;
    return data;
}

std::vector<Window> windowListProperty(Display* d, Window w, const char* name) {
    unsigned long count = 0;
    const XData data = property(d, w, name, XA_WINDOW, 32, count);
    if (!data) return {};
    const auto* ids = reinterpret_cast<const unsigned long*>(data.get()); // format 32 is long
    return std::vector<Window>(ids, ids + count);
}

std::string utf8Property(Display* d, Window w, const char* name) {
    unsigned long count = 0;
    const XData data = property(d, w, name, XInternAtom(d, "UTF8_STRING", True), 8, count);
    if (!data) return {};
    return std::string(reinterpret_cast<const char*>(data.get()), count);
}

std::string legacyName(Display* d, Window w) {
    XTextProperty prop{};
    if (!XGetWMName(d, w, &prop) || !prop.value) return {};
    const XData value(prop.value);
    char** list = nullptr;
    int n = 0;
    std::string title;
    if (Xutf8TextPropertyToTextList(d, &prop, &list, &n) >= Success && list) {
        if (n > 0 && list[0]) title = list[0];
        XFreeStringList(list);
    } else {
        title.assign(reinterpret_cast<const char*>(prop.value), prop.nitems);
    }
    return title;
}

std::string titleOf(Display* d, Window w) {
    std::string t = utf8Property(d, w, "_NET_WM_NAME");
    return t.empty() ? legacyName(d, w) : t;
}

std::vector<Window> children(Display* d, Window w) {
    Window root = 0, parent = 0, *kids = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(d, w, &root, &parent, &kids, &n)) return {};
    const std::unique_ptr<Window, XFreeDeleter> own(kids);
    return kids ? std::vector<Window>(kids, kids + n) : std::vector<Window>{};
}

std::vector<TopWindow> collect(Display* d) {
    const Window root = DefaultRootWindow(d);
    std::vector<Window> ids = windowListProperty(d, root, "_NET_CLIENT_LIST_STACKING");
    if (ids.empty()) ids = windowListProperty(d, root, "_NET_CLIENT_LIST");
    // Without a window manager the programs' windows are the root's
    // children; under one that frames them without telling, the clients sit
    // one level down.
    for (Window top : children(d, root)) {
        ids.push_back(top);
        for (Window inner : children(d, top))
            ids.push_back(inner);
    }
    std::vector<TopWindow> out;
    for (Window w : ids) {
        if (std::any_of(out.begin(), out.end(), [w](const TopWindow& t) { return t.id == w; }))
            continue;
        std::string title = titleOf(d, w);
        if (!title.empty()) out.push_back({w, std::move(title)});
    }
    return out;
}

void activate(Display* d, Window w) {
    const Window root = DefaultRootWindow(d);
    const Atom active = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = active;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = 2; // from a pager: window managers honour it
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XRaiseWindow(d, w);
    XSync(d, False);
}

} // namespace

std::vector<TopWindow> topLevelWindows() {
    Connection c;
    if (!c) return {};
    return collect(c.get());
}

bool displayAvailable() {
    return static_cast<bool>(Connection());
}

bool windowTitled(const std::string& title) {
    Connection c;
    if (!c) return false;
    const auto all = collect(c.get());
    return std::any_of(all.begin(), all.end(),
                       [&](const TopWindow& t) { return t.title == title; });
}

bool raiseWindow(const std::string& title) {
    Connection c;
    if (!c) return false;
    const auto all = collect(c.get());
    auto it =
        std::find_if(all.begin(), all.end(), [&](const TopWindow& t) { return t.title == title; });
    if (it == all.end())
        it = std::find_if(all.begin(), all.end(),
                          [&](const TopWindow& t) { return t.title.rfind(title, 0) == 0; });
    if (it == all.end()) return false;
    activate(c.get(), it->id);
    return true;
}

} // namespace tz::calc
