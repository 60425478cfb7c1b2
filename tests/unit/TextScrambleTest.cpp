#include "common/TextScramble.h"

#include <gtest/gtest.h>

namespace {

TEST(TextScramble, WorkedExamples) {
    struct Case {
        std::u16string plain;
        std::u16string scrambled;
    };
    const Case cases[] = {
        {u"bcd", u"cda"},
        {u"abcd", u"cdab"},
        {u"", u""},
        {u"a", u"`"},
        // The wrap within 16 bits: U+0000 at an odd position goes down to U+FFFF, U+FFFF at an
        // even one goes up to U+0000.
        {std::u16string{u'\xFFFF', u'\0'}, std::u16string{u'\xFFFF', u'\0'}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.plain.begin(), c.plain.end()));
        EXPECT_EQ(ScrambleText(c.plain), c.scrambled);
        EXPECT_EQ(UnscrambleText(c.scrambled), c.plain);
    }
}

TEST(TextScramble, RoundTripsEveryLengthAndExtremeCodeUnits) {
    const std::u16string pool = {u'\0',     u'\xFFFF', u'\xD83D', u'\xDE00', u'a',      u'Z',
                                 u'\x00E3', u'1',      u'\x7FFF', u'\x8000', u'\x0001', u'\xFFFE'};
    for (std::size_t length = 0; length <= pool.size(); ++length) {
        const std::u16string text = pool.substr(0, length);
        SCOPED_TRACE(length);
        const std::u16string scrambled = ScrambleText(text);
        EXPECT_EQ(scrambled.size(), text.size());
        if (!text.empty()) {
            EXPECT_NE(scrambled, text);
        }
        EXPECT_EQ(UnscrambleText(scrambled), text);
    }
}

} // namespace
