#pragma once

#include "platform/GuidGenerator.h"

// Fresh random identifiers from libuuid.
class LibuuidGuidGenerator : public GuidGenerator {
public:
    std::optional<Bytes> Generate() override;
};
