#include "platform/linux/X11WindowCloser.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <type_traits>
#include <vector>

namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

struct XFreeDeleter {
    void operator()(void* data) const { XFree(data); }
};
template <typename T> using XPtr = std::unique_ptr<T, XFreeDeleter>;

// A window may vanish while it is being looked at; Xlib's default handler would then end the
// process. This one ignores the error for as long as it is installed.
int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

class ScopedErrorHandler {
public:
    ScopedErrorHandler() : m_previous(XSetErrorHandler(IgnoreXError)) {}
    ScopedErrorHandler(const ScopedErrorHandler&) = delete;
    ScopedErrorHandler& operator=(const ScopedErrorHandler&) = delete;
    ~ScopedErrorHandler() { XSetErrorHandler(m_previous); }

private:
    XErrorHandler m_previous;
};

// A property's raw items of the given type and format; empty when absent or of another type.
template <typename T>
std::vector<T> ReadProperty(Display* display, Window window, Atom property, Atom type, int format) {
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* raw = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 65536, False, type, &actualType,
                           &actualFormat, &count, &remaining, &raw) != Success) {
        return {};
    }
    const XPtr<unsigned char> owned(raw);
    if (raw == nullptr || actualType != type || actualFormat != format) {
        return {};
    }
    // Format 32 items are longs in Xlib's memory, whatever their size on the wire.
    using Item = std::conditional_t<sizeof(T) == 1, unsigned char, long>;
    const Item* items = reinterpret_cast<const Item*>(raw);
    return std::vector<T>(items, items + count);
}

std::string Latin1ToUtf8(std::string_view text) {
    std::string utf8;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
}

// WM_NAME in UTF-8, from whichever encoding the client used.
std::optional<std::string> WmName(Display* display, Window window, Atom utf8String) {
    XTextProperty property{};
    if (XGetWMName(display, window, &property) == 0 || property.value == nullptr) {
        return std::nullopt;
    }
    const XPtr<unsigned char> value(property.value);
    const std::string_view raw(reinterpret_cast<const char*>(property.value), property.nitems);
    if (property.format != 8) {
        return std::nullopt;
    }
    if (property.encoding == XA_STRING) {
        return Latin1ToUtf8(raw);
    }
    if (property.encoding == utf8String) {
        return std::string(raw);
    }
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(display, &property, &list, &count) < Success ||
        list == nullptr) {
        return std::nullopt;
    }
    std::string text = count > 0 && list[0] != nullptr ? list[0] : "";
    XFreeStringList(list);
    return text;
}

class WindowSearch {
public:
    explicit WindowSearch(Display* display)
        : m_display(display), m_root(DefaultRootWindow(display)),
          m_utf8String(XInternAtom(display, "UTF8_STRING", False)),
          m_netWmName(XInternAtom(display, "_NET_WM_NAME", False)),
          m_wmState(XInternAtom(display, "WM_STATE", False)) {}

    // The topmost top-level window titled exactly `title`.
    std::optional<Window> Find(const std::string& title) const {
        return FindBelow(m_root, title, true);
    }

private:
    std::optional<Window> FindBelow(Window parent, const std::string& title,
                                    bool parentIsRoot) const {
        Window root = None;
        Window ignored = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(m_display, parent, &root, &ignored, &children, &count) == 0) {
            return std::nullopt;
        }
        const XPtr<Window> owned(children);
        // XQueryTree lists children bottom to top; the topmost match wins, as on Windows.
        for (unsigned int i = count; i-- > 0;) {
            const Window child = children[i];
            if ((parentIsRoot || IsClientWindow(child)) && HasTitle(child, title)) {
                return child;
            }
            if (const std::optional<Window> found = FindBelow(child, title, false)) {
                return found;
            }
        }
        return std::nullopt;
    }

    bool IsClientWindow(Window window) const {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* raw = nullptr;
        const bool read =
            XGetWindowProperty(m_display, window, m_wmState, 0, 0, False, AnyPropertyType, &type,
                               &format, &count, &remaining, &raw) == Success;
        const XPtr<unsigned char> owned(raw);
        return read && type != None;
    }

    bool HasTitle(Window window, const std::string& title) const {
        const std::vector<char> netName =
            ReadProperty<char>(m_display, window, m_netWmName, m_utf8String, 8);
        if (!netName.empty() && std::string(netName.begin(), netName.end()) == title) {
            return true;
        }
        const std::optional<std::string> name = WmName(m_display, window, m_utf8String);
        return name && *name == title;
    }

    Display* m_display;
    Window m_root;
    Atom m_utf8String;
    Atom m_netWmName;
    Atom m_wmState;
};

// True when a window manager runs and says it takes _NET_CLOSE_WINDOW requests.
bool WindowManagerCloses(Display* display, Atom netCloseWindow) {
    const Window root = DefaultRootWindow(display);
    const std::vector<long> check = ReadProperty<long>(
        display, root, XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False), XA_WINDOW, 32);
    if (check.empty()) {
        return false;
    }
    const std::vector<long> supported = ReadProperty<long>(
        display, root, XInternAtom(display, "_NET_SUPPORTED", False), XA_ATOM, 32);
    for (const long atom : supported) {
        if (static_cast<Atom>(atom) == netCloseWindow) {
            return true;
        }
    }
    return false;
}

} // namespace

bool X11WindowCloser::RequestClose(const std::string& title) {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        return false;
    }
    const DisplayPtr display(XOpenDisplay(name));
    if (!display) {
        return false;
    }
    const ScopedErrorHandler errors;
    const std::optional<Window> window = WindowSearch(display.get()).Find(title);
    if (!window) {
        return false;
    }

    const Window root = DefaultRootWindow(display.get());
    const Atom netCloseWindow = XInternAtom(display.get(), "_NET_CLOSE_WINDOW", False);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = *window;
    event.xclient.format = 32;
    if (WindowManagerCloses(display.get(), netCloseWindow)) {
        event.xclient.message_type = netCloseWindow;
        event.xclient.data.l[0] = CurrentTime;
        event.xclient.data.l[1] = 2; // source: a pager or similar tool acting for the user
        XSendEvent(display.get(), root, False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
    } else {
        event.xclient.message_type = XInternAtom(display.get(), "WM_PROTOCOLS", False);
        event.xclient.data.l[0] =
            static_cast<long>(XInternAtom(display.get(), "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display.get(), *window, False, NoEventMask, &event);
    }
    // Deliver before the display closes; XSync also collects errors for the handler above.
    XSync(display.get(), False);
    return true;
}
