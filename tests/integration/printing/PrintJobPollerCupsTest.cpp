#include "LoopbackListener.h"
#include "StoreFixture.h"
#include "common/ErrorLog.h"
#include "common/MessageTexts.h"
#include "common/TParametros.h"
#include "platform/linux/CupsPrintSystem.h"
#include "platform/linux/PosixProgramLauncher.h"
#include "platform/linux/ProcProcessTable.h"
#include "platform/linux/X11WindowCloser.h"
#include "printing/ConnectivityProbe.h"
#include "printing/PrintJobPoller.h"
#include "support/DevCups.h"
#include "support/FileContent.h"
#include "support/TemporaryDirectory.h"
#include "unit/PlatformFakes.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gmock/gmock.h>
#include <thread>

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

using Row = std::vector<std::optional<std::string>>;
const Row kDone{"N", std::nullopt};

// Polls until the condition holds or the time is up; the condition's last answer.
template <typename Condition>
bool Eventually(Condition condition, std::chrono::seconds limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return condition();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The HOME of this process's CUPS user settings. libcups reads HOME once per process, so every
// test of the process shares one folder.
const std::filesystem::path& ProcessHome() {
    static const TemporaryDirectory home;
    return home.path();
}

// A small well-formed PDF that carries a mark of its own, so its printout can be told apart.
std::string PdfDocument(const std::string& mark) {
    return "%PDF-1.4\n%" + mark +
           "\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
           "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
           "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >> endobj\n"
           "trailer << /Root 1 0 R >>\n%%EOF\n";
}

// The poller with the real print system, launcher, process table and window closer, on the local
// MariaDB and the throwaway CUPS of dev/cups.sh, whose folder CTest passes in AGENT_CUPS_DIR.
// The user's default printer lives under HOME, which points at a folder of the test process.
// Waits still go through a recording sleeper: their length is the unit tests' business.
class PrintJobPollerCupsTest : public StoreFixture {
protected:
    void SetUp() override {
        const char* cupsDir = std::getenv("AGENT_CUPS_DIR");
        if (cupsDir == nullptr) {
            AGENT_SKIP_OR_FAIL("AGENT_CUPS_REQUIRED",
                               "AGENT_CUPS_DIR does not name dev/run/cups (run through CTest)");
        }
        m_cupsOut = std::filesystem::path(cupsDir) / "out";
        if (const auto reason = UseDevCups(cupsDir, ProcessHome(), "Impressora_B")) {
            AGENT_SKIP_OR_FAIL("AGENT_CUPS_REQUIRED", *reason);
        }
        StoreFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        // A blank in the working folder's name: the document's path must stay one argument.
        work = folder.path() / "fila de impressão";
        std::filesystem::create_directories(work / "PDF");
        std::filesystem::create_directory(work / "LOG");
        cwd = std::make_unique<ScopedCurrentDirectory>(work);
        parametros.CNPJ = m_cnpj;
        parametros.Computador = "PC-A";
        parametros.Apagar = "N";
    }

    void TearDown() override {
        cwd.reset();
        StoreFixture::TearDown();
    }

    void insertJob(const std::string& name, const std::string& document,
                   const std::string& impressora) {
        m_server->insertJob("impressoes_remotas", guid(name), m_cnpj, "PC-A", document, "S",
                            impressora);
    }
    Row jobState(const std::string& fullGuid) {
        const auto found = m_server->rows("SELECT IMPRIMIR, ARQUIVO FROM impressoes_remotas "
                                          "WHERE GUID = " +
                                          m_server->literal(fullGuid));
        return found.empty() ? Row{} : found.front();
    }
    std::filesystem::path spoolFile(const std::string& fullGuid) const {
        return work / "PDF" / (fullGuid + ".pdf");
    }

    TemporaryDirectory folder;
    std::filesystem::path work;
    std::unique_ptr<ScopedCurrentDirectory> cwd;
    std::filesystem::path m_cupsOut;
    LoopbackListener probeEndpoint;
    ConnectivityProbe probe{"127.0.0.1", probeEndpoint.port()};
    RemotePrintStore store;
    TParametros parametros;
    Journal journal;
    RecordingTimer timer{journal};
    CupsPrintSystem printSystem;
    PosixProgramLauncher launcher;
    X11WindowCloser windows;
    ProcProcessTable processes;
    RecordingSleeper sleeper{journal};
    RecordingNotices alerta{journal, "alerta"};
    RecordingNotices alertaErro{journal, "alertaErro"};
    PrintJobPoller poller{parametros,
                          timer,
                          probe,
                          store,
                          PrintServices{printSystem, launcher, windows, processes, sleeper},
                          alerta,
                          alertaErro};
};

// ADOBE: the job's printer becomes the user's default, CUPS prints the spool file on it, and a
// running Acrobat.exe (here a copy of sleep) is ended afterwards.
TEST_F(PrintJobPollerCupsTest, AcrobatPathPrintsOnTheJobsPrinterAndEndsAcrobat) {
    parametros.Sumatra = "N";
    parametros.Adobe = "S";
    const auto acrobat = folder.path() / "Acrobat.exe";
    std::filesystem::copy_file("/bin/sleep", acrobat);
    launcher.Start(acrobat.string(), "60");
    auto acrobatRunning = [&] {
        const auto snapshot = processes.Snapshot();
        return snapshot && std::any_of(snapshot->begin(), snapshot->end(), [&](const auto& entry) {
                   return entry.imageName == acrobat.string();
               });
    };
    ASSERT_TRUE(Eventually(acrobatRunning));
    const std::string document = PdfDocument(guid("acrobat"));
    insertJob("acrobat", document, "Impressora_B");

    poller.TimerEnviaMsgTimer();

    EXPECT_THAT(alertaErro.shown, IsEmpty());
    EXPECT_THAT(alerta.shown, ElementsAre(Notice{texts::kPrintedCaption, ""}));
    EXPECT_EQ(printSystem.DefaultPrinter(), "Impressora_B");
    EXPECT_EQ(jobState(guid("acrobat")), kDone);
    EXPECT_EQ(ReadFileBytes(spoolFile(guid("acrobat"))), document);
    EXPECT_TRUE(Eventually([&] {
        return ReadFileBytes(m_cupsOut / "Impressora_B.pdf") == document;
    })) << "the document did not come out of Impressora_B";
    EXPECT_TRUE(Eventually([&] { return !acrobatRunning(); })) << "Acrobat.exe still runs";
}

// SUMATRA: the program in the working folder is started with the spool file as one argument,
// while the file is still there.
TEST_F(PrintJobPollerCupsTest, SumatraPathStartsTheProgramOfTheWorkingFolder) {
    parametros.Sumatra = "S";
    const auto arguments = folder.path() / "argumentos.txt";
    WriteFileBytes(work / "SumatraPDF.exe", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; "
                                            "done > '" +
                                                arguments.string() + ".tmp'\nmv '" +
                                                arguments.string() + ".tmp' '" +
                                                arguments.string() + "'\n");
    std::filesystem::permissions(work / "SumatraPDF.exe", std::filesystem::perms::owner_all);
    insertJob("sumatra", PdfDocument("sumatra"), "Impressora_A");

    poller.TimerEnviaMsgTimer();

    EXPECT_THAT(alertaErro.shown, IsEmpty());
    EXPECT_EQ(jobState(guid("sumatra")), kDone);
    EXPECT_EQ(printSystem.DefaultPrinter(), "Impressora_A");
    ASSERT_TRUE(Eventually([&] { return std::filesystem::exists(arguments); }))
        << "SumatraPDF.exe was not started";
    EXPECT_EQ(ReadFileBytes(arguments), "-print-to-default\n-print-settings\nnoscale\n" +
                                            spoolFile(guid("sumatra")).string() + "\n");
}

// Failures only the real services produce: each leaves the job pending and says why.
TEST_F(PrintJobPollerCupsTest, RealRefusalsKeepTheJobPending) {
    struct Case {
        const char* name;
        const char* printer;
        const char* message;
        const char* defaultAfter;
    };
    // An unknown printer changes nothing; a program that fails to start does so after the job's
    // printer was made the default.
    const Case cases[] = {
        {"printer not in CUPS", "Impressora_Inexistente", "Impressora_Inexistente", "Impressora_B"},
        {"SumatraPDF.exe missing", "Impressora_A", "o programa não existe", "Impressora_A"},
    };
    printSystem.SetDefaultPrinter("Impressora_B");
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        removeRows();
        alertaErro.shown.clear();
        parametros.Sumatra = "S";
        insertJob("j", PdfDocument(row.name), row.printer);

        poller.TimerEnviaMsgTimer();

        ASSERT_EQ(alertaErro.shown.size(), 1U);
        EXPECT_EQ(alertaErro.shown[0].caption, texts::kPrintFailedCaption);
        EXPECT_THAT(alertaErro.shown[0].text, HasSubstr(row.message));
        EXPECT_EQ(ReadFileBytes(work / "LOG" / "AppErro.txt"),
                  "Erro -> " + ToLocaleCharset(alertaErro.shown[0].text) + "\r\n");
        EXPECT_EQ(jobState(guid("j")), (Row{"S", PdfDocument(row.name)}));
        EXPECT_THAT(alerta.shown, IsEmpty());
        EXPECT_EQ(printSystem.DefaultPrinter(), row.defaultAfter);
    }
}

// Three pending jobs, each for a printer of its own: one cycle prints them all, and each printer
// puts out its job's document byte for byte.
TEST_F(PrintJobPollerCupsTest, ThreeJobsComeOutOfTheirPrintersByteForByteInOneCycle) {
    parametros.Sumatra = "N";
    parametros.Adobe = "S";
    // cupsd writes the printouts as its own user: the folder must let it in.
    TemporaryDirectory output;
    std::filesystem::permissions(output.path(), std::filesystem::perms::all);
    // Removed again however the test ends.
    struct Printers : std::vector<std::string> {
        ~Printers() {
            for (const auto& name : *this) {
                std::system(("lpadmin -x " + name).c_str());
            }
        }
    } printers;
    for (int i = 1; i <= 3; ++i) {
        const std::string name = "Fila_" + std::to_string(::getpid()) + "_" + std::to_string(i);
        const std::string command = "lpadmin -p " + name + " -E -v file://" +
                                    (output.path() / (name + ".pdf")).string() + " -P " +
                                    AGENT_PASSTHROUGH_PPD;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        printers.push_back(name);
    }
    std::vector<std::string> documents;
    for (int i = 0; i < 3; ++i) {
        documents.push_back(PdfDocument(guid("tres") + "-" + std::to_string(i)));
        insertJob("tres-" + std::to_string(i), documents.back(), printers[i]);
    }

    poller.TimerEnviaMsgTimer();

    EXPECT_THAT(alertaErro.shown, IsEmpty());
    EXPECT_EQ(alerta.shown.size(), 3U);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(printers[i]);
        EXPECT_EQ(jobState(guid("tres-" + std::to_string(i))), kDone);
        EXPECT_TRUE(Eventually([&] {
            return ReadFileBytes(output.path() / (printers[i] + ".pdf")) == documents[i];
        })) << "the document did not come out of "
            << printers[i];
    }
}

} // namespace
