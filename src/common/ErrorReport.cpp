#include "common/ErrorReport.h"

#include "common/ExceptionMessage.h"

#include <cstdio>

std::string DefaultErrorReportText(std::string_view message) {
    std::string text(message);
    // Any byte of a multi-byte UTF-8 character is >= 0x80, and so is the character's code.
    if (!text.empty() &&
        static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
        text.push_back('.');
    }
    return text;
}

void ReportCurrentException(MessageBoxes& boxes) noexcept {
    const std::string message = CurrentExceptionMessage();
    try {
        boxes.ShowError(DefaultErrorReportText(message));
    } catch (...) {
        // The box itself failed; the message must not be lost, and nothing may reach the loop.
        std::fprintf(stderr, "%s\n", message.c_str());
    }
}
