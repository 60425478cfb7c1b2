// The tray menu of the real main window, its items triggered as the operator picks them, against
// the local MariaDB and the throwaway CUPS: what each command does to the shared tables.
#include "app/TForm1.h"
#include "integration/printing/LoopbackListener.h"
#include "integration/printing/StoreFixture.h"
#include "support/DevCups.h"
#include "support/FileContent.h"
#include "support/RecordingMessageBoxes.h"
#include "support/StartupFakes.h"
#include "support/TemporaryDirectory.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QTimer>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// The CUPS user settings of this process (libcups reads HOME and CUPS_SERVER once).
const std::filesystem::path& ProcessHome() {
    static const TemporaryDirectory home;
    return home.path();
}

class TForm1DbTest : public StoreFixture {
protected:
    void SetUp() override {
        if (const auto reason = UseDevCups(AGENT_CUPS_DIR, ProcessHome())) {
            AGENT_SKIP_OR_FAIL("AGENT_CUPS_REQUIRED", *reason);
        }
        ::setenv("XDG_CONFIG_HOME", (folder.path() / "config").c_str(), 1);
        StoreFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        std::filesystem::create_directory(folder.path() / "LOG");
        WriteFileBytes(folder.path() / "App.ini",
                       "[PARAMETROS]\r\nCNPJ=" + m_cnpj + "\r\nAPAGAR=N\r\n");
        // Start-up goes online here: this computer's printers are published and polling begins.
        RemoteEndpoints endpoints;
        endpoints.probe = ConnectivityProbe("127.0.0.1", probeEndpoint.port());
        form = std::make_unique<TForm1>(parametros, prompt, boxes, computerName, application,
                                        endpoints);
        // What the operator would see of the poll timer while each box is open.
        boxes.onShow = [this](const std::string& text) {
            timerDuringBox.push_back(text +
                                     (form->TimerEnviaMsg().isActive() ? " | on" : " | off"));
        };
    }

    void TearDown() override {
        form.reset();
        StoreFixture::TearDown();
    }

    void Pick(const char* item) {
        QAction* action = form->PopupMenu1().findChild<QAction*>(item);
        ASSERT_NE(action, nullptr) << item;
        action->trigger();
    }
    long long Rows(const char* table, const std::string& cnpj, const char* computer = nullptr) {
        std::string sql = std::string("SELECT COUNT(*) FROM ") + table +
                          " WHERE CNPJ = " + m_server->literal(cnpj);
        if (computer != nullptr) {
            sql += " AND COMPUTADOR = " + m_server->literal(std::string(computer));
        }
        return m_server->count(sql);
    }

    TemporaryDirectory folder;
    ScopedCurrentDirectory cwd{folder.path()};
    LoopbackListener probeEndpoint;
    TParametros parametros;
    ScriptedCnpjPrompt prompt;
    RecordingMessageBoxes boxes;
    FixedComputerName computerName;
    RecordingApplication application;
    std::unique_ptr<TForm1> form;
    std::vector<std::string> timerDuringBox;
};

TEST_F(TForm1DbTest, StartUpPublishesThePrintersThenPolls) {
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front();
    EXPECT_EQ(Rows("impressoras_remotas", m_cnpj, "CAIXA-01"), 2);
    EXPECT_TRUE(form->TimerEnviaMsg().isActive());
}

// Both clearing commands reach every computer of the company and no other company; the queue's
// box comes with the timer still off, the printer list's with it already on.
TEST_F(TForm1DbTest, ClearingCommandsFromTheMenu) {
    struct Case {
        const char* item;
        const char* table;
        const char* message;
    };
    const Case cases[] = {
        {"l1", "impressoes_remotas", "Fila de impressão limpa com sucesso! | off"},
        {"L2", "impressoras_remotas", "Lista de impressoras limpas com sucesso! | on"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        timerDuringBox.clear();
        for (const char* computer : {"CAIXA-01", "CAIXA-02"}) {
            m_server->insertJob("impressoes_remotas", guid(std::string(c.item) + computer), m_cnpj,
                                computer, "pdf", "S");
            m_server->insertPrinter(guid(std::string("p") + c.item + computer), m_cnpj, computer,
                                    "Impressora_A");
        }
        m_server->insertJob("impressoes_remotas", guid(std::string("o") + c.item), m_otherCnpj,
                            "CAIXA-01", "pdf", "S");
        m_server->insertPrinter(guid(std::string("op") + c.item), m_otherCnpj, "CAIXA-01", "X");
        const long long before = Rows(c.table, m_otherCnpj);

        Pick(c.item);

        EXPECT_EQ(Rows(c.table, m_cnpj), 0);
        EXPECT_EQ(Rows(c.table, m_otherCnpj), before);
        EXPECT_EQ(timerDuringBox, (std::vector<std::string>{c.message}));
        EXPECT_TRUE(form->TimerEnviaMsg().isActive());
    }
}

TEST_F(TForm1DbTest, FecharApiRemovesThisComputersPrintersAndEnds) {
    m_server->insertPrinter(guid("outro"), m_cnpj, "CAIXA-02", "Impressora_A");

    Pick("S1");

    EXPECT_EQ(Rows("impressoras_remotas", m_cnpj, "CAIXA-01"), 0);
    EXPECT_EQ(Rows("impressoras_remotas", m_cnpj, "CAIXA-02"), 1);
    EXPECT_TRUE(application.Terminated());
}

TEST_F(TForm1DbTest, AlterarCnpjTakesEffectAtOnce) {
    prompt.typed = "11.222.333/0001-81";
    const std::string newCnpj = "11222333000181";
    m_server->exec("DELETE FROM impressoras_remotas WHERE CNPJ = '" + newCnpj + "'");

    Pick("A1");

    EXPECT_EQ(prompt.entry, "11.222.333/0001-81");
    EXPECT_EQ(parametros.CNPJ, newCnpj);
    EXPECT_EQ(ReadFileBytes(folder.path() / "App.ini"),
              "[PARAMETROS]\r\nCNPJ=" + newCnpj + "\r\nAPAGAR=N\r\n");
    EXPECT_EQ(Rows("impressoras_remotas", newCnpj, "CAIXA-01"), 2);
    EXPECT_EQ(Rows("impressoras_remotas", m_cnpj, "CAIXA-01"), 2) << "the earlier rows stay";
    EXPECT_EQ(boxes.shown.back(), "CNPJ alterado com sucesso!");
    m_server->exec("DELETE FROM impressoras_remotas WHERE CNPJ = '" + newCnpj + "'");
}

TEST_F(TForm1DbTest, CriarAtalhoWritesTheAutostartEntryOfThisProgram) {
    Pick("C1");
    Pick("C1");

    const auto folderOfEntries = folder.path() / "config" / "autostart";
    ASSERT_EQ(std::distance(std::filesystem::directory_iterator(folderOfEntries),
                            std::filesystem::directory_iterator()),
              1);
    const std::string entry = ReadFileBytes(folderOfEntries / "Servidor de impressão.desktop");
    EXPECT_NE(entry.find("Exec=" + QCoreApplication::applicationFilePath().toStdString()),
              std::string::npos)
        << entry;
    EXPECT_EQ(boxes.shown, (std::vector<std::string>{"Atalho criado com sucesso!",
                                                     "Atalho criado com sucesso!"}));
}

} // namespace
