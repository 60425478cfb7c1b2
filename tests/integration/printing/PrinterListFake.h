#pragma once

#include "platform/PrintSystem.h"

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// A print system that only lists printers: the given names, or the given refusal. Each listing is
// counted and `onList` sees the world at that moment.
class PrinterListFake : public PrintSystem {
public:
    std::vector<std::string> PrinterNames() const override {
        ++listings;
        if (onList) {
            onList();
        }
        if (refusal) {
            throw PrintSystemError(*refusal);
        }
        return names;
    }
    std::string DefaultPrinter() const override { return {}; }
    void SetDefaultPrinter(const std::string&) override {
        throw std::logic_error("the registry never changes the default printer");
    }
    void PrintFile(const std::string&) override {
        throw std::logic_error("the registry never prints");
    }

    std::vector<std::string> names;
    std::optional<std::string> refusal;
    std::function<void()> onList;
    mutable int listings = 0;
};
