#pragma once

#include "platform/PrintSystem.h"

// The CUPS destinations of the server that libcups reaches (CUPS_SERVER, client.conf or the local
// scheduler), and the user's own default among them, which CUPS keeps in ~/.cups/lpoptions.
// Environment variables LPDEST and PRINTER, when set, override that default as CUPS defines.
class CupsPrintSystem : public PrintSystem {
public:
    // The four raise PrintSystemError when the print server cannot be reached.
    std::vector<std::string> PrinterNames() const override;
    std::string DefaultPrinter() const override;
    void SetDefaultPrinter(const std::string& name) override;
    void PrintFile(const std::string& documentPath) override;
};
