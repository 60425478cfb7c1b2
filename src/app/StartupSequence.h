#pragma once

#include "common/ApplicationControl.h"
#include "common/CnpjPrompt.h"
#include "common/MessageBoxes.h"
#include "common/TParametros.h"
#include "platform/ComputerName.h"

#include <string>

// The first half of start-up: the settings from App.ini, the computer's name and, on the first
// run, the CNPJ asked of the operator. Errors (a failed settings write) propagate to the caller.
class StartupSequence {
public:
    StartupSequence(TParametros& parametros, MessageBoxes& boxes, CnpjPrompt& cnpjPrompt,
                    const ComputerName& computerName, ApplicationControl& application);

    // True when start-up may go on; false when a fatal condition has shown its message and
    // requested the application's end, after which no later start-up step may run.
    bool LoadSettingsAndIdentity();

private:
    void LoadSettings();
    bool CaptureFirstRunCnpj();
    void EndApplication(const char* message);

    TParametros& m_parametros;
    MessageBoxes& m_boxes;
    CnpjPrompt& m_cnpjPrompt;
    const ComputerName& m_computerName;
    ApplicationControl& m_application;
};
