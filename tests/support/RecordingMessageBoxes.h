#pragma once

#include "common/MessageBoxes.h"

#include <functional>
#include <string>
#include <vector>

// Records every box in the order shown; "error: " marks the default error report.
class RecordingMessageBoxes : public MessageBoxes {
public:
    void ShowMessage(const std::string& text) override {
        shown.push_back(text);
        if (onShow) {
            onShow(text);
        }
    }
    void ShowError(const std::string& text) override {
        shown.push_back("error: " + text);
        if (onShow) {
            onShow(text);
        }
    }

    std::vector<std::string> shown;
    // Runs while the box would be open, as a nested loop would let other handlers run.
    std::function<void(const std::string&)> onShow;
};
