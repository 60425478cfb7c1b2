#pragma once

#include "platform/ComputerName.h"

#include <string_view>

// The host name in the form Windows gives a computer name: the first label, upper case, at most
// 15 characters.
class LinuxComputerName : public ComputerName {
public:
    std::optional<std::string> Read() const override;

    // The computer-name form of a host name; empty when it has no first label.
    static std::string FromHostName(std::string_view hostName);
};
