#pragma once

#include <string>
#include <string_view>
#include <vector>

// Splits a Windows parameter line (the arguments after the program name) into arguments the way
// the Microsoft C runtime builds argv:
// - blanks (space, tab) outside double quotes separate arguments; a quoted "" is an empty one;
// - a double quote opens or closes a quoted part, which may sit inside an argument (a"b c"d);
// - inside a quoted part, "" is one literal double quote and the part stays open;
// - 2n backslashes before a double quote give n backslashes and the quote keeps its meaning;
//   2n+1 backslashes before one give n backslashes and a literal double quote;
// - other backslashes are literal (so C:\dir\ and \\server\share pass unchanged).
std::vector<std::string> SplitWindowsCommandLine(std::string_view line);
