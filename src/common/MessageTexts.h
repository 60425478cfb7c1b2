#pragma once

// Texts the agent shows to the operator, exactly as they are shown.
namespace texts {

inline constexpr const char* kApplicationTitle = "Servidor de impressão remota";

// Message boxes.
inline constexpr const char* kNoComputerName = "Não foi possível obter o nome do computador.";
inline constexpr const char* kCnpjNotConfiguredAsk =
    "CNPJ não configurado. Informe o CNPJ para continuar!";
inline constexpr const char* kCnpjConfigured = "CNPJ configurado com sucesso!";
inline constexpr const char* kCnpjNotConfiguredEnd =
    "CNPJ não configurado. O servidor de impressão será finalizado!";
inline constexpr const char* kNoInternetEnd = "Sem acesso a internet no momento, verifique...\r\n"
                                              "\r\n"
                                              "O servidor de impressão será finalizado!";
inline constexpr const char* kCnpjIncorrect = "CNPJ incorreto!";
inline constexpr const char* kCnpjChanged = "CNPJ alterado com sucesso!";
inline constexpr const char* kShortcutCreated = "Atalho criado com sucesso!";
inline constexpr const char* kQueueCleared = "Fila de impressão limpa com sucesso!";
inline constexpr const char* kPrinterListCleared = "Lista de impressoras limpas com sucesso!";

// Notices: caption, and text where it is fixed.
inline constexpr const char* kPrintedCaption = "Registro impresso com sucesso";
inline constexpr const char* kPrintFailedCaption = "Erro ao imprimir registro";
inline constexpr const char* kNoInternetCaption = "Sem acesso a internet";
inline constexpr const char* kNoInternetText = "Vamos tentar reconectar.";
inline constexpr const char* kClearQueueFailedCaption = "Erro ao limpar fila de impressão";
inline constexpr const char* kClearPrintersFailedCaption = "Erro ao limpar lista de impressoras";
// Shown when the error log itself could not be written, so that the failure is not silent.
inline constexpr const char* kErrorLogFailedCaption = "Erro ao gravar o log de erros";

} // namespace texts
