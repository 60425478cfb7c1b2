#pragma once

#include "platform/ProcessTable.h"

#include <filesystem>

// The processes listed under /proc. A process's image name is its argv[0] (from
// /proc/PID/cmdline, up to the first NUL) or, when that is empty (kernel threads, zombies, a
// process that has cleared it), its command name from /proc/PID/comm.
class ProcProcessTable : public ProcessTable {
public:
    ProcProcessTable() = default;
    // Another proc mount; for tests.
    explicit ProcProcessTable(std::filesystem::path procRoot);

    std::optional<std::vector<Entry>> Snapshot() const override;

    // SIGKILL, which the process cannot catch: the forced end Windows gives.
    bool Terminate(int pid) override;

private:
    std::filesystem::path m_procRoot = "/proc";
};
