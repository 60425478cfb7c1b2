#pragma once

#include <filesystem>

// Where the settings live: App.ini in the process's current directory at the moment of use (not
// the executable's folder), section PARAMETROS.
namespace settings {

inline constexpr const char* kSection = "PARAMETROS";
inline constexpr const char* kCnpj = "CNPJ";
inline constexpr const char* kApagar = "APAGAR";
inline constexpr const char* kAdobe = "ADOBE";
inline constexpr const char* kSumatra = "SUMATRA";

inline std::filesystem::path FilePath() {
    return std::filesystem::current_path() / "App.ini";
}

} // namespace settings
