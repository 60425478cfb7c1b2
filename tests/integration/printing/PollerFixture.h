#pragma once

#include "LoopbackListener.h"
#include "StoreFixture.h"
#include "common/TParametros.h"
#include "printing/ConnectivityProbe.h"
#include "printing/PrintJobPoller.h"
#include "support/FileContent.h"
#include "support/TemporaryDirectory.h"
#include "unit/PlatformFakes.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The poller on the local MariaDB, in a working folder of its own (with PDF and LOG), online
// through a loopback listener, with the operating system's services as recording stand-ins.
class PollerFixture : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        std::filesystem::create_directory(folder.path() / "PDF");
        std::filesystem::create_directory(folder.path() / "LOG");
        parametros.CNPJ = m_cnpj;
        parametros.Computador = "PC-A";
        parametros.Apagar = "N";
        parametros.Adobe = "N";
        parametros.Sumatra = "S";
        // As after an offline cycle, so that an online one visibly sets the interval back.
        timer.SetInterval(5000);
    }

    void insertJob(const std::string& name, const std::optional<std::string>& arquivo,
                   const std::string& impressora = "Balcao") {
        m_server->insertJob("impressoes_remotas", guid(name), m_cnpj, "PC-A", arquivo, "S",
                            impressora);
    }

    // IMPRIMIR and ARQUIVO of the job, or nothing when there is no such row.
    std::vector<std::optional<std::string>> jobState(const std::string& fullGuid,
                                                     const char* table = "impressoes_remotas") {
        const auto found = m_server->rows(std::string("SELECT IMPRIMIR, ARQUIVO FROM ") + table +
                                          " WHERE GUID = " + m_server->literal(fullGuid) +
                                          " AND CNPJ = " + m_server->literal(m_cnpj));
        return found.empty() ? std::vector<std::optional<std::string>>{} : found.front();
    }

    std::filesystem::path spoolFile(const std::string& fullGuid) const {
        return folder.path() / "PDF" / (fullGuid + ".pdf");
    }
    std::string sumatraLine(const std::string& fullGuid) const {
        return "start " + (folder.path() / "SumatraPDF.exe").string() +
               " -print-to-default -print-settings \"noscale\" \"" + spoolFile(fullGuid).string() +
               "\"";
    }
    std::filesystem::path logFile() const { return folder.path() / "LOG" / "AppErro.txt"; }

    TemporaryDirectory folder;
    ScopedCurrentDirectory cwd{folder.path()};
    LoopbackListener probeEndpoint;
    ConnectivityProbe probe{"127.0.0.1", probeEndpoint.port()};
    RemotePrintStore store;
    TParametros parametros;
    Journal journal;
    RecordingTimer timer{journal};
    FakePrintSystem printSystem{journal};
    RecordingLauncher launcher{journal};
    RecordingWindowCloser windows{journal};
    FakeProcessTable processes{journal};
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
