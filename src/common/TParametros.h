#pragma once

#include <string>

// The in-memory settings, one instance per process. All fields are text; the flags are "S"/"N".
struct TParametros {
    std::string CNPJ;
    std::string Computador;
    std::string Apagar;
    std::string Adobe;
    std::string Sumatra;
};
