#pragma once

#include <array>
#include <cstdint>
#include <optional>

// A source of fresh 128-bit identifiers, in RFC 4122 byte order (the text form's order).
class GuidGenerator {
public:
    using Bytes = std::array<std::uint8_t, 16>;

    virtual ~GuidGenerator() = default;

    // Empty when the generator fails.
    virtual std::optional<Bytes> Generate() = 0;
};
