#pragma once

#include <string>

// Asks top-level windows of the desktop to close.
class WindowCloser {
public:
    virtual ~WindowCloser() = default;

    // Posts a close request to a top-level window titled exactly `title`, without waiting for it
    // to close. False when there is no such window (or no desktop at all).
    virtual bool RequestClose(const std::string& title) = 0;
};
