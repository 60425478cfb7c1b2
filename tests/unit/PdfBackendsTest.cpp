#include "printing/PdfBackends.h"

#include "PlatformFakes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::ElementsAre;
using testing::IsEmpty;

namespace {

TEST(ImprimirSumatraTest, StartsTheProgramWithTheDocumentQuoted) {
    Journal journal;
    RecordingLauncher launcher(journal);
    ImprimirSumatra(launcher, "/home/caixa/fila/PDF/{A B}.pdf", "/home/caixa/fila/SumatraPDF.exe");
    EXPECT_THAT(journal, ElementsAre("start /home/caixa/fila/SumatraPDF.exe "
                                     "-print-to-default -print-settings \"noscale\" "
                                     "\"/home/caixa/fila/PDF/{A B}.pdf\""));
}

TEST(ImprimirSumatraTest, AProgramThatCannotStartIsAnError) {
    Journal journal;
    RecordingLauncher launcher(journal);
    launcher.failure = "Não foi possível executar SumatraPDF.exe: arquivo não encontrado";
    try {
        ImprimirSumatra(launcher, "/f/PDF/x.pdf", "/f/SumatraPDF.exe");
        FAIL() << "a failed start went unnoticed";
    } catch (const ProgramLaunchError& error) {
        EXPECT_STREQ(error.what(),
                     "Não foi possível executar SumatraPDF.exe: arquivo não encontrado");
    }
}

class ImprimirAcrobatTest : public testing::Test {
protected:
    void print() { ImprimirAcrobat(printSystem, sleeper, windows, processes, "/f/PDF/x y.pdf"); }

    Journal journal;
    FakePrintSystem printSystem{journal};
    RecordingSleeper sleeper{journal};
    RecordingWindowCloser windows{journal};
    FakeProcessTable processes{journal};
};

TEST_F(ImprimirAcrobatTest, PrintsWaitsClosesTheWindowThenEndsAcrobat) {
    processes.entries = {{10, "bash"}, {11, "Acrobat.exe"}, {12, "AcroRd32.exe"}};
    print();
    EXPECT_THAT(journal, ElementsAre("print /f/PDF/x y.pdf on PDF", "sleep 5000",
                                     "close Adobe Acrobat DC (32 bits)", "terminate 11"));
}

TEST_F(ImprimirAcrobatTest, WithoutTheWindowTheProcessesAreStillEnded) {
    windows.windowExists = false;
    processes.entries = {{21, "ACROBAT.EXE"}};
    print();
    EXPECT_THAT(journal, ElementsAre("print /f/PDF/x y.pdf on PDF", "sleep 5000",
                                     "close Adobe Acrobat DC (32 bits)", "terminate 21"));
}

TEST_F(ImprimirAcrobatTest, ARefusedDocumentRaisesBeforeAnyWait) {
    printSystem.refusal = "Sem impressora padrão";
    processes.entries = {{11, "Acrobat.exe"}};
    EXPECT_THROW(print(), PrintSystemError);
    EXPECT_THAT(journal, IsEmpty());
}

class FinalizarProcessoTest : public testing::Test {
protected:
    Journal journal;
    FakeProcessTable processes{journal};
};

TEST_F(FinalizarProcessoTest, MatchesTheLastComponentOrTheWholeNameInAsciiCase) {
    struct Case {
        std::string image;
        bool ended;
    };
    const Case cases[] = {
        {"Acrobat.exe", true},
        {"acrobat.exe", true},
        {"ACROBAT.EXE", true},
        {"C:\\Program Files\\Adobe\\Acrobat.exe", true},
        {"C:Acrobat.exe", true},
        {"/opt/x/acrobat.exe", true},
        {std::string("Acrobat.exe\0lixo", 16), true},
        {"AcroRd32.exe", false},
        {"Acrobat64.exe", false},
        {"acrobat.exe.bak", false},
        {"Acrobat.exe/", false},
        {"Acrobat", false},
        {" Acrobat.exe", false},
        {"/usr/bin/bash", false},
        {"", false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE("image \"" + row.image + "\"");
        journal.clear();
        processes.entries = {{42, row.image}};
        EXPECT_EQ(FinalizarProcesso(processes, "Acrobat.exe"), row.ended);
        EXPECT_EQ(journal.size(), row.ended ? 1U : 0U);
    }
}

// Only a-z are folded: other letters must be equal as they are.
TEST_F(FinalizarProcessoTest, LettersOutsideAsciiAreNotFolded) {
    processes.entries = {{1, "IMPRESSÃO.EXE"}, {2, "impressão.exe"}};
    EXPECT_TRUE(FinalizarProcesso(processes, "Impressão.exe"));
    EXPECT_THAT(journal, ElementsAre("terminate 2"));
}

TEST_F(FinalizarProcessoTest, EndsEveryMatchAndReportsTheLastOne) {
    processes.entries = {{5, "acrobat.exe"}, {6, "bash"}, {7, "/opt/adobe/ACROBAT.EXE"}};
    processes.protectedPids = {5};
    EXPECT_TRUE(FinalizarProcesso(processes, "Acrobat.exe"));
    EXPECT_THAT(journal, ElementsAre("terminate 5", "terminate 7"));

    journal.clear();
    processes.protectedPids = {7};
    EXPECT_FALSE(FinalizarProcesso(processes, "Acrobat.exe"));
    EXPECT_THAT(journal, ElementsAre("terminate 5", "terminate 7"));
}

TEST_F(FinalizarProcessoTest, NothingToEndIsFalse) {
    processes.entries = {{1, "bash"}, {2, "AcroRd32.exe"}};
    EXPECT_FALSE(FinalizarProcesso(processes, "Acrobat.exe"));

    processes.entries = {{3, "Acrobat.exe"}};
    processes.available = false;
    EXPECT_FALSE(FinalizarProcesso(processes, "Acrobat.exe"));
    EXPECT_THAT(journal, IsEmpty());
}

} // namespace
