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

} // namespace texts
