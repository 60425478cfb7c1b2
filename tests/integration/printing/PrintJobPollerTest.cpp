#include "PollerFixture.h"
#include "common/ErrorLog.h"
#include "common/MessageTexts.h"
#include "printing/RemoteStatements.h"

#include <functional>
#include <gmock/gmock.h>
#include <set>

using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::StartsWith;

namespace {

const Notice kPrinted{texts::kPrintedCaption, ""};

using Row = std::vector<std::optional<std::string>>;
const Row kDone{"N", std::nullopt};
Row Pending(const std::string& document) {
    return {"S", document};
}

class PrintJobPollerTest : public PollerFixture {};

TEST_F(PrintJobPollerTest, NoPendingJobOpensAndClosesTheConnectionAndShowsNothing) {
    insertJob("feito", "pdf");
    m_server->exec("UPDATE impressoes_remotas SET IMPRIMIR = 'N' WHERE GUID = " +
                   m_server->literal(guid("feito")));
    m_server->insertJob("impressoes_remotas", guid("outro"), m_cnpj, "PC-B", "pdf", "S");

    poller.TimerEnviaMsgTimer();

    EXPECT_THAT(journal, ElementsAre("timer off", "timer on 1000"));
    EXPECT_FALSE(store.DBConexaoServidorMobile.Connected());
    EXPECT_FALSE(store.db_busca_impressao.Active());
    EXPECT_EQ(jobState(guid("outro")), Pending("pdf"));
}

TEST_F(PrintJobPollerTest, PrintsEveryPendingJobInQueryOrderInOneCycle) {
    insertJob("b", "documento b");
    insertJob("c", "documento c");
    insertJob("a", "documento a");
    std::vector<std::string> order;
    for (const auto& row : m_server->rows(
             "SELECT GUID FROM impressoes_remotas WHERE CNPJ = " + m_server->literal(m_cnpj) +
             " AND COMPUTADOR = 'PC-A' AND IMPRIMIR = 'S'")) {
        order.push_back(*row.front());
    }
    ASSERT_EQ(order.size(), 3U);
    // What each started program finds in the spool folder.
    std::vector<std::set<std::string>> handedOver;
    launcher.onStart = [&] {
        std::set<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path() / "PDF")) {
            files.insert(entry.path().filename().string() + ": " + ReadFileBytes(entry.path()));
        }
        handedOver.push_back(files);
    };

    poller.TimerEnviaMsgTimer();

    std::vector<std::string> expected{"timer off"};
    std::vector<std::set<std::string>> expectedHandOver;
    std::set<std::string> written;
    for (const auto& job : order) {
        expected.insert(expected.end(), {"default Balcao", "sleep 500", sumatraLine(job),
                                         "sleep 500", "alerta Registro impresso com sucesso"});
        written.insert(job + ".pdf: documento " + job.substr(job.size() - 2, 1));
        expectedHandOver.push_back(written);
    }
    expected.push_back("timer on 1000");
    EXPECT_THAT(journal, ElementsAreArray(expected));
    // APAGAR "N": every file stays, so each start finds the files of the jobs so far.
    EXPECT_EQ(handedOver, expectedHandOver);
    EXPECT_THAT(alerta.shown, ElementsAre(kPrinted, kPrinted, kPrinted));
    EXPECT_THAT(alertaErro.shown, IsEmpty());
    for (const auto& job : order) {
        SCOPED_TRACE(job);
        EXPECT_EQ(jobState(job), kDone);
        EXPECT_EQ(ReadFileBytes(spoolFile(job)), "documento " + job.substr(job.size() - 2, 1));
    }
    EXPECT_FALSE(store.DBConexaoServidorMobile.Connected());
    EXPECT_FALSE(std::filesystem::exists(logFile()));
}

// The waits around each back-end, and the delete, for each APAGAR value and each program.
TEST_F(PrintJobPollerTest, WaitsAndDeleteFollowTheSettings) {
    struct Case {
        const char* sumatra;
        const char* adobe;
        const char* apagar;
        bool deleted;
    };
    const Case cases[] = {
        {"S", "N", "S", true}, {"S", "N", "s", false}, {"S", "N", "", false},
        {"", "S", "N", false}, {"N", "", "S", true},   {"N", "S", "s", false},
    };
    int number = 0;
    for (const auto& row : cases) {
        SCOPED_TRACE(std::string("SUMATRA=\"") + row.sumatra + "\" ADOBE=\"" + row.adobe +
                     "\" APAGAR=\"" + row.apagar + "\"");
        parametros.Sumatra = row.sumatra;
        parametros.Adobe = row.adobe;
        parametros.Apagar = row.apagar;
        const std::string name = "w" + std::to_string(++number);
        insertJob(name, "pdf " + name);
        processes.entries = {{700, "/opt/acrobat/Acrobat.exe"}};
        journal.clear();
        alerta.shown.clear();

        poller.TimerEnviaMsgTimer();

        const std::string job = guid(name);
        std::vector<std::string> expected{"timer off", "default Balcao", "sleep 500"};
        if (row.sumatra == std::string("S") || row.sumatra == std::string()) {
            expected.push_back(sumatraLine(job));
        } else {
            expected.insert(expected.end(),
                            {"print " + spoolFile(job).string() + " on Balcao", "sleep 5000",
                             "close Adobe Acrobat DC (32 bits)", "terminate 700"});
        }
        expected.push_back("sleep 500");
        if (row.deleted) {
            expected.push_back("sleep 1500");
        }
        expected.insert(expected.end(), {"alerta Registro impresso com sucesso", "timer on 1000"});
        EXPECT_THAT(journal, ElementsAreArray(expected));
        EXPECT_EQ(std::filesystem::exists(spoolFile(job)), !row.deleted);
        EXPECT_EQ(jobState(job), kDone);
        EXPECT_THAT(alerta.shown, ElementsAre(kPrinted));
    }
    EXPECT_THAT(alertaErro.shown, IsEmpty());
}

// A job the agent must not or cannot print fails the cycle: the error is logged and shown, the
// timer runs again at one second, and the job stays pending with its document.
TEST_F(PrintJobPollerTest, ARefusedJobStaysPendingAndTakesTheErrorPath) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::string message;            // the start of the notice's text
        std::vector<std::string> steps; // between "timer off" and "timer on 1000"
        bool spoolFileLeft;
    };
    const Case cases[] = {
        {"unknown printer",
         [this] { insertJob("j", "pdf", "Fiscal"); },
         "A impressora \"Fiscal\" não está instalada",
         {},
         false},
        {"no program selected",
         [this] {
             parametros.Sumatra = "s";
             parametros.Adobe = "N";
             insertJob("j", "pdf");
         },
         "Nenhum programa de impressão selecionado (SUMATRA e ADOBE)",
         {},
         false},
        {"program missing",
         [this] {
             launcher.failure = "SumatraPDF.exe não encontrado";
             insertJob("j", "pdf");
         },
         "SumatraPDF.exe não encontrado",
         {"default Balcao", "sleep 500"},
         true},
        {"document refused",
         [this] {
             parametros.Sumatra = "N";
             parametros.Adobe = "S";
             printSystem.refusal = "Documento recusado";
             insertJob("j", "pdf");
         },
         "Documento recusado",
         {"default Balcao", "sleep 500"},
         true},
        {"no PDF folder",
         [this] {
             std::filesystem::remove(folder.path() / "PDF");
             insertJob("j", "pdf");
         },
         "Não foi possível gravar o arquivo",
         {"default Balcao"},
         false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        removeRows();
        journal.clear();
        alertaErro.shown.clear();
        std::filesystem::remove_all(folder.path() / "PDF");
        std::filesystem::create_directory(folder.path() / "PDF");
        std::filesystem::remove(logFile());
        parametros.Sumatra = "S";
        parametros.Adobe = "N";
        launcher.failure.reset();
        printSystem.refusal.reset();
        printSystem.defaultPrinter = "PDF";
        row.arrange();

        poller.TimerEnviaMsgTimer();

        std::vector<std::string> expected{"timer off"};
        expected.insert(expected.end(), row.steps.begin(), row.steps.end());
        expected.insert(expected.end(), {"timer on 1000", "alertaErro Erro ao imprimir registro"});
        EXPECT_THAT(journal, ElementsAreArray(expected));
        ASSERT_EQ(alertaErro.shown.size(), 1U);
        EXPECT_EQ(alertaErro.shown[0].caption, texts::kPrintFailedCaption);
        EXPECT_THAT(alertaErro.shown[0].text, StartsWith(row.message));
        EXPECT_EQ(ReadFileBytes(logFile()),
                  "Erro -> " + ToLocaleCharset(alertaErro.shown[0].text) + "\r\n");
        EXPECT_THAT(alerta.shown, IsEmpty());
        EXPECT_EQ(jobState(guid("j")), Pending("pdf"));
        EXPECT_EQ(std::filesystem::exists(spoolFile(guid("j"))), row.spoolFileLeft);
    }
}

TEST_F(PrintJobPollerTest, AnUnsafeGuidIsRefusedBeforeAnythingIsTouched) {
    const std::string outside = "../" + m_cnpj;
    m_server->insertJob("impressoes_remotas", outside, m_cnpj, "PC-A", "pdf", "S", "Balcao");

    poller.TimerEnviaMsgTimer();

    EXPECT_THAT(journal,
                ElementsAre("timer off", "timer on 1000", "alertaErro Erro ao imprimir registro"));
    ASSERT_EQ(alertaErro.shown.size(), 1U);
    EXPECT_EQ(alertaErro.shown[0].text, "O GUID \"" + outside +
                                            "\" não serve como nome de arquivo: contém "
                                            "separador de caminho");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / (m_cnpj + ".pdf")));
    EXPECT_EQ(printSystem.defaultPrinter, "PDF");
    EXPECT_EQ(jobState(outside), Pending("pdf"));
}

// After a failure the next cycle retries the job, on the connection the failure left open.
TEST_F(PrintJobPollerTest, TheNextCycleRetriesAFailedJob) {
    insertJob("j", "pdf");
    launcher.failure = "SumatraPDF.exe não encontrado";
    poller.TimerEnviaMsgTimer();
    ASSERT_EQ(alertaErro.shown.size(), 1U);

    launcher.failure.reset();
    journal.clear();
    poller.TimerEnviaMsgTimer();

    EXPECT_THAT(journal,
                ElementsAre("timer off", "default Balcao", "sleep 500", sumatraLine(guid("j")),
                            "sleep 500", "alerta Registro impresso com sucesso", "timer on 1000"));
    EXPECT_EQ(jobState(guid("j")), kDone);
    EXPECT_FALSE(store.DBConexaoServidorMobile.Connected());
}

TEST_F(PrintJobPollerTest, AnEmptyPrinterKeepsTheCurrentDefault) {
    printSystem.defaultPrinter = "Balcao";
    insertJob("j", "pdf", "");

    poller.TimerEnviaMsgTimer();

    EXPECT_THAT(journal, ElementsAre("timer off", "sleep 500", sumatraLine(guid("j")), "sleep 500",
                                     "alerta Registro impresso com sucesso", "timer on 1000"));
    EXPECT_EQ(printSystem.defaultPrinter, "Balcao");
    EXPECT_EQ(jobState(guid("j")), kDone);
}

TEST_F(PrintJobPollerTest, ANullDocumentIsPrintedAsAnEmptyFile) {
    insertJob("vazio", std::nullopt);
    bool sawEmptyFile = false;
    launcher.onStart = [&] {
        const auto file = spoolFile(guid("vazio"));
        sawEmptyFile = std::filesystem::exists(file) && std::filesystem::file_size(file) == 0;
    };

    poller.TimerEnviaMsgTimer();

    EXPECT_TRUE(sawEmptyFile);
    EXPECT_EQ(jobState(guid("vazio")), kDone);
    EXPECT_THAT(alerta.shown, ElementsAre(kPrinted));
}

TEST_F(PrintJobPollerTest, AnEmptyGuidIsSpooledAsDotPdf) {
    m_server->insertJob("impressoes_remotas", "", m_cnpj, "PC-A", "sem nome", "S", "Balcao");

    poller.TimerEnviaMsgTimer();

    EXPECT_EQ(ReadFileBytes(folder.path() / "PDF" / ".pdf"), "sem nome");
    EXPECT_EQ(jobState(""), kDone);
    EXPECT_THAT(alertaErro.shown, IsEmpty());
}

// Only a table without a key can hold two jobs with one GUID: both print, each from its own
// document written over the same spool file, and each row is marked on its own.
TEST_F(PrintJobPollerTest, TwoJobsWithOneGuidReuseTheSpoolFile) {
    std::string keyless = remote_statements::kBuscaImpressao;
    keyless.replace(keyless.find("impressoes_remotas"), 18, "impressoes_remotas_sem_chave");
    store.db_busca_impressao.SetSQL(keyless);
    m_server->insertJob("impressoes_remotas_sem_chave", guid("mesmo"), m_cnpj, "PC-A", "primeiro",
                        "S", "Balcao");
    m_server->insertJob("impressoes_remotas_sem_chave", guid("mesmo"), m_cnpj, "PC-A", "segundo",
                        "S", "Balcao");
    std::vector<std::string> handedOver;
    launcher.onStart = [&] { handedOver.push_back(ReadFileBytes(spoolFile(guid("mesmo")))); };

    poller.TimerEnviaMsgTimer();

    EXPECT_THAT(handedOver, testing::UnorderedElementsAre("primeiro", "segundo"));
    EXPECT_EQ(ReadFileBytes(spoolFile(guid("mesmo"))), handedOver.back());
    EXPECT_THAT(alerta.shown, ElementsAre(kPrinted, kPrinted));
    EXPECT_EQ(m_server->count("SELECT COUNT(*) FROM impressoes_remotas_sem_chave WHERE CNPJ = " +
                              m_server->literal(m_cnpj) +
                              " AND IMPRIMIR = 'N' AND ARQUIVO IS NULL"),
              2);
}

TEST_F(PrintJobPollerTest, OfflineCycleNeitherTouchesTheDatabaseNorTheLog) {
    insertJob("j", "pdf");
    LoopbackListener closed(false);
    ConnectivityProbe offline("127.0.0.1", closed.port());
    PrintJobPoller offlinePoller{parametros,
                                 timer,
                                 offline,
                                 store,
                                 PrintServices{printSystem, launcher, windows, processes, sleeper},
                                 alerta,
                                 alertaErro};
    timer.SetInterval(1000);

    offlinePoller.TimerEnviaMsgTimer();

    EXPECT_THAT(journal,
                ElementsAre("timer off", "alertaErro Sem acesso a internet", "timer on 5000"));
    EXPECT_THAT(alertaErro.shown,
                ElementsAre(Notice{"Sem acesso a internet", "Vamos tentar reconectar."}));
    EXPECT_FALSE(store.DBConexaoServidorMobile.Connected());
    EXPECT_FALSE(std::filesystem::exists(logFile()));
    EXPECT_EQ(jobState(guid("j")), Pending("pdf"));

    journal.clear();
    poller.TimerEnviaMsgTimer();
    EXPECT_EQ(jobState(guid("j")), kDone);
    EXPECT_EQ(journal.back(), "timer on 1000");
}

} // namespace
