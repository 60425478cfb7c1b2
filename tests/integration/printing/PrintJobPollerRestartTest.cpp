#include "PollerFixture.h"
#include "ServerRestart.h"
#include "common/ErrorLog.h"
#include "common/MessageTexts.h"

#include <cstdlib>
#include <gmock/gmock.h>

using testing::ElementsAre;
using testing::IsEmpty;

namespace {

// The poller while the local MariaDB is stopped and started again.
class PrintJobPollerRestartTest : public WithServerRestart<PollerFixture> {};

TEST_F(PrintJobPollerRestartTest, AStoppedServerFailsOneCycleAndTheNextOnePrints) {
    insertJob("antes", "pdf antes");
    poller.TimerEnviaMsgTimer();
    ASSERT_THAT(alerta.shown, ElementsAre(Notice{texts::kPrintedCaption, ""}));

    run("stop");
    journal.clear();
    poller.TimerEnviaMsgTimer();

    EXPECT_THAT(journal,
                ElementsAre("timer off", "timer on 1000", "alertaErro Erro ao imprimir registro"));
    ASSERT_EQ(alertaErro.shown.size(), 1U);
    EXPECT_EQ(alertaErro.shown[0].caption, texts::kPrintFailedCaption);
    EXPECT_FALSE(alertaErro.shown[0].text.empty());
    EXPECT_EQ(ReadFileBytes(logFile()),
              "Erro -> " + ToLocaleCharset(alertaErro.shown[0].text) + "\r\n");

    restartServerSide();
    insertJob("depois", "pdf depois");
    journal.clear();
    poller.TimerEnviaMsgTimer();

    EXPECT_THAT(journal,
                ElementsAre("timer off", "default Balcao", "sleep 500", sumatraLine(guid("depois")),
                            "sleep 500", "alerta Registro impresso com sucesso", "timer on 1000"));
    EXPECT_EQ(jobState(guid("depois")),
              (std::vector<std::optional<std::string>>{"N", std::nullopt}));
    EXPECT_EQ(alertaErro.shown.size(), 1U);
}

// A job failure that is not the database's leaves the connection open; when the server restarts
// meanwhile, that stale connection costs at most one more failed cycle.
TEST_F(PrintJobPollerRestartTest, AConnectionLeftOpenByAFailureSurvivesARestart) {
    insertJob("j", "pdf");
    launcher.failure = "SumatraPDF.exe não encontrado";
    poller.TimerEnviaMsgTimer();
    ASSERT_EQ(alertaErro.shown.size(), 1U);
    ASSERT_TRUE(store.DBConexaoServidorMobile.Connected());

    run("stop");
    restartServerSide();
    launcher.failure.reset();
    poller.TimerEnviaMsgTimer();
    if (jobState(guid("j")) != std::vector<std::optional<std::string>>{"N", std::nullopt}) {
        EXPECT_EQ(alertaErro.shown.size(), 2U);
        poller.TimerEnviaMsgTimer();
    }

    EXPECT_EQ(jobState(guid("j")), (std::vector<std::optional<std::string>>{"N", std::nullopt}));
    EXPECT_THAT(alerta.shown, ElementsAre(Notice{texts::kPrintedCaption, ""}));
    EXPECT_LE(alertaErro.shown.size(), 2U);
    EXPECT_FALSE(store.DBConexaoServidorMobile.Connected());
}

} // namespace
