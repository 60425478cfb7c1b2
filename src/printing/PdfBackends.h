#pragma once

#include <string>

class PrintSystem;
class ProcessTable;
class ProgramLauncher;
class Sleeper;
class WindowCloser;

// The title of Acrobat's main window, closed after each Acrobat printout.
inline constexpr const char* kAcrobatWindowTitle = "Adobe Acrobat DC (32 bits)";
// The image name of Acrobat's processes, ended after each Acrobat printout.
inline constexpr const char* kAcrobatImageName = "Acrobat.exe";

// SumatraPDF's parameter line that prints the document on the default printer without scaling;
// the path is quoted so that it stays one argument.
std::string SumatraParameterLine(const std::string& documentPath);

// Starts SumatraPDF on the document and returns at once. A program that cannot be started raises
// ProgramLaunchError, so the job is not taken as printed.
void ImprimirSumatra(ProgramLauncher& launcher, const std::string& documentPath,
                     const std::string& programPath);

// Hands the document to the default printer, gives Acrobat 5000 ms, asks its window to close and
// then ends every Acrobat process. A refused document raises PrintSystemError before any wait.
void ImprimirAcrobat(PrintSystem& printSystem, Sleeper& sleeper, WindowCloser& windows,
                     ProcessTable& processes, const std::string& documentPath);

// Ends every process whose image name is imageName: its last component (after the last '/', '\'
// or ':') or the whole of it equals imageName, with only the letters a-z taken case-insensitively.
// Returns whether the last matching process was ended; false when none matched or the process
// list could not be taken.
bool FinalizarProcesso(ProcessTable& processes, const std::string& imageName);
