#include "common/ErrorReport.h"

#include "support/RecordingMessageBoxes.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

TEST(DefaultErrorReportText, AppendsFullStopAfterCharactersAboveIt) {
    struct Case {
        const char* message;
        const char* shown;
    };
    const Case cases[] = {
        {"Unable to write to /x/App.ini", "Unable to write to /x/App.ini."},
        {"Falha 42", "Falha 42."},
        {"Ends with slash/", "Ends with slash/."},
        {"Already ends.", "Already ends."},
        {"Exclamation!", "Exclamation!"},
        {"Dash-", "Dash-"},
        {"Comma,", "Comma,"},
        {"Closing paren)", "Closing paren)"},
        {"Trailing blank ", "Trailing blank "},
        {"Conexão perdida: não", "Conexão perdida: não."},
        {"Ends in ã", "Ends in ã."},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(DefaultErrorReportText(c.message), c.shown);
    }
}

TEST(RunReportingErrors, ShowsEscapingErrorsInTheErrorBoxAndReturns) {
    RecordingMessageBoxes boxes;
    RunReportingErrors(boxes, [] { throw std::runtime_error("Servidor fora do ar"); });
    RunReportingErrors(boxes, [] { throw 42; });
    bool ran = false;
    RunReportingErrors(boxes, [&] { ran = true; });

    EXPECT_TRUE(ran);
    EXPECT_EQ(boxes.shown,
              (std::vector<std::string>{"error: Servidor fora do ar.", "error: Erro inesperado."}));
}

TEST(RunReportingErrors, AFailingErrorBoxDoesNotEscape) {
    RecordingMessageBoxes boxes;
    boxes.onShow = [](const std::string&) { throw std::runtime_error("no display"); };
    EXPECT_NO_THROW(RunReportingErrors(boxes, [] { throw std::runtime_error("x"); }));
}

} // namespace
