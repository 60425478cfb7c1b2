#include "printing/PdfBackends.h"

#include "platform/PrintSystem.h"
#include "platform/ProcessTable.h"
#include "platform/ProgramLauncher.h"
#include "platform/Sleeper.h"
#include "platform/WindowCloser.h"

#include <chrono>

namespace {

constexpr std::chrono::milliseconds kAcrobatPrintTime{5000};

// Only a-z change: other bytes, UTF-8 sequences included, compare as they are.
std::string AsciiUpper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

std::string LastComponent(const std::string& name) {
    const auto separator = name.find_last_of("/\\:");
    return separator == std::string::npos ? name : name.substr(separator + 1);
}

} // namespace

std::string SumatraParameterLine(const std::string& documentPath) {
    return "-print-to-default -print-settings \"noscale\" \"" + documentPath + "\"";
}

void ImprimirSumatra(ProgramLauncher& launcher, const std::string& documentPath,
                     const std::string& programPath) {
    launcher.Start(programPath, SumatraParameterLine(documentPath));
}

void ImprimirAcrobat(PrintSystem& printSystem, Sleeper& sleeper, WindowCloser& windows,
                     ProcessTable& processes, const std::string& documentPath) {
    printSystem.PrintFile(documentPath);
    sleeper.Sleep(kAcrobatPrintTime);
    windows.RequestClose(kAcrobatWindowTitle);
    FinalizarProcesso(processes, kAcrobatImageName);
}

bool FinalizarProcesso(ProcessTable& processes, const std::string& imageName) {
    const auto snapshot = processes.Snapshot();
    if (!snapshot) {
        return false;
    }
    const std::string wanted = AsciiUpper(imageName);
    bool result = false;
    for (const auto& entry : *snapshot) {
        // An image name ends at its first NUL, as a fixed-size name buffer would.
        const std::string image = AsciiUpper(entry.imageName.substr(0, entry.imageName.find('\0')));
        if (LastComponent(image) == wanted || image == wanted) {
            result = processes.Terminate(entry.pid);
        }
    }
    return result;
}
