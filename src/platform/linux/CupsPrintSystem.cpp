#include "platform/linux/CupsPrintSystem.h"

#include <cups/cups.h>
#include <filesystem>
#include <memory>

namespace {

// Frees a destination array from cupsGetDests2, which needs the array's length.
struct DestsDeleter {
    int count = 0;
    void operator()(cups_dest_t* dests) const { cupsFreeDests(count, dests); }
};
using Dests = std::unique_ptr<cups_dest_t, DestsDeleter>;

std::string LastCupsError() {
    const char* text = cupsLastErrorString();
    return text != nullptr && *text != '\0' ? text : ippErrorString(cupsLastError());
}

// Every destination with its instances. An empty array is an answer only when the server said
// it has no printers; otherwise the server could not be asked.
Dests LoadDests() {
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    Dests owned(dests, DestsDeleter{count});
    const ipp_status_t status = cupsLastError();
    if (count == 0 && status > IPP_STATUS_OK_EVENTS_COMPLETE &&
        status != IPP_STATUS_ERROR_NOT_FOUND) {
        throw PrintSystemError("Não foi possível consultar as impressoras do CUPS: " +
                               LastCupsError());
    }
    return owned;
}

int Count(const Dests& dests) {
    return dests.get_deleter().count;
}

const cups_dest_t* FindDefault(const Dests& dests) {
    return cupsGetDest(nullptr, nullptr, Count(dests), dests.get());
}

} // namespace

std::vector<std::string> CupsPrintSystem::PrinterNames() const {
    const Dests dests = LoadDests();
    std::vector<std::string> names;
    for (int i = 0; i < Count(dests); ++i) {
        const cups_dest_t& dest = dests.get()[i];
        if (dest.instance == nullptr) {
            names.emplace_back(dest.name);
        }
    }
    return names;
}

std::string CupsPrintSystem::DefaultPrinter() const {
    const Dests dests = LoadDests();
    const cups_dest_t* dest = FindDefault(dests);
    return dest != nullptr ? dest->name : std::string();
}

void CupsPrintSystem::SetDefaultPrinter(const std::string& name) {
    const Dests dests = LoadDests();
    // CUPS compares destination names regardless of case, as Windows does printer names.
    const cups_dest_t* chosen = cupsGetDest(name.c_str(), nullptr, Count(dests), dests.get());
    if (chosen == nullptr) {
        throw PrintSystemError("Impressora não instalada: " + name);
    }
    const std::string chosenName = chosen->name;
    for (int i = 0; i < Count(dests); ++i) {
        cups_dest_t& dest = dests.get()[i];
        dest.is_default = (&dest == chosen) ? 1 : 0;
    }
    if (cupsSetDests2(CUPS_HTTP_DEFAULT, Count(dests), dests.get()) != 0) {
        throw PrintSystemError("Não foi possível definir a impressora padrão " + chosenName + ": " +
                               LastCupsError());
    }
    // LPDEST or PRINTER in the environment win over the saved default; say so rather than
    // print on another printer than the one asked for.
    const std::string effective = DefaultPrinter();
    if (effective != chosenName) {
        throw PrintSystemError("A impressora padrão continua " + effective + " em vez de " +
                               chosenName + " (variável de ambiente LPDEST ou PRINTER)");
    }
}

void CupsPrintSystem::PrintFile(const std::string& documentPath) {
    const Dests dests = LoadDests();
    const cups_dest_t* dest = FindDefault(dests);
    if (dest == nullptr) {
        throw PrintSystemError("Nenhuma impressora padrão definida para imprimir " + documentPath);
    }
    const std::string title = std::filesystem::path(documentPath).filename().string();
    const int jobId = cupsPrintFile2(CUPS_HTTP_DEFAULT, dest->name, documentPath.c_str(),
                                     title.c_str(), dest->num_options, dest->options);
    if (jobId == 0) {
        throw PrintSystemError("A impressora " + std::string(dest->name) + " recusou o documento " +
                               documentPath + ": " + LastCupsError());
    }
}
