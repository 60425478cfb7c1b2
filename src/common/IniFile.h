#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

// Raised when the settings file cannot be written. The text names the file for the operator.
class IniFileError : public std::runtime_error {
public:
    explicit IniFileError(const std::filesystem::path& path);
};

// A Windows-style settings file ("[section]" headers, "key=value" lines) read and written with
// the rules of the Windows profile functions. Nothing is kept between calls: each call works on
// the file as it is on disk at that moment, so changes made by others are always seen.
class IniFile {
public:
    explicit IniFile(std::filesystem::path path);

    // The value of key in section, or defaultValue when the file, the section or the key is
    // missing or the file cannot be read. Blanks and one pair of enclosing quotes are removed;
    // long values are cut at 2047 UTF-16 code units, as Windows does.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    // Sets key in section to value, adding the key, the section or the file as needed. Every
    // other line is kept as it was. The file is replaced in one step (a temporary file renamed
    // over it) so it is never left half-written. Throws IniFileError on any failure.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

    const std::filesystem::path& FileName() const;

private:
    std::filesystem::path m_path;
};
