#pragma once

#include <filesystem>
#include <string>

// The desktop's automatic start of the agent: an XDG autostart entry in the user's configuration,
// $XDG_CONFIG_HOME/autostart (~/.config/autostart when the variable is unset or empty).
namespace autostart {

inline constexpr const char* kEntryName = "Servidor de impressão";

// The autostart folder of the current user.
std::filesystem::path Folder();

// The entry's whole text for a program: it starts the program, with the program's folder as the
// working directory so that App.ini is found there.
std::string EntryText(const std::filesystem::path& program);

// The program path as an Exec= argument: quoted, with \ " ` $ escaped, when it holds a blank or a
// reserved character; as it is otherwise.
std::string ExecArgument(const std::string& program);

// Writes Folder()/"<name>.desktop" for the program, creating the folder when missing and replacing
// an entry that exists. Throws std::runtime_error naming the file when it cannot be written.
void Write(const std::string& name, const std::filesystem::path& program);

} // namespace autostart
