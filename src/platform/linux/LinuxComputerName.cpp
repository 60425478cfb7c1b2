#include "platform/linux/LinuxComputerName.h"

#include <climits>
#include <unistd.h>

namespace {
constexpr std::size_t kMaxComputerNameLength = 15;
}

std::optional<std::string> LinuxComputerName::Read() const {
    char buffer[HOST_NAME_MAX + 1] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0) {
        return std::nullopt;
    }
    std::string name = FromHostName(buffer);
    if (name.empty()) {
        return std::nullopt;
    }
    return name;
}

std::string LinuxComputerName::FromHostName(std::string_view hostName) {
    std::string name(hostName.substr(0, hostName.find('.')));
    if (name.size() > kMaxComputerNameLength) {
        name.resize(kMaxComputerNameLength);
    }
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return name;
}
