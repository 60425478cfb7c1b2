#include "common/GuidText.h"

#include "platform/linux/LibuuidGuidGenerator.h"

#include <gtest/gtest.h>
#include <regex>
#include <set>

namespace {

class FixedGuidGenerator : public GuidGenerator {
public:
    explicit FixedGuidGenerator(std::optional<Bytes> bytes) : m_bytes(bytes) {}
    std::optional<Bytes> Generate() override { return m_bytes; }

private:
    std::optional<Bytes> m_bytes;
};

TEST(GerarGUID, FormatsBytesInRegistryFormUpperCase) {
    FixedGuidGenerator generator(GuidGenerator::Bytes{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66,
                                                      0x77, 0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd,
                                                      0xee, 0xff});
    EXPECT_EQ(GerarGUID(generator), "{00112233-4455-6677-8899-AABBCCDDEEFF}");
}

TEST(GerarGUID, GeneratorFailureGivesEmptyText) {
    FixedGuidGenerator generator(std::nullopt);
    EXPECT_EQ(GerarGUID(generator), "");
}

TEST(GerarGUID, LibuuidGivesFreshWellFormedIdentifiers) {
    LibuuidGuidGenerator generator;
    const std::regex shape(R"(\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\})");
    std::set<std::string> seen;
    for (int i = 0; i < 1000; ++i) {
        const std::string guid = GerarGUID(generator);
        ASSERT_EQ(guid.size(), 38u);
        ASSERT_TRUE(std::regex_match(guid, shape)) << guid;
        seen.insert(guid);
    }
    EXPECT_EQ(seen.size(), 1000u);
}

} // namespace
