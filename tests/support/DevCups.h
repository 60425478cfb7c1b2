#pragma once

#include "platform/PrintSystem.h"
#include "platform/linux/CupsPrintSystem.h"
#include "support/SkipOrFail.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>

// Points this process's libcups at the CUPS of dev/cups.sh in cupsDir, with the user's settings
// (the default printer) under home. libcups reads both once per process, so call it before the
// first use. Gives why that CUPS cannot be used, or nothing when it lists printerNeeded.
inline std::optional<std::string> UseDevCups(const std::filesystem::path& cupsDir,
                                             const std::filesystem::path& home,
                                             const std::string& printerNeeded = "Impressora_A") {
    ::setenv("CUPS_SERVER", (cupsDir / "cups.sock").c_str(), 1);
    ::setenv("HOME", home.c_str(), 1);
    try {
        const auto names = CupsPrintSystem().PrinterNames();
        if (std::find(names.begin(), names.end(), printerNeeded) == names.end()) {
            return "the CUPS of dev/cups.sh has no printer " + printerNeeded;
        }
    } catch (const PrintSystemError& error) {
        return std::string("CUPS cannot be reached (dev/cups.sh start): ") + error.what();
    }
    return std::nullopt;
}
