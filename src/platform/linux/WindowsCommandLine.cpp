#include "platform/linux/WindowsCommandLine.h"

std::vector<std::string> SplitWindowsCommandLine(std::string_view line) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false; // something, maybe an empty quoted part, has started an argument
    bool quoted = false;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (!quoted && (c == ' ' || c == '\t')) {
            if (inArgument) {
                arguments.push_back(std::move(current));
                current.clear();
                inArgument = false;
            }
            ++i;
            continue;
        }
        inArgument = true;
        if (c == '\\') {
            std::size_t count = 0;
            while (i < line.size() && line[i] == '\\') {
                ++count;
                ++i;
            }
            if (i < line.size() && line[i] == '"') {
                current.append(count / 2, '\\');
                if (count % 2 == 1) {
                    current += '"';
                    ++i;
                }
                // With an even count the quote is left for the next round, as a delimiter.
            } else {
                current.append(count, '\\');
            }
            continue;
        }
        if (c == '"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                current += '"';
                i += 2;
            } else {
                quoted = !quoted;
                ++i;
            }
            continue;
        }
        current += c;
        ++i;
    }
    if (inArgument) {
        arguments.push_back(std::move(current));
    }
    return arguments;
}
