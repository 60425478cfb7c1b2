#pragma once

#include "common/ApplicationControl.h"
#include "common/CnpjPrompt.h"
#include "platform/ComputerName.h"

#include <optional>
#include <string>

// A CNPJ dialog whose operator leaves `typed` in the entry, however the showing ends.
class ScriptedCnpjPrompt : public CnpjPrompt {
public:
    void SetEntryText(const std::string& text) override { entry = text; }
    std::string EntryText() const override { return entry; }
    void ShowModal() override {
        ++showings;
        entry = typed;
    }

    std::string typed = "  .   .   /    -  ";
    std::string entry = "  .   .   /    -  ";
    int showings = 0;
};

class FixedComputerName : public ComputerName {
public:
    std::optional<std::string> Read() const override { return name; }
    std::optional<std::string> name = "CAIXA-01";
};

class RecordingApplication : public ApplicationControl {
public:
    void Terminate() override { ++terminations; }
    bool Terminated() const override { return terminations > 0; }
    int terminations = 0;
};
