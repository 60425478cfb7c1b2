#include "common/CaughtErrorPath.h"

#include "common/ErrorLog.h"
#include "common/MessageTexts.h"

#include <cstdio>

CaughtErrorPath::CaughtErrorPath(PollTimer& timer, Notices& errorNotices)
    : m_timer(timer), m_errorNotices(errorNotices) {}

void CaughtErrorPath::Follow(const std::string& caption, const std::string& message) noexcept {
    std::string logFailure;
    try {
        RegistrarErro(message);
    } catch (...) {
        logFailure = CurrentExceptionMessage();
    }
    m_timer.SetEnabled(true);
    try {
        m_errorNotices.Show(caption, message);
        if (!logFailure.empty()) {
            m_errorNotices.Show(texts::kErrorLogFailedCaption, logFailure);
        }
    } catch (...) {
        // Nothing may leave a handler; the console is the last place left to tell.
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), message.c_str());
    }
}
