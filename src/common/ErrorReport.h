#pragma once

#include "common/MessageBoxes.h"

#include <exception>
#include <string>
#include <string_view>

// The application's default error report: where every error that no handler catches ends.
// Shows the error's text in the error box; the agent then goes on with its message loop.

// The text shown: the message with a full stop appended when its last character's code is above
// that of the full stop (so "Falhou" gets one and "Falhou!" or "Falhou." do not).
std::string DefaultErrorReportText(std::string_view message);

// Shows the report for the exception currently being handled (call inside a catch block).
void ReportCurrentException(MessageBoxes& boxes) noexcept;

// Runs an event handler's body so that no exception leaves it: whatever escapes the body is shown
// in the default error report.
template <typename Body> void RunReportingErrors(MessageBoxes& boxes, Body&& body) noexcept {
    try {
        body();
    } catch (...) {
        ReportCurrentException(boxes);
    }
}
