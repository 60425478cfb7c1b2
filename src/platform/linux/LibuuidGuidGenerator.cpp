#include "platform/linux/LibuuidGuidGenerator.h"

#include <algorithm>
#include <uuid/uuid.h>

std::optional<GuidGenerator::Bytes> LibuuidGuidGenerator::Generate() {
    uuid_t uuid;
    uuid_generate_random(uuid);
    Bytes bytes{};
    std::copy(std::begin(uuid), std::end(uuid), bytes.begin());
    // libuuid has no failure result; an all-zero identifier is the one thing it must never give.
    if (std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; })) {
        return std::nullopt;
    }
    return bytes;
}
