#pragma once

// The four statements the agent runs against the shared tables, word for word.
namespace remote_statements {

// 1: this computer's printer rows.
inline constexpr const char* kImpressoras = "SELECT * FROM impressoras_remotas\n"
                                            "WHERE\n"
                                            "CNPJ=:CNPJ\n"
                                            "AND\n"
                                            "COMPUTADOR=:COMPUTADOR";

// 2: this computer's pending print jobs.
inline constexpr const char* kBuscaImpressao = "SELECT * FROM impressoes_remotas\n"
                                               "WHERE\n"
                                               "CNPJ=:CNPJ\n"
                                               "AND\n"
                                               "COMPUTADOR=:COMPUTADOR\n"
                                               "AND\n"
                                               "IMPRIMIR='S'";

// 3: every print job of the company, printed or not, on every computer.
inline constexpr const char* kApagarImpressoes = "delete FROM impressoes_remotas WHERE CNPJ=:CNPJ ";

// 4: every printer row of the company, on every computer.
inline constexpr const char* kApagarImpressoras =
    "delete FROM impressoras_remotas WHERE CNPJ=:CNPJ ";

} // namespace remote_statements
