#include "StoreFixture.h"
#include "app/TrayCommands.h"
#include "common/MessageTexts.h"
#include "support/FileContent.h"
#include "unit/TrayCommandsRig.h"

#include <gmock/gmock.h>

using testing::ElementsAre;
using testing::IsEmpty;

namespace {

// Three computers' rows: two of this company (this computer and another) and one of another
// company, in both shared tables.
class TrayCommandsDbTest : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        placeRows();
    }

    // A fresh rig working for this company, and the rows of the three computers.
    void placeRows() {
        m_rig = std::make_unique<TrayCommandsRig>(ConnectionSettings::FromDeployment());
        m_rig->parametros.CNPJ = m_cnpj;
        int n = 0;
        for (const auto& [cnpj, computador] : {std::pair{m_cnpj, std::string("CAIXA-01")},
                                               std::pair{m_cnpj, std::string("CAIXA-02")},
                                               std::pair{m_otherCnpj, std::string("CAIXA-01")}}) {
            const std::string id = std::to_string(++n);
            m_server->insertJob("impressoes_remotas", guid("job-pending-" + id), cnpj, computador,
                                std::string("%PDF"), "S");
            m_server->insertJob("impressoes_remotas", guid("job-printed-" + id), cnpj, computador,
                                std::nullopt, "N");
            m_server->insertPrinter(guid("printer-" + id), cnpj, computador, "Balcao");
        }
    }

    long long rows(const std::string& table, const std::string& cnpj,
                   const std::string& computador) {
        return m_server->count("SELECT COUNT(*) FROM " + table +
                               " WHERE CNPJ=" + m_server->literal(cnpj) +
                               " AND COMPUTADOR=" + m_server->literal(computador));
    }

    std::unique_ptr<TrayCommandsRig> m_rig;
};

} // namespace

// Each clearing command empties its table for every computer of the company and no other
// company, leaves the other table alone and ends with the timer enabled; the timer is off under
// l1's confirmation and already on under L2's.
TEST_F(TrayCommandsDbTest, ClearingCommandsDeleteTheCompanysRowsOnEveryComputer) {
    struct Case {
        const char* name;
        void (TrayCommands::*command)() noexcept;
        const char* cleared;
        const char* kept;
        std::string boxWithTimer;
    };
    const Case cases[] = {
        {"l1", &TrayCommands::l1Click, "impressoes_remotas", "impressoras_remotas",
         std::string(texts::kQueueCleared) + " [timer off]"},
        {"L2", &TrayCommands::L2Click, "impressoras_remotas", "impressoes_remotas",
         std::string(texts::kPrinterListCleared) + " [timer on]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        removeRows();
        placeRows();
        m_rig->timer.SetInterval(1000);

        (m_rig->commands.*c.command)();

        EXPECT_THAT(m_rig->timerAtBox, ElementsAre(c.boxWithTimer));
        EXPECT_TRUE(m_rig->timer.Enabled());
        EXPECT_EQ(m_rig->timer.Interval(), 1000);
        EXPECT_THAT(m_rig->alertaErro.shown, IsEmpty());
        EXPECT_FALSE(m_rig->store.DBConexaoServidorMobile.Connected());
        EXPECT_EQ(rows(c.cleared, m_cnpj, "CAIXA-01"), 0);
        EXPECT_EQ(rows(c.cleared, m_cnpj, "CAIXA-02"), 0);
        EXPECT_GT(rows(c.cleared, m_otherCnpj, "CAIXA-01"), 0);
        EXPECT_GT(rows(c.kept, m_cnpj, "CAIXA-01"), 0);
        EXPECT_GT(rows(c.kept, m_cnpj, "CAIXA-02"), 0);
    }
}

// The new CNPJ is stored and taken at once: this computer's printers are published under it
// before the confirmation, and the rows under the earlier CNPJ stay.
TEST_F(TrayCommandsDbTest, A1RegistersThisComputersPrintersUnderTheNewCnpj) {
    WriteFileBytes(m_rig->iniPath(), "[PARAMETROS]\r\nCNPJ=" + m_otherCnpj + "\r\nADOBE=S\r\n");
    const std::string newCnpj = m_cnpjWithoutZero + "9";
    m_rig->prompt.typed = newCnpj.substr(0, 2) + "." + newCnpj.substr(2, 3) + "." +
                          newCnpj.substr(5, 3) + "/" + newCnpj.substr(8, 4) + "-" +
                          newCnpj.substr(12);
    m_server->exec("DELETE FROM impressoras_remotas WHERE CNPJ=" + m_server->literal(newCnpj));
    long long printersAtBox = -1;
    m_rig->boxes.onShow = [&](const std::string&) {
        printersAtBox = rows("impressoras_remotas", newCnpj, "CAIXA-01");
    };

    m_rig->commands.A1Click();

    EXPECT_THAT(m_rig->prompt.given, ElementsAre(m_otherCnpj));
    EXPECT_EQ(ReadFileBytes(m_rig->iniPath()),
              "[PARAMETROS]\r\nCNPJ=" + newCnpj + "\r\nADOBE=S\r\n");
    EXPECT_EQ(m_rig->parametros.CNPJ, newCnpj);
    EXPECT_THAT(m_rig->boxes.shown, ElementsAre(texts::kCnpjChanged));
    EXPECT_EQ(printersAtBox, 2);
    EXPECT_EQ(m_server->count("SELECT COUNT(*) FROM impressoras_remotas WHERE CNPJ=" +
                              m_server->literal(newCnpj) +
                              " AND COMPUTADOR='CAIXA-01' AND IMPRESSORA IN ('PDF', 'Balcao')"),
              2);
    EXPECT_EQ(rows("impressoras_remotas", m_otherCnpj, "CAIXA-01"), 1);
    EXPECT_THAT(m_rig->journal, IsEmpty()) << "the timer is not touched";
    m_server->exec("DELETE FROM impressoras_remotas WHERE CNPJ=" + m_server->literal(newCnpj));
}

TEST_F(TrayCommandsDbTest, S1RemovesThisComputersPrintersThenEndsTheAgent) {
    m_rig->commands.S1Click();

    EXPECT_EQ(rows("impressoras_remotas", m_cnpj, "CAIXA-01"), 0);
    EXPECT_EQ(rows("impressoras_remotas", m_cnpj, "CAIXA-02"), 1);
    EXPECT_EQ(rows("impressoras_remotas", m_otherCnpj, "CAIXA-01"), 1);
    EXPECT_EQ(rows("impressoes_remotas", m_cnpj, "CAIXA-01"), 2);
    EXPECT_EQ(m_rig->application.terminations, 1);
}
