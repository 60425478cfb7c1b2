#pragma once

#include "common/MessageBoxes.h"

// The operator's message boxes as QMessageBox, each titled with the application display name.
class QtMessageBoxes : public MessageBoxes {
public:
    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
};
