#pragma once

#include "common/CaughtErrorPath.h"

#include <filesystem>

class ApplicationControl;
class CnpjPrompt;
class MessageBoxes;
class Notices;
class PollTimer;
class PrinterRegistry;
struct RemotePrintStore;
struct TParametros;

// The commands of the tray icon's menu, free of any toolkit: the main window forwards each menu
// item's click here. Commands run on the user-interface thread; the message boxes and the CNPJ
// dialog they show run nested event loops, so the poll timer keeps ticking under them when enabled.
class TrayCommands {
public:
    TrayCommands(TParametros& parametros, MessageBoxes& boxes, CnpjPrompt& cnpjPrompt,
                 ApplicationControl& application, PollTimer& timer, Notices& alertaErro,
                 RemotePrintStore& store, PrinterRegistry& registry,
                 std::filesystem::path programPath);

    // "Criar atalho para iniciar automáticamente": writes the autostart entry. Errors pass to the
    // caller.
    void C1Click();
    // "Alterar CNPJ": asks for the CNPJ; fourteen digits are stored, used from now on and this
    // computer's printers are registered under them. Errors pass to the caller.
    void A1Click();
    // "Limpar fila de impressão": deletes every print job of the company. Catches every error.
    void l1Click() noexcept;
    // "Resetar lista de impressoras": deletes every printer row of the company. Catches every
    // error.
    void L2Click() noexcept;
    // "Fechar API": deletes this computer's printer rows, then ends the agent. Errors pass to the
    // caller and the agent goes on.
    void S1Click();

private:
    // Runs one of the company-wide delete statements on db_aux.
    void executeForCompany(const char* statement);

    TParametros& m_parametros;
    MessageBoxes& m_boxes;
    CnpjPrompt& m_cnpjPrompt;
    ApplicationControl& m_application;
    PollTimer& m_timer;
    RemotePrintStore& m_store;
    PrinterRegistry& m_registry;
    std::filesystem::path m_programPath;
    CaughtErrorPath m_errorPath;
};
