#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

// Raised when the error log cannot be written; the text names the file and the reason.
class ErrorLogError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The error log: LOG/AppErro.txt under the current directory, holding only the latest caught
// failure as one line, "Erro -> " + message + CR LF, in the locale's character set. The LOG folder
// is never created: without it the write fails.
std::filesystem::path ErrorLogPath();
void RegistrarErro(const std::string& message);

// The text in the current locale's character set (nl_langinfo(CODESET)), with '?' for every
// character the set cannot hold and for bytes that are not UTF-8.
std::string ToLocaleCharset(const std::string& utf8);
