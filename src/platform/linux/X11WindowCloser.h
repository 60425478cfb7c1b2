#pragma once

#include "platform/WindowCloser.h"

// Closes windows of the X display named by $DISPLAY. A top-level window is a child of the root
// window or, under a window manager that reparents, a client window below its frame (one with
// WM_STATE); its title is _NET_WM_NAME or WM_NAME. The topmost match gets the request: through
// the window manager (_NET_CLOSE_WINDOW) when one supports it, else a WM_DELETE_WINDOW message
// of its own, which is what a window manager sends when the user clicks the close button.
class X11WindowCloser : public WindowCloser {
public:
    // False also without $DISPLAY or when the display cannot be opened.
    bool RequestClose(const std::string& title) override;
};
