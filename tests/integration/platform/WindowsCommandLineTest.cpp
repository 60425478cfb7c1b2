#include "platform/linux/WindowsCommandLine.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase {
    const char* name;
    const char* line;
    std::vector<std::string> expected;
};

// The rows follow the Microsoft C runtime's argv parsing, including the examples of its
// documentation ("Parsing C command-line arguments").
const SplitCase kCases[] = {
    {"SumatraLine",
     R"(-print-to-default -print-settings "noscale" "/tmp/a b/c.pdf")",
     {"-print-to-default", "-print-settings", "noscale", "/tmp/a b/c.pdf"}},
    {"WindowsPathWithBlanks",
     R"(-print-to-default "C:\Servidor de impressão\PDF\{A1}.pdf")",
     {"-print-to-default", R"(C:\Servidor de impressão\PDF\{A1}.pdf)"}},
    {"Empty", "", {}},
    {"OnlyBlanks", " \t  ", {}},
    {"BlanksAndTabsSeparate", "  a\tb   c  ", {"a", "b", "c"}},
    {"NewlineIsNotABlank", "a\nb", {"a\nb"}},
    {"EmptyQuotedArgument", R"(a "" b)", {"a", "", "b"}},
    {"LoneQuoteRunsToTheEnd", R"(a "b c)", {"a", "b c"}},
    {"QuotedPartInsideAnArgument", R"(x"y z"w)", {"xy zw"}},
    {"DocsQuotedThenPlain", R"("abc" d e)", {"abc", "d", "e"}},
    {"DocsEscapedQuote", R"(a\"b c d)", {"a\"b", "c", "d"}},
    {"DocsTwoBackslashesThenQuote", R"(a\\\"b c d)", {R"(a\"b)", "c", "d"}},
    {"DocsEvenBackslashesOpenQuote", R"(a\\\\"b c" d e)", {R"(a\\b c)", "d", "e"}},
    {"DocsDoubledQuoteInsideQuotes", R"(a"b"" c d)", {R"(ab" c d)"}},
    {"BackslashesNotBeforeQuoteAreLiteral",
     R"(C:\dir\ \\server\share)",
     {R"(C:\dir\)", R"(\\server\share)"}},
    {"TrailingBackslashInsideQuotes", R"("C:\dir\\" next)", {R"(C:\dir\)", "next"}},
    {"OddBackslashesKeepQuotedPartOpen", R"("a\" b" c)", {R"(a" b)", "c"}},
    {"DoubledQuoteOutsideQuotesIsEmpty", R"(a""b)", {"ab"}},
    {"TripleQuoteOutside", R"("""a b""")", {R"("a b")"}},
    {"TrailingBackslashes", R"(a\\)", {R"(a\\)"}},
};

class SplitWindowsCommandLineTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitWindowsCommandLineTest, GivesTheCRuntimeArguments) {
    EXPECT_EQ(SplitWindowsCommandLine(GetParam().line), GetParam().expected)
        << "line: [" << GetParam().line << "]";
}

INSTANTIATE_TEST_SUITE_P(Rows, SplitWindowsCommandLineTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<SplitCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
