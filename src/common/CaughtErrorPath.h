#pragma once

#include "common/ExceptionMessage.h"
#include "common/Notices.h"
#include "common/PollTimer.h"

#include <string>

// The path every catching handler (the poll tick and the two clearing commands) takes after a
// failure: write the error log, re-enable the poll timer, show an error notice. A failure to write
// the log does not stop the rest: the timer is still re-enabled, the notice still shown, and the
// log failure gets a notice of its own.
class CaughtErrorPath {
public:
    CaughtErrorPath(PollTimer& timer, Notices& errorNotices);

    void Follow(const std::string& caption, const std::string& message) noexcept;

    // Runs a handler's body; whatever it raises takes the path with the given notice caption.
    template <typename Body> void Run(const std::string& caption, Body&& body) noexcept;

private:
    PollTimer& m_timer;
    Notices& m_errorNotices;
};

template <typename Body>
void CaughtErrorPath::Run(const std::string& caption, Body&& body) noexcept {
    try {
        body();
    } catch (...) {
        Follow(caption, CurrentExceptionMessage());
    }
}
