#include "app/TrayCommands.h"

#include "app/AutostartEntry.h"
#include "app/SettingsFile.h"
#include "common/ApplicationControl.h"
#include "common/CnpjPrompt.h"
#include "common/IniFile.h"
#include "common/MessageBoxes.h"
#include "common/MessageTexts.h"
#include "common/PollTimer.h"
#include "common/SoNumeros.h"
#include "common/TParametros.h"
#include "printing/PrinterRegistry.h"
#include "printing/RemotePrintStore.h"
#include "printing/RemoteStatements.h"

#include <utility>

TrayCommands::TrayCommands(TParametros& parametros, MessageBoxes& boxes, CnpjPrompt& cnpjPrompt,
                           ApplicationControl& application, PollTimer& timer, Notices& alertaErro,
                           RemotePrintStore& store, PrinterRegistry& registry,
                           std::filesystem::path programPath)
    : m_parametros(parametros), m_boxes(boxes), m_cnpjPrompt(cnpjPrompt),
      m_application(application), m_timer(timer), m_store(store), m_registry(registry),
      m_programPath(std::move(programPath)), m_errorPath(timer, alertaErro) {}

void TrayCommands::C1Click() {
    autostart::Write(autostart::kEntryName, m_programPath);
    m_boxes.ShowMessage(texts::kShortcutCreated);
}

void TrayCommands::A1Click() {
    IniFile ini(settings::FilePath());
    m_parametros.CNPJ = ini.ReadString(settings::kSection, settings::kCnpj, m_parametros.CNPJ);
    m_cnpjPrompt.SetEntryText(m_parametros.CNPJ);
    m_cnpjPrompt.ShowModal();
    const std::string digits = SoNumeros(m_cnpjPrompt.EntryText());
    if (digits.size() != 14) {
        return;
    }
    ini.WriteString(settings::kSection, settings::kCnpj, digits);
    // The new company takes effect at once: the next poll asks for its jobs and this computer's
    // printers are published under it. Rows under the earlier CNPJ stay, as they do after a
    // restart with a new CNPJ.
    m_parametros.CNPJ = digits;
    m_registry.RegistrarImpressoras();
    m_boxes.ShowMessage(texts::kCnpjChanged);
}

void TrayCommands::executeForCompany(const char* statement) {
    m_store.DBConexaoServidorMobile.Open();
    m_store.db_aux.Close();
    m_store.db_aux.SetSQL(statement);
    m_store.db_aux.ParamByName("CNPJ") = m_parametros.CNPJ;
    m_store.db_aux.ExecSQL();
    m_store.DBConexaoServidorMobile.Close();
}

void TrayCommands::l1Click() noexcept {
    m_errorPath.Run(texts::kClearQueueFailedCaption, [this] {
        m_timer.SetEnabled(false);
        executeForCompany(remote_statements::kApagarImpressoes);
        // No poll may run while the operator reads the confirmation.
        m_boxes.ShowMessage(texts::kQueueCleared);
        m_timer.SetEnabled(true);
    });
}

void TrayCommands::L2Click() noexcept {
    m_errorPath.Run(texts::kClearPrintersFailedCaption, [this] {
        m_timer.SetEnabled(false);
        executeForCompany(remote_statements::kApagarImpressoras);
        m_timer.SetEnabled(true);
        m_boxes.ShowMessage(texts::kPrinterListCleared);
    });
}

void TrayCommands::S1Click() {
    m_registry.RemoverImpressoras();
    m_application.Terminate();
}
