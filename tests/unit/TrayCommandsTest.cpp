#include "app/TrayCommands.h"

#include "TrayCommandsRig.h"
#include "app/AutostartEntry.h"
#include "common/IniFile.h"
#include "common/MessageTexts.h"
#include "integration/printing/LoopbackListener.h"
#include "support/FileContent.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

// A store whose server refuses every connection at once.
ConnectionSettings Unreachable(const LoopbackListener& closedPort) {
    ConnectionSettings settings = ConnectionSettings::FromDeployment();
    settings.host = "127.0.0.1";
    settings.port = closedPort.port();
    settings.connectTimeout = 1s;
    return settings;
}

const std::string kEntry = "[Desktop Entry]\n"
                           "Type=Application\n"
                           "Name=Servidor de impressão\n"
                           "Exec=/opt/servidor/servidor-impressao\n"
                           "Path=/opt/servidor\n";

class TrayCommandsTest : public testing::Test {
protected:
    LoopbackListener m_closedPort{false};
    TrayCommandsRig m_rig{Unreachable(m_closedPort)};
};

} // namespace

TEST(AutostartExecArgumentTest, QuotesOnlyWhatTheDesktopEntryRulesRequire) {
    struct Case {
        const char* program;
        const char* argument;
    };
    const Case cases[] = {
        {"/opt/servidor/servidor-impressao", "/opt/servidor/servidor-impressao"},
        {"/home/ana/Servidor de impressão/servidor",
         "\"/home/ana/Servidor de impressão/servidor\""},
        {"/opt/a\"b/c", "\"/opt/a\\\"b/c\""},
        {"/opt/$HOME/x", "\"/opt/\\$HOME/x\""},
        {"/opt/`x`/y", "\"/opt/\\`x\\`/y\""},
        {"/opt/a\\b/c", "\"/opt/a\\\\b/c\""},
        {"/opt/a;b/c", "\"/opt/a;b/c\""},
        {"/opt/100%/c", "/opt/100%%/c"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        EXPECT_EQ(autostart::ExecArgument(c.program), c.argument);
    }
}

TEST_F(TrayCommandsTest, C1WritesTheAutostartEntryCreatingItsFolderThenConfirms) {
    ASSERT_FALSE(std::filesystem::exists(m_rig.entryPath().parent_path()));
    std::string entryAtBox;
    m_rig.boxes.onShow = [&](const std::string&) { entryAtBox = ReadFileBytes(m_rig.entryPath()); };

    m_rig.commands.C1Click();

    EXPECT_EQ(ReadFileBytes(m_rig.entryPath()), kEntry);
    EXPECT_EQ(entryAtBox, kEntry);
    EXPECT_THAT(m_rig.boxes.shown, ElementsAre(texts::kShortcutCreated));
    EXPECT_THAT(m_rig.journal, IsEmpty()) << "the timer is not touched";
}

TEST_F(TrayCommandsTest, C1TwiceLeavesOneEntryRewrittenWhole) {
    std::filesystem::create_directories(m_rig.entryPath().parent_path());
    WriteFileBytes(m_rig.entryPath(), kEntry + std::string(500, '#') + "\n");

    m_rig.commands.C1Click();
    m_rig.commands.C1Click();

    EXPECT_EQ(ReadFileBytes(m_rig.entryPath()), kEntry);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_rig.entryPath().parent_path()),
                            std::filesystem::directory_iterator()),
              1);
    EXPECT_EQ(m_rig.boxes.shown.size(), 2u);
}

TEST_F(TrayCommandsTest, C1QuotesAProgramPathWithBlanksAndKeepsItsFolder) {
    TrayCommands commands(m_rig.parametros, m_rig.boxes, m_rig.prompt, m_rig.application,
                          m_rig.timer, m_rig.alertaErro, m_rig.store, m_rig.registry,
                          "/home/ana/Servidor de impressão/servidor-impressao");
    commands.C1Click();

    EXPECT_EQ(ReadFileBytes(m_rig.entryPath()),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Servidor de impressão\n"
              "Exec=\"/home/ana/Servidor de impressão/servidor-impressao\"\n"
              "Path=/home/ana/Servidor de impressão\n");
}

TEST_F(TrayCommandsTest, C1FallsBackToDotConfigUnderHomeWhenXdgConfigHomeIsUnsetOrEmpty) {
    for (const std::optional<std::string>& value :
         {std::optional<std::string>(), std::optional<std::string>("")}) {
        SCOPED_TRACE(value ? "empty" : "unset");
        TemporaryDirectory home;
        ScopedEnvironment homeVariable("HOME", home.path().string());
        ScopedEnvironment xdg("XDG_CONFIG_HOME", value);

        m_rig.commands.C1Click();

        EXPECT_EQ(
            ReadFileBytes(home.path() / ".config" / "autostart" / "Servidor de impressão.desktop"),
            kEntry);
        EXPECT_FALSE(std::filesystem::exists(m_rig.entryPath()));
    }
}

TEST_F(TrayCommandsTest, C1RaisesWithoutConfirmingWhenTheEntryCannotBeWritten) {
    // A plain file where the configuration folder should be: no folder can be made below it.
    const auto blocked = m_rig.work.path() / "not-a-folder";
    WriteFileBytes(blocked, "x");
    ScopedEnvironment xdg("XDG_CONFIG_HOME", blocked.string());

    try {
        m_rig.commands.C1Click();
        FAIL() << "no error raised";
    } catch (const std::runtime_error& error) {
        EXPECT_THAT(error.what(), HasSubstr("Unable to write to"));
        EXPECT_THAT(error.what(), HasSubstr("Servidor de impressão.desktop"));
    }
    EXPECT_THAT(m_rig.boxes.shown, IsEmpty());
}

// The dialog closed without fourteen digits: the CNPJ read from the file is held in memory and
// shown in the entry, and nothing is written, shown or sent to the database (which here would
// raise).
TEST_F(TrayCommandsTest, A1WithoutFourteenDigitsWritesAndShowsNothing) {
    const std::string ini = "[PARAMETROS]\r\nCNPJ=  99888777000166 \r\nAPAGAR=S\r\n";
    WriteFileBytes(m_rig.iniPath(), ini);
    for (const char* typed :
         {"  .   .   /    -  ", "11.222.333/0001-8 ", "112223330001819", "abc"}) {
        SCOPED_TRACE(typed);
        m_rig.prompt.typed = typed;
        m_rig.prompt.given.clear();

        EXPECT_NO_THROW(m_rig.commands.A1Click());

        EXPECT_EQ(ReadFileBytes(m_rig.iniPath()), ini);
        EXPECT_THAT(m_rig.prompt.given, ElementsAre("99888777000166"));
        EXPECT_EQ(m_rig.parametros.CNPJ, "99888777000166");
        EXPECT_THAT(m_rig.boxes.shown, IsEmpty());
    }
    EXPECT_THAT(m_rig.journal, IsEmpty());
}

TEST_F(TrayCommandsTest, A1WithoutASettingsFileOffersTheCnpjInMemory) {
    m_rig.prompt.typed = "";
    m_rig.commands.A1Click();

    EXPECT_THAT(m_rig.prompt.given, ElementsAre("11222333000181"));
    EXPECT_FALSE(std::filesystem::exists(m_rig.iniPath()));
}

// Fourteen digits are stored as the CNPJ key alone and taken at once; the registration under
// them then fails on the unreachable database, which the caller reports instead of the
// confirmation.
TEST_F(TrayCommandsTest, A1StoresTheDigitsAloneThenRegistersUnderThem) {
    WriteFileBytes(m_rig.iniPath(),
                   "; loja\r\n[PARAMETROS]\r\nCNPJ=99888777000166\r\nAPAGAR=S\r\nSUMATRA=N\r\n");
    m_rig.prompt.typed = "11.222.333/0001-81";

    try {
        m_rig.commands.A1Click();
        FAIL() << "the registration reached no database, yet nothing was raised";
    } catch (const std::exception& error) {
        EXPECT_THAT(error.what(), HasSubstr("Can't connect"));
    }

    EXPECT_EQ(ReadFileBytes(m_rig.iniPath()),
              "; loja\r\n[PARAMETROS]\r\nCNPJ=11222333000181\r\nAPAGAR=S\r\nSUMATRA=N\r\n");
    EXPECT_EQ(m_rig.parametros.CNPJ, "11222333000181");
    EXPECT_THAT(m_rig.boxes.shown, IsEmpty());
}

TEST_F(TrayCommandsTest, A1RaisesTheWriteErrorAndKeepsTheCnpjInMemory) {
    std::filesystem::create_directory(m_rig.iniPath()); // App.ini cannot be replaced
    m_rig.prompt.typed = "11.222.333/0001-99";

    try {
        m_rig.commands.A1Click();
        FAIL() << "no error raised";
    } catch (const IniFileError& error) {
        EXPECT_EQ(error.what(), "Unable to write to " + m_rig.iniPath().string());
    }
    EXPECT_EQ(m_rig.parametros.CNPJ, "11222333000181");
    EXPECT_THAT(m_rig.boxes.shown, IsEmpty());
}

// The clearing commands with the database refusing the connection: the shared error path, with
// each command's caption, and the timer left enabled whatever it was before.
TEST_F(TrayCommandsTest, ClearingCommandsTakeTheErrorPathWhenTheDatabaseIsUnreachable) {
    struct Case {
        const char* name;
        void (TrayCommands::*command)() noexcept;
        const char* caption;
    };
    const Case cases[] = {
        {"l1", &TrayCommands::l1Click, texts::kClearQueueFailedCaption},
        {"L2", &TrayCommands::L2Click, texts::kClearPrintersFailedCaption},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_rig.journal.clear();
        m_rig.alertaErro.shown.clear();
        std::filesystem::remove(m_rig.work.path() / "LOG" / "AppErro.txt");
        m_rig.timer.SetInterval(1000);

        (m_rig.commands.*c.command)();

        EXPECT_THAT(m_rig.journal, ElementsAre("timer off", "timer on 1000",
                                               std::string("AlertaErro ") + c.caption));
        ASSERT_EQ(m_rig.alertaErro.shown.size(), 1u);
        EXPECT_THAT(m_rig.alertaErro.shown[0].text, HasSubstr("Can't connect"));
        EXPECT_EQ(ReadFileBytes(m_rig.work.path() / "LOG" / "AppErro.txt"),
                  "Erro -> " + m_rig.alertaErro.shown[0].text + "\r\n");
        EXPECT_TRUE(m_rig.timer.Enabled());
        EXPECT_EQ(m_rig.timer.Interval(), 1000);
        EXPECT_THAT(m_rig.boxes.shown, IsEmpty());
    }
}

TEST_F(TrayCommandsTest, S1WithTheDatabaseUnreachableRaisesAndTheAgentStays) {
    EXPECT_THROW(m_rig.commands.S1Click(), std::exception);

    EXPECT_EQ(m_rig.application.terminations, 0);
    EXPECT_THAT(m_rig.journal, IsEmpty()) << "the timer is not touched";
}
