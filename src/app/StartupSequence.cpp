#include "app/StartupSequence.h"

#include "app/SettingsFile.h"
#include "common/IniFile.h"
#include "common/MessageTexts.h"
#include "common/SoNumeros.h"

StartupSequence::StartupSequence(TParametros& parametros, MessageBoxes& boxes,
                                 CnpjPrompt& cnpjPrompt, const ComputerName& computerName,
                                 ApplicationControl& application)
    : m_parametros(parametros), m_boxes(boxes), m_cnpjPrompt(cnpjPrompt),
      m_computerName(computerName), m_application(application) {}

bool StartupSequence::LoadSettingsAndIdentity() {
    LoadSettings();

    const auto name = m_computerName.Read();
    if (!name) {
        EndApplication(texts::kNoComputerName);
        return false;
    }
    m_parametros.Computador = *name;

    if (m_parametros.CNPJ.empty()) {
        return CaptureFirstRunCnpj();
    }
    return true;
}

void StartupSequence::LoadSettings() {
    // Each read takes the field's current value as its default.
    const IniFile ini(settings::FilePath());
    m_parametros.CNPJ = ini.ReadString(settings::kSection, settings::kCnpj, m_parametros.CNPJ);
    m_parametros.Apagar =
        ini.ReadString(settings::kSection, settings::kApagar, m_parametros.Apagar);
    m_parametros.Adobe = ini.ReadString(settings::kSection, settings::kAdobe, m_parametros.Adobe);
    m_parametros.Sumatra =
        ini.ReadString(settings::kSection, settings::kSumatra, m_parametros.Sumatra);
}

bool StartupSequence::CaptureFirstRunCnpj() {
    m_boxes.ShowMessage(texts::kCnpjNotConfiguredAsk);
    // The entry counts however the dialog was closed; only its digits decide.
    m_cnpjPrompt.ShowModal();
    const std::string digits = SoNumeros(m_cnpjPrompt.EntryText());
    if (digits.size() != 14) {
        EndApplication(texts::kCnpjNotConfiguredEnd);
        return false;
    }

    // The flags written here take effect at the next start; this run keeps the ones it read.
    IniFile ini(settings::FilePath());
    ini.WriteString(settings::kSection, settings::kCnpj, digits);
    ini.WriteString(settings::kSection, settings::kApagar, "N");
    ini.WriteString(settings::kSection, settings::kAdobe, "N");
    ini.WriteString(settings::kSection, settings::kSumatra, "S");
    m_parametros.CNPJ = digits;
    m_boxes.ShowMessage(texts::kCnpjConfigured);
    return true;
}

void StartupSequence::EndApplication(const char* message) {
    m_boxes.ShowMessage(message);
    m_application.Terminate();
}
