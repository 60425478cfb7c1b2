#include "app/AutostartEntry.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace autostart {

namespace {

std::filesystem::path ConfigHome() {
    if (const char* configured = std::getenv("XDG_CONFIG_HOME");
        configured != nullptr && *configured != '\0') {
        return configured;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        throw std::runtime_error("Pasta pessoal do usuário não definida (HOME)");
    }
    return std::filesystem::path(home) / ".config";
}

// Characters that make an Exec= argument need quoting under the freedesktop.org rules for the
// Exec key of desktop entries, blanks included.
bool NeedsQuoting(char c) {
    switch (c) {
    case ' ':
    case '\t':
    case '\n':
    case '"':
    case '\'':
    case '\\':
    case '>':
    case '<':
    case '~':
    case '|':
    case '&':
    case ';':
    case '$':
    case '*':
    case '?':
    case '#':
    case '(':
    case ')':
    case '`':
        return true;
    default:
        return false;
    }
}

// A string value of a desktop entry escapes the backslash itself once more.
std::string EscapeValue(const std::string& value) {
    std::string escaped;
    for (const char c : value) {
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

} // namespace

std::filesystem::path Folder() {
    return ConfigHome() / "autostart";
}

std::string ExecArgument(const std::string& program) {
    bool quote = false;
    for (const char c : program) {
        quote = quote || NeedsQuoting(c);
    }
    // A literal percent sign is doubled whether quoted or not.
    std::string argument;
    if (quote) {
        argument += '"';
    }
    for (const char c : program) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) {
            argument += '\\';
        }
        argument += c;
        if (c == '%') {
            argument += '%';
        }
    }
    if (quote) {
        argument += '"';
    }
    return argument;
}

std::string EntryText(const std::filesystem::path& program) {
    return std::string("[Desktop Entry]\n") + "Type=Application\n" + "Name=" + kEntryName + "\n" +
           "Exec=" + EscapeValue(ExecArgument(program.string())) + "\n" +
           "Path=" + EscapeValue(program.parent_path().string()) + "\n";
}

void Write(const std::string& name, const std::filesystem::path& program) {
    const std::filesystem::path folder = Folder();
    const std::filesystem::path file = folder / (name + ".desktop");
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << EntryText(program);
    out.close();
    if (!out) {
        throw std::runtime_error("Unable to write to " + file.string());
    }
}

} // namespace autostart
