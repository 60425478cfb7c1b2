#pragma once

#include <optional>
#include <string>
#include <string_view>

struct TParametros;

// The program that prints a job's document, as the settings pick it.
enum class PrintBackend { Sumatra, Acrobat, None };

// SUMATRA "S" or empty picks SumatraPDF; otherwise ADOBE "S" or empty picks Acrobat; otherwise
// none. Whole texts, case-sensitive.
PrintBackend ChoosePrintBackend(const TParametros& parametros);

// The spool file is deleted after printing only when APAGAR is exactly "S".
bool DeletesSpoolFile(const TParametros& parametros);

// Why a job's GUID cannot name a spool file, or nothing when it can: a GUID with a path separator
// ('/' or '\'), "..", a control character or over 200 characters is refused, so that a document is
// never written outside the PDF folder. An empty GUID is accepted (the spool file is ".pdf").
std::optional<std::string> UnsafeSpoolNameReason(std::string_view guid);

// currentDirectory + "/PDF/" + guid + ".pdf".
std::string SpoolFilePath(const std::string& currentDirectory, const std::string& guid);
