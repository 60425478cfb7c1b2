#pragma once

#include <string>

// Modal boxes titled with the application title. Each call returns when the operator closes the
// box; the event loop keeps running meanwhile, so enabled timers still tick.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;

    // A box with the text, no icon and a single OK button.
    virtual void ShowMessage(const std::string& text) = 0;

    // The application's default error report: the text with the error icon and an OK button.
    // The caller has already formatted the text (see ErrorReport.h).
    virtual void ShowError(const std::string& text) = 0;
};
