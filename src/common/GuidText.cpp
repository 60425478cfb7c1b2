#include "common/GuidText.h"

std::string GerarGUID(GuidGenerator& generator) {
    const auto bytes = generator.Generate();
    return bytes ? GuidRegistryText(*bytes) : std::string();
}

std::string GuidRegistryText(const GuidGenerator::Bytes& bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text = "{";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text.push_back('-');
        }
        text.push_back(kHex[bytes[i] >> 4]);
        text.push_back(kHex[bytes[i] & 0x0F]);
    }
    text.push_back('}');
    return text;
}
