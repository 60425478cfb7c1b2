#include "common/SoNumeros.h"

#include <gtest/gtest.h>

namespace {

struct SoNumerosCase {
    const char* name;
    std::string input;
    std::string expected;
};

TEST(SoNumeros, KeepsAsciiDigitsInOrderOrGivesZero) {
    const SoNumerosCase cases[] = {
        {"masked entry with 14 digits", "12.345.678/0001-90", "12345678000190"},
        {"leading zeros survive", "00.123.456/0001-00", "00123456000100"},
        {"letters and digits", "a1b2", "12"},
        {"empty text", "", "0"},
        {"letters only", "abc", "0"},
        {"single zero", "0", "0"},
        {"empty mask", "  .   .   /    -  ", "0"},
        {"partly filled mask", "12.3  .   /    -  ", "123"},
        {"full-width digits", "\xEF\xBC\x91\xEF\xBC\x92", "0"},   // U+FF11 U+FF12
        {"Arabic-Indic digits", "\xD9\xA1\xD9\xA2\xD9\xA3", "0"}, // U+0661..U+0663
        {"accented letters around digits", "ã7ç8", "78"},
        {"control and NUL bytes",
         std::string("1\0"
                     "2\t3",
                     5),
         "123"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SoNumeros(c.input), c.expected);
    }
}

TEST(SoNumeros, FourteenDigitRuleOnlyPassesExactlyFourteen) {
    EXPECT_EQ(SoNumeros("12.345.678/0001-9 ").size(), 13u);
    EXPECT_EQ(SoNumeros("12.345.678/0001-90").size(), 14u);
    EXPECT_EQ(SoNumeros("12.345.678/0001-901").size(), 15u);
    EXPECT_EQ(SoNumeros("").size(), 1u);
}

} // namespace
