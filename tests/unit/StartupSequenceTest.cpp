#include "app/StartupSequence.h"

#include "common/IniFile.h"
#include "support/FileContent.h"
#include "support/RecordingMessageBoxes.h"
#include "support/StartupFakes.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kAsk = "CNPJ não configurado. Informe o CNPJ para continuar!";
constexpr const char* kConfigured = "CNPJ configurado com sucesso!";
constexpr const char* kEnd = "CNPJ não configurado. O servidor de impressão será finalizado!";

// Each test runs in a fresh working folder, as the agent would in its own folder.
class StartupSequenceTest : public testing::Test {
protected:
    bool Run() {
        StartupSequence startup(parametros, boxes, prompt, computerName, application);
        return startup.LoadSettingsAndIdentity();
    }
    std::filesystem::path Ini() const { return folder.path() / "App.ini"; }

    TemporaryDirectory folder;
    ScopedCurrentDirectory cwd{folder.path()};
    TParametros parametros;
    RecordingMessageBoxes boxes;
    ScriptedCnpjPrompt prompt;
    FixedComputerName computerName;
    RecordingApplication application;
};

TEST_F(StartupSequenceTest, FirstRunWithFourteenDigitsWritesTheFileAndGoesOn) {
    prompt.typed = "00.123.456/0001-91";

    EXPECT_TRUE(Run());

    EXPECT_EQ(prompt.showings, 1);
    EXPECT_EQ(boxes.shown, (std::vector<std::string>{kAsk, kConfigured}));
    EXPECT_EQ(ReadFileBytes(Ini()),
              "[PARAMETROS]\r\nCNPJ=00123456000191\r\nAPAGAR=N\r\nADOBE=N\r\nSUMATRA=S\r\n");
    EXPECT_EQ(parametros.CNPJ, "00123456000191");
    EXPECT_EQ(parametros.Computador, "CAIXA-01");
    // This run keeps the flags it read (none): they take effect at the next start.
    EXPECT_EQ(parametros.Apagar, "");
    EXPECT_EQ(parametros.Adobe, "");
    EXPECT_EQ(parametros.Sumatra, "");
    EXPECT_EQ(application.terminations, 0);
}

TEST_F(StartupSequenceTest, FirstRunWithoutFourteenDigitsEndsAndWritesNothing) {
    struct Case {
        const char* name;
        const char* typed;
    };
    const Case cases[] = {
        {"ten digits", "12.345.678/90  -  "},
        {"no digits", "  .   .   /    -  "},
        {"thirteen digits", "12.345.678/0001-9 "},
        {"fifteen digits", "12.345.678/0001-901"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TParametros fresh;
        parametros = fresh;
        boxes.shown.clear();
        application.terminations = 0;
        prompt.typed = c.typed;

        EXPECT_FALSE(Run());

        EXPECT_EQ(boxes.shown, (std::vector<std::string>{kAsk, kEnd}));
        EXPECT_EQ(application.terminations, 1);
        EXPECT_FALSE(std::filesystem::exists(Ini()));
        EXPECT_EQ(parametros.CNPJ, "");
    }
}

TEST_F(StartupSequenceTest, RejectedEntryLeavesAnExistingFileUntouched) {
    const std::string original = "; settings\r\n[PARAMETROS]\r\nCNPJ=\r\nAPAGAR=S\r\n";
    WriteFileBytes(Ini(), original);
    prompt.typed = "12.345.678/90  -  ";

    EXPECT_FALSE(Run());

    EXPECT_EQ(ReadFileBytes(Ini()), original);
}

TEST_F(StartupSequenceTest, ConfiguredCnpjIsUsedAsReadWithoutAPrompt) {
    struct Case {
        const char* name;
        const char* file;
        TParametros expected;
    };
    const Case cases[] = {
        {"lower-case keys with blanks and quotes",
         "[parametros]\r\n cnpj = 12345678000190 \r\nApagar=\"S\"\r\nadobe='N'\r\nsumatra=N\r\n",
         {"12345678000190", "CAIXA-01", "S", "N", "N"}},
        {"letters are used unchanged", "[PARAMETROS]\nCNPJ=abc\n", {"abc", "CAIXA-01", "", "", ""}},
        {"LF file with other sections",
         "[OUTRA]\nCNPJ=99999999999999\n[PARAMETROS]\nCNPJ=11222333000181\nSUMATRA=S\n",
         {"11222333000181", "CAIXA-01", "", "", "S"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        parametros = TParametros{};
        boxes.shown.clear();
        prompt.showings = 0;
        WriteFileBytes(Ini(), c.file);

        EXPECT_TRUE(Run());

        EXPECT_EQ(prompt.showings, 0);
        EXPECT_TRUE(boxes.shown.empty());
        EXPECT_EQ(parametros.CNPJ, c.expected.CNPJ);
        EXPECT_EQ(parametros.Computador, c.expected.Computador);
        EXPECT_EQ(parametros.Apagar, c.expected.Apagar);
        EXPECT_EQ(parametros.Adobe, c.expected.Adobe);
        EXPECT_EQ(parametros.Sumatra, c.expected.Sumatra);
        EXPECT_EQ(ReadFileBytes(Ini()), c.file);
    }
}

TEST_F(StartupSequenceTest, CaptureOverwritesApagarInTheFileButNotInMemory) {
    WriteFileBytes(Ini(), "[PARAMETROS]\r\nAPAGAR=S\r\nEXTRA=1\r\n");
    prompt.typed = "12.345.678/0001-90";

    EXPECT_TRUE(Run());

    EXPECT_EQ(parametros.Apagar, "S");
    EXPECT_EQ(
        ReadFileBytes(Ini()),
        "[PARAMETROS]\r\nAPAGAR=N\r\nEXTRA=1\r\nCNPJ=12345678000190\r\nADOBE=N\r\nSUMATRA=S\r\n");
}

TEST_F(StartupSequenceTest, NoComputerNameEndsBeforeAnyPrompt) {
    computerName.name.reset();

    EXPECT_FALSE(Run());

    EXPECT_EQ(boxes.shown,
              (std::vector<std::string>{"Não foi possível obter o nome do computador."}));
    EXPECT_EQ(application.terminations, 1);
    EXPECT_EQ(prompt.showings, 0);
    EXPECT_FALSE(std::filesystem::exists(Ini()));
}

TEST_F(StartupSequenceTest, UsesTheWorkingDirectoryAtTheMomentOfUse) {
    // The file is read from the folder that is current when start-up runs, and written to the
    // folder that is current when the entry has been made.
    TemporaryDirectory other;
    WriteFileBytes(other.path() / "App.ini", "[PARAMETROS]\r\nCNPJ=11222333000181\r\n");
    {
        ScopedCurrentDirectory inOther(other.path());
        EXPECT_TRUE(Run());
    }
    EXPECT_EQ(parametros.CNPJ, "11222333000181");
    EXPECT_FALSE(std::filesystem::exists(Ini()));

    parametros = TParametros{};
    TemporaryDirectory third;
    prompt.typed = "12.345.678/0001-90";
    boxes.onShow = [&](const std::string& text) {
        if (text == kAsk) {
            std::filesystem::current_path(third.path());
        }
    };
    EXPECT_TRUE(Run());
    EXPECT_TRUE(std::filesystem::exists(third.path() / "App.ini"));
    EXPECT_FALSE(std::filesystem::exists(Ini()));
}

TEST_F(StartupSequenceTest, FailedSettingsWriteRaisesTheFilesErrorWithoutEnding) {
    // A folder where the file should be: reading gives the defaults, writing must fail.
    std::filesystem::create_directory(Ini());
    prompt.typed = "12.345.678/0001-90";

    try {
        Run();
        FAIL() << "the write error did not reach the caller";
    } catch (const IniFileError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + Ini().string());
    }
    EXPECT_EQ(boxes.shown, (std::vector<std::string>{kAsk}));
    EXPECT_EQ(application.terminations, 0);
}

} // namespace
