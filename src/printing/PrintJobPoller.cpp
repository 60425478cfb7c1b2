#include "printing/PrintJobPoller.h"

#include "common/CaughtErrorPath.h"
#include "common/MessageTexts.h"
#include "common/Notices.h"
#include "common/PollTimer.h"
#include "common/TParametros.h"
#include "platform/PrintSystem.h"
#include "platform/Sleeper.h"
#include "printing/ConnectivityProbe.h"
#include "printing/PdfBackends.h"
#include "printing/PrintJobChoices.h"
#include "printing/RemotePrintStore.h"

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace {

using std::chrono::milliseconds;

constexpr int kOnlineInterval = 1000;
constexpr int kOfflineInterval = 5000;
constexpr milliseconds kAfterWrite{500};
constexpr milliseconds kAfterHandOver{500};
constexpr milliseconds kBeforeDelete{1500};

constexpr const char* kNoBackendSelected =
    "Nenhum programa de impressão selecionado (SUMATRA e ADOBE)";

// A GUID fit to show in a notice: control characters as '?', long ones cut.
std::string Displayable(const std::string& guid) {
    constexpr std::size_t kShown = 60;
    std::string shown = guid.substr(0, kShown);
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = '?';
        }
    }
    return guid.size() > kShown ? shown + "..." : shown;
}

} // namespace

PrintJobPoller::PrintJobPoller(const TParametros& parametros, PollTimer& timer,
                               const ConnectivityProbe& probe, RemotePrintStore& store,
                               PrintServices services, Notices& alerta, Notices& alertaErro)
    : m_parametros(parametros), m_timer(timer), m_probe(probe), m_store(store),
      m_services(services), m_alerta(alerta), m_alertaErro(alertaErro) {}

void PrintJobPoller::TimerEnviaMsgTimer() {
    m_timer.SetEnabled(false);
    if (!m_probe.TemInternet()) {
        m_alertaErro.Show(texts::kNoInternetCaption, texts::kNoInternetText);
        m_timer.SetInterval(kOfflineInterval);
        m_timer.SetEnabled(true);
        return;
    }
    m_timer.SetInterval(kOnlineInterval);
    CaughtErrorPath(m_timer, m_alertaErro).Run(texts::kPrintFailedCaption, [this] {
        printPendingJobs();
    });
}

void PrintJobPoller::printPendingJobs() {
    DatabaseQuery& jobs = m_store.db_busca_impressao;
    m_store.OpenForComputer(jobs, m_parametros.CNPJ, m_parametros.Computador);
    while (!jobs.Eof()) {
        printCurrentJob(jobs);
    }
    jobs.Close();
    m_store.DBConexaoServidorMobile.Close();
    m_timer.SetEnabled(true);
}

// Everything that can refuse the job is checked before the printer is switched or a file
// written: an unusable GUID and settings that pick no program leave the workstation untouched.
void PrintJobPoller::printCurrentJob(DatabaseQuery& jobs) {
    const std::string guid = jobs.FieldByName("GUID").AsString();
    if (const auto reason = UnsafeSpoolNameReason(guid)) {
        throw std::runtime_error("O GUID \"" + Displayable(guid) +
                                 "\" não serve como nome de arquivo: " + *reason);
    }
    const PrintBackend backend = ChoosePrintBackend(m_parametros);
    if (backend == PrintBackend::None) {
        throw std::runtime_error(kNoBackendSelected);
    }

    const std::string currentDirectory = std::filesystem::current_path().string();
    const std::string spoolPath = SpoolFilePath(currentDirectory, guid);
    // An empty printer name keeps the current default.
    const std::string printer = jobs.FieldByName("IMPRESSORA").AsString();
    if (!printer.empty()) {
        m_services.printSystem.SetDefaultPrinter(printer);
    }
    jobs.FieldByName("ARQUIVO").SaveToFile(spoolPath);
    m_services.sleeper.Sleep(kAfterWrite);

    if (backend == PrintBackend::Sumatra) {
        ImprimirSumatra(m_services.launcher, spoolPath, currentDirectory + "/SumatraPDF.exe");
    } else {
        ImprimirAcrobat(m_services.printSystem, m_services.sleeper, m_services.windows,
                        m_services.processes, spoolPath);
    }
    m_services.sleeper.Sleep(kAfterHandOver);

    if (DeletesSpoolFile(m_parametros)) {
        m_services.sleeper.Sleep(kBeforeDelete);
        std::error_code ignored; // a file the viewer still holds stays in PDF
        std::filesystem::remove(spoolPath, ignored);
    }

    jobs.Edit();
    jobs.FieldByName("ARQUIVO").Clear();
    jobs.FieldByName("IMPRIMIR").SetAsString("N");
    jobs.Post();
    jobs.Next();
    m_alerta.Show(texts::kPrintedCaption, "");
}
