#include "StoreFixture.h"
#include "common/TParametros.h"
#include "platform/linux/CupsPrintSystem.h"
#include "platform/linux/LibuuidGuidGenerator.h"
#include "printing/PrinterRegistry.h"
#include "support/TemporaryDirectory.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gmock/gmock.h>

using testing::ElementsAreArray;

namespace {

// The registry publishing the printers of the throwaway CUPS of dev/cups.sh (folder passed by
// CTest in AGENT_CUPS_DIR) into the local MariaDB.
class PrinterRegistryCupsTest : public StoreFixture {
protected:
    void SetUp() override {
        const char* cupsDir = std::getenv("AGENT_CUPS_DIR");
        std::string reason;
        if (cupsDir == nullptr) {
            reason = "AGENT_CUPS_DIR does not name dev/run/cups (run through CTest)";
        } else {
            // Before libcups is first used in this process: it reads both once.
            ::setenv("CUPS_SERVER", (std::filesystem::path(cupsDir) / "cups.sock").c_str(), 1);
            ::setenv("HOME", m_home.path().c_str(), 1);
            try {
                if (printSystem.PrinterNames().empty()) {
                    reason = "the CUPS of dev/cups.sh has no printers";
                }
            } catch (const PrintSystemError& error) {
                reason = std::string("CUPS cannot be reached (dev/cups.sh start): ") + error.what();
            }
        }
        if (!reason.empty()) {
            if (std::getenv("AGENT_CUPS_REQUIRED") != nullptr) {
                FAIL() << reason;
            }
            GTEST_SKIP() << reason;
        }
        StoreFixture::SetUp();
        parametros.CNPJ = m_cnpj;
        parametros.Computador = "PC-A";
    }

    TemporaryDirectory m_home;
    TParametros parametros;
    CupsPrintSystem printSystem;
    LibuuidGuidGenerator guids;
};

// The published names are CUPS's destination names, the ones the poller later makes the default.
TEST_F(PrinterRegistryCupsTest, PublishesTheNamesCupsLists) {
    m_server->insertPrinter(guid("gone"), m_cnpj, "PC-A", "Removida");
    RemotePrintStore store;
    PrinterRegistry registry(store, parametros, printSystem, guids);

    registry.RegistrarImpressoras();

    auto expected = printSystem.PrinterNames();
    std::sort(expected.begin(), expected.end());
    EXPECT_NE(std::find(expected.begin(), expected.end(), "Impressora_A"), expected.end());
    std::vector<std::string> published;
    for (const auto& row : m_server->rows(
             "SELECT IMPRESSORA FROM impressoras_remotas WHERE CNPJ = " +
             m_server->literal(m_cnpj) + " AND COMPUTADOR = 'PC-A' ORDER BY IMPRESSORA")) {
        published.push_back(row[0].value_or("NULL"));
    }
    std::sort(published.begin(), published.end());
    EXPECT_THAT(published, ElementsAreArray(expected));

    // The printer a job would name is accepted by CUPS as the default.
    printSystem.SetDefaultPrinter(published.front());
    EXPECT_EQ(printSystem.DefaultPrinter(), published.front());
}

} // namespace
