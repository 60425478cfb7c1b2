#include "platform/linux/ProcProcessTable.h"

#include <csignal>
#include <fstream>
#include <iterator>
#include <string_view>

namespace {

// A process folder's name as a pid; 0 for anything else under /proc.
int PidOf(std::string_view name) {
    if (name.empty() || name.size() > 9) {
        return 0;
    }
    int pid = 0;
    for (const char c : name) {
        if (c < '0' || c > '9') {
            return 0;
        }
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

// The first line, or the first NUL-terminated field, of a small /proc file; empty when the
// process has gone in the meantime.
std::string FirstField(const std::filesystem::path& file, char terminator) {
    std::ifstream in(file, std::ios::binary);
    std::string field;
    std::getline(in, field, terminator);
    return field;
}

} // namespace

ProcProcessTable::ProcProcessTable(std::filesystem::path procRoot)
    : m_procRoot(std::move(procRoot)) {}

std::optional<std::vector<ProcessTable::Entry>> ProcProcessTable::Snapshot() const {
    std::error_code error;
    std::vector<Entry> entries;
    for (std::filesystem::directory_iterator it(m_procRoot, error), end; !error && it != end;
         it.increment(error)) {
        const std::filesystem::directory_entry& item = *it;
        const int pid = PidOf(item.path().filename().native());
        if (pid <= 0) {
            continue;
        }
        std::string name = FirstField(item.path() / "cmdline", '\0');
        if (name.empty()) {
            name = FirstField(item.path() / "comm", '\n');
        }
        std::error_code gone;
        if (name.empty() && !std::filesystem::exists(item.path(), gone)) {
            continue; // ended while the list was taken
        }
        entries.push_back(Entry{pid, std::move(name)});
    }
    if (error) {
        return std::nullopt;
    }
    return entries;
}

bool ProcProcessTable::Terminate(int pid) {
    return pid > 0 && ::kill(pid, SIGKILL) == 0;
}
