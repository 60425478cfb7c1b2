#include "StoreFixture.h"
#include "common/TParametros.h"
#include "platform/linux/CupsPrintSystem.h"
#include "platform/linux/LibuuidGuidGenerator.h"
#include "printing/PrinterRegistry.h"
#include "support/DevCups.h"
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
        if (cupsDir == nullptr) {
            AGENT_SKIP_OR_FAIL("AGENT_CUPS_REQUIRED",
                               "AGENT_CUPS_DIR does not name dev/run/cups (run through CTest)");
        }
        if (const auto reason = UseDevCups(cupsDir, m_home.path())) {
            AGENT_SKIP_OR_FAIL("AGENT_CUPS_REQUIRED", *reason);
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
