#include "app/TForm1.h"

#include "DeploymentValues.h"
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

class TForm1Test : public testing::Test {
protected:
    std::unique_ptr<TForm1> Create() {
        return std::make_unique<TForm1>(parametros, prompt, boxes, computerName, application);
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

TEST_F(TForm1Test, CreationRunsStartUpWithTheSettingsOfTheWorkingFolder) {
    WriteSettings("[PARAMETROS]\r\nCNPJ=12345678000190\r\nAPAGAR=S\r\nADOBE=N\r\nSUMATRA=N\r\n");
    const auto form = Create();

    EXPECT_EQ(prompt.showings, 0);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(parametros.CNPJ, "12345678000190");
    EXPECT_EQ(parametros.Computador, "CAIXA-01");
    EXPECT_EQ(parametros.Apagar, "S");
    EXPECT_FALSE(application.Terminated());
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

TEST_F(TForm1Test, FecharApiEndsTheApplication) {
    WriteSettings("[PARAMETROS]\r\nCNPJ=12345678000190\r\n");
    const auto form = Create();
    QAction* s1 = form->PopupMenu1().findChild<QAction*>("S1");
    ASSERT_NE(s1, nullptr);
    s1->trigger();
    EXPECT_TRUE(application.Terminated());
}

TEST_F(TForm1Test, TimerTickRunsThePollCycle) {
    // Nothing listens on the built-in probe endpoint here, so the cycle finds no internet.
    WriteSettings("[PARAMETROS]\r\nCNPJ=12345678000190\r\n");
    const auto form = Create();
    form->TimerEnviaMsg().setInterval(1);
    form->TimerEnviaMsg().start();

    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->AlertaErro().Shown().empty(); }, 10000));
    EXPECT_EQ(form->AlertaErro().Shown()[0]->Caption->text(), QString("Sem acesso a internet"));
    EXPECT_EQ(form->AlertaErro().Shown()[0]->Text->text(), QString("Vamos tentar reconectar."));
    EXPECT_TRUE(form->TimerEnviaMsg().isActive());
    EXPECT_EQ(form->TimerEnviaMsg().interval(), 5000);
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
