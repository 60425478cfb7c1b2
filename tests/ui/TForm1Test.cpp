#include "app/TForm1.h"

#include "DeploymentValues.h"
#include "integration/printing/LoopbackListener.h"
#include "support/FileContent.h"
#include "support/RecordingMessageBoxes.h"
#include "support/StartupFakes.h"
#include "support/TemporaryDirectory.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <gtest/gtest.h>

namespace {

// The database and the probe endpoint are loopback ports of the test's own: the probe finds the
// internet or not, and the database always refuses the connection.
class TForm1Test : public testing::Test {
protected:
    RemoteEndpoints Endpoints(bool online) const {
        RemoteEndpoints endpoints;
        endpoints.probe =
            ConnectivityProbe("127.0.0.1", online ? listening.port() : refusing.port());
        endpoints.database.host = "127.0.0.1";
        endpoints.database.port = refusing.port();
        return endpoints;
    }
    std::unique_ptr<TForm1> Create(bool online = false) {
        return std::make_unique<TForm1>(parametros, prompt, boxes, computerName, application,
                                        Endpoints(online));
    }
    QAction& Item(TForm1& form, const char* name) {
        QAction* item = form.PopupMenu1().findChild<QAction*>(name);
        EXPECT_NE(item, nullptr) << name;
        return *item;
    }
    void WriteSettings(const std::string& content) {
        std::ofstream(folder.path() / "App.ini", std::ios::binary) << content;
    }

    TemporaryDirectory folder;
    ScopedCurrentDirectory cwd{folder.path()};
    TParametros parametros;
    ScriptedCnpjPrompt prompt;
    RecordingMessageBoxes boxes;
    FixedComputerName computerName;
    RecordingApplication application;
    LoopbackListener listening;
    LoopbackListener refusing{false};
};

TEST_F(TForm1Test, CreatesTrayIconWithTitleAndMenuAndADisabledTimer) {
    WriteSettings("[PARAMETROS]\r\nCNPJ=12345678000190\r\n");
    const auto form = Create();

    EXPECT_EQ(form->TrayIcon1().toolTip(), QString("Servidor de impressão remota"));
    EXPECT_EQ(form->TrayIcon1().contextMenu(), &form->PopupMenu1());
    EXPECT_FALSE(form->TrayIcon1().icon().isNull());
    EXPECT_FALSE(form->TimerEnviaMsg().isActive());
    EXPECT_EQ(form->TimerEnviaMsg().interval(), 1000);
    EXPECT_EQ(form->Alerta().DisplayTime(), 2000);
    EXPECT_EQ(form->AlertaErro().DisplayTime(), 4000);
    EXPECT_TRUE(form->Alerta().Shown().empty());
    EXPECT_EQ(form->Falavix11().UserID(), 0);
    EXPECT_EQ(form->Falavix11().QueueID(), 0);
    EXPECT_EQ(form->Falavix11().Token(), "");
    EXPECT_EQ(form->Falavix11().Url(), std::string(deployment::kGatewayUrl) + "/api/messages/send");

    struct Item {
        const char* name;
        const char* caption; // empty for a separator
    };
    const Item expected[] = {
        {"C1", "Criar atalho para iniciar automáticamente"},
        {"A1", "Alterar CNPJ"},
        {"N1", ""},
        {"l1", "Limpar fila de impressão"},
        {"L2", "Resetar lista de impressoras"},
        {"N2", ""},
        {"S1", "Fechar API"},
    };
    const QList<QAction*> actions = form->PopupMenu1().actions();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(std::size(expected)));
    for (qsizetype i = 0; i < actions.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(actions[i]->objectName(), QString(expected[i].name));
        EXPECT_EQ(actions[i]->isSeparator(), std::string(expected[i].caption).empty());
        EXPECT_EQ(actions[i]->text(), QString::fromUtf8(expected[i].caption));
    }
}

TEST_F(TForm1Test, WithoutInternetStartUpShowsItsMessageAndEnds) {
    WriteSettings("[PARAMETROS]\r\nCNPJ=12345678000190\r\n");
    const auto form = Create(false);

    EXPECT_EQ(boxes.shown, (std::vector<std::string>{"Sem acesso a internet no momento, "
                                                     "verifique...\r\n\r\nO servidor de "
                                                     "impressão será finalizado!"}));
    EXPECT_TRUE(application.Terminated());
    EXPECT_FALSE(form->TimerEnviaMsg().isActive());
}

// A database that refuses the connection at start: the default error report, no polling; the
// print queue command then starts the polling.
TEST_F(TForm1Test, RefusedDatabaseAtStartLeavesTheAgentWithoutPollingUntilAClearingCommand) {
    WriteSettings("[PARAMETROS]\r\nCNPJ=12345678000190\r\nAPAGAR=S\r\nADOBE=N\r\nSUMATRA=N\r\n");
    std::filesystem::create_directory(folder.path() / "LOG");
    const auto form = Create(true);

    EXPECT_EQ(prompt.showings, 0);
    EXPECT_EQ(parametros.CNPJ, "12345678000190");
    EXPECT_EQ(parametros.Computador, "CAIXA-01");
    EXPECT_EQ(parametros.Apagar, "S");
    ASSERT_EQ(boxes.shown.size(), 1U);
    EXPECT_EQ(boxes.shown[0].rfind("error: ", 0), 0U) << boxes.shown[0];
    EXPECT_FALSE(application.Terminated());
    EXPECT_FALSE(form->TimerEnviaMsg().isActive());

    Item(*form, "l1").trigger();

    EXPECT_TRUE(form->TimerEnviaMsg().isActive());
    EXPECT_EQ(form->TimerEnviaMsg().interval(), 1000);
    ASSERT_EQ(form->AlertaErro().Shown().size(), 1U);
    EXPECT_EQ(form->AlertaErro().Shown()[0]->Caption->text(),
              QString("Erro ao limpar fila de impressão"));
}

TEST_F(TForm1Test, StartUpErrorGoesToTheDefaultErrorReportAndTheAgentStaysWithoutPolling) {
    // A folder in the settings file's place: the first-run write fails.
    std::filesystem::create_directory(folder.path() / "App.ini");
    prompt.typed = "12.345.678/0001-90";

    const auto form = Create();

    const std::string path = (folder.path() / "App.ini").string();
    EXPECT_EQ(boxes.shown,
              (std::vector<std::string>{"CNPJ não configurado. Informe o CNPJ para continuar!",
                                        "error: Unable to write to " + path + "."}));
    EXPECT_FALSE(application.Terminated());
    EXPECT_FALSE(form->TimerEnviaMsg().isActive());
}

TEST_F(TForm1Test, FatalStartUpConditionRequestsTheEnd) {
    prompt.typed = "12.345.678/90  -  ";
    const auto form = Create();
    EXPECT_TRUE(application.Terminated());
    EXPECT_EQ(boxes.shown.back(), "CNPJ não configurado. O servidor de impressão será finalizado!");
}

TEST_F(TForm1Test, FecharApiWithTheDatabaseDownShowsTheErrorAndTheAgentStays) {
    WriteSettings("[PARAMETROS]\r\nCNPJ=12345678000190\r\n");
    const auto form = Create(true);
    boxes.shown.clear();

    Item(*form, "S1").trigger();

    ASSERT_EQ(boxes.shown.size(), 1U);
    EXPECT_EQ(boxes.shown[0].rfind("error: ", 0), 0U) << boxes.shown[0];
    EXPECT_FALSE(application.Terminated());
}

TEST_F(TForm1Test, TimerTickRunsThePollCycle) {
    WriteSettings("[PARAMETROS]\r\nCNPJ=12345678000190\r\n");
    std::filesystem::create_directory(folder.path() / "LOG");
    const auto form = Create(true);
    boxes.shown.clear();
    form->TimerEnviaMsg().setInterval(1);
    form->TimerEnviaMsg().start();

    // Online, but the database refuses: the cycle takes the error path.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->AlertaErro().Shown().empty(); }, 10000));
    EXPECT_EQ(form->AlertaErro().Shown()[0]->Caption->text(), QString("Erro ao imprimir registro"));
    EXPECT_TRUE(form->TimerEnviaMsg().isActive());
    EXPECT_EQ(form->TimerEnviaMsg().interval(), 1000);
    EXPECT_EQ(ReadFileBytes(folder.path() / "LOG" / "AppErro.txt").rfind("Erro -> ", 0), 0U);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(TForm1Test, ScramblePairWorksOnUtf16Text) {
    WriteSettings("[PARAMETROS]\r\nCNPJ=12345678000190\r\n");
    const auto form = Create();
    EXPECT_EQ(form->fncEncript("bcd"), QString("cda"));
    EXPECT_EQ(form->fncDecript("cdab"), QString("abcd"));
    const QString withPair = QString::fromUtf8("a😀ção") + QChar(0xFFFF) + QChar(0);
    EXPECT_EQ(form->fncDecript(form->fncEncript(withPair)), withPair);
}

} // namespace
