// Small X11 requests the window tests need and xdotool lacks.
//   x11-test-tool close <window id>   asks a top-level window to close, as its frame's close box
//                                     does (a WM_DELETE_WINDOW message)
//   x11-test-tool tray-ready          succeeds when a notification area owns the system tray
#include <X11/Xlib.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

int CloseWindow(Display* display, const char* id) {
    const Window window = std::strtoul(id, nullptr, 0);
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    if (XSendEvent(display, window, False, NoEventMask, &event) == 0) {
        std::fprintf(stderr, "cannot send to window %s\n", id);
        return 1;
    }
    XSync(display, False);
    return 0;
}

int TrayReady(Display* display) {
    const Atom tray = XInternAtom(display, "_NET_SYSTEM_TRAY_S0", False);
    return XGetSelectionOwner(display, tray) != None ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    const std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr), XCloseDisplay);
    if (!display) {
        std::fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "close") == 0) {
        return CloseWindow(display.get(), argv[2]);
    }
    if (argc == 2 && std::strcmp(argv[1], "tray-ready") == 0) {
        return TrayReady(display.get());
    }
    std::fprintf(stderr, "usage: %s close <window id> | tray-ready\n", argv[0]);
    return 2;
}
