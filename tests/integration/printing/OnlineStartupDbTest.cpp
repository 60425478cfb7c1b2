#include "LoopbackListener.h"
#include "PrinterListFake.h"
#include "StoreFixture.h"
#include "app/OnlineStartup.h"
#include "common/PollTimer.h"
#include "common/TParametros.h"
#include "platform/linux/LibuuidGuidGenerator.h"
#include "printing/ConnectivityProbe.h"
#include "printing/PrinterRegistry.h"
#include "support/RecordingMessageBoxes.h"
#include "support/StartupFakes.h"

#include <functional>
#include <gmock/gmock.h>

using testing::ElementsAre;
using testing::IsEmpty;

namespace {

// Runs `onEnable` at the moment it is enabled, to see the table as the first tick would.
class WatchedTimer : public PollTimer {
public:
    void SetEnabled(bool enabled) override {
        m_enabled = enabled;
        if (enabled && onEnable) {
            onEnable();
        }
    }
    bool Enabled() const override { return m_enabled; }
    void SetInterval(int milliseconds) override { m_interval = milliseconds; }
    int Interval() const override { return m_interval; }

    std::function<void()> onEnable;

private:
    bool m_enabled = false;
    int m_interval = 5000;
};

// Start-up with a reachable probe endpoint and the local MariaDB.
class OnlineStartupDbTest : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        parametros.CNPJ = m_cnpj;
        parametros.Computador = "PC-A";
        printSystem.names = {"Impressora_A", "Impressora_B"};
    }

    long long publishedRows() {
        return m_server->count("SELECT COUNT(*) FROM impressoras_remotas WHERE CNPJ = " +
                               m_server->literal(m_cnpj) + " AND COMPUTADOR = 'PC-A'");
    }

    LoopbackListener probeEndpoint;
    ConnectivityProbe probe{"127.0.0.1", probeEndpoint.port()};
    TParametros parametros;
    RemotePrintStore store;
    PrinterListFake printSystem;
    LibuuidGuidGenerator guids;
    PrinterRegistry registry{store, parametros, printSystem, guids};
    WatchedTimer timer;
    RecordingMessageBoxes boxes;
    RecordingApplication application;
};

// The printers are in the table before the timer is enabled, at the online pace.
TEST_F(OnlineStartupDbTest, PublishesThePrintersThenEnablesTheTimer) {
    m_server->insertPrinter(guid("old"), m_cnpj, "PC-A", "Removida");
    long long rowsAtEnable = -1;
    timer.onEnable = [&] { rowsAtEnable = publishedRows(); };
    OnlineStartup startup(probe, registry, timer, boxes, application);

    EXPECT_TRUE(startup.Run());

    EXPECT_EQ(rowsAtEnable, 2);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000);
    EXPECT_THAT(boxes.shown, IsEmpty());
    EXPECT_EQ(application.terminations, 0);
    EXPECT_FALSE(store.DBConexaoServidorMobile.Connected());
}

// The printer list fails after the old rows were deleted: the error passes on, the timer stays
// disabled, and the rows stay deleted.
TEST_F(OnlineStartupDbTest, PrinterListErrorLeavesTheTimerDisabled) {
    m_server->insertPrinter(guid("old"), m_cnpj, "PC-A", "Removida");
    printSystem.refusal = "CUPS indisponível";
    OnlineStartup startup(probe, registry, timer, boxes, application);

    try {
        startup.Run();
        FAIL() << "the registration's error was swallowed";
    } catch (const PrintSystemError& error) {
        EXPECT_STREQ(error.what(), "CUPS indisponível");
    }
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000);
    EXPECT_EQ(publishedRows(), 0);
    EXPECT_EQ(application.terminations, 0);
}

} // namespace
