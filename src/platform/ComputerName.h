#pragma once

#include <optional>
#include <string>

// The name under which the server side addresses this computer's jobs: at most 15 characters.
class ComputerName {
public:
    virtual ~ComputerName() = default;

    // Empty when the platform cannot tell the name.
    virtual std::optional<std::string> Read() const = 0;
};
