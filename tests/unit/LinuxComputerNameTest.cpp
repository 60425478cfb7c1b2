#include "platform/linux/LinuxComputerName.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

TEST(LinuxComputerName, TakesFirstLabelUpperCaseCutToFifteen) {
    struct Case {
        const char* host;
        const char* name;
    };
    const Case cases[] = {
        {"caixa-01", "CAIXA-01"},
        {"estoque.loja.example.com", "ESTOQUE"},
        {"a-very-long-workstation-name", "A-VERY-LONG-WOR"},
        {"exactly15chars_", "EXACTLY15CHARS_"},
        {"MiXeD9", "MIXED9"},
        {".starts-with-dot", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host);
        EXPECT_EQ(LinuxComputerName::FromHostName(c.host), c.name);
    }
}

TEST(LinuxComputerName, ReadsThisHostsName) {
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    const auto name = LinuxComputerName().Read();
    ASSERT_TRUE(name.has_value());
    EXPECT_EQ(*name, LinuxComputerName::FromHostName(host));
    EXPECT_LE(name->size(), 15u);
}

} // namespace
