#pragma once

#include <optional>
#include <string>
#include <vector>

// The running processes, and the forced end of one of them.
class ProcessTable {
public:
    struct Entry {
        int pid;
        std::string imageName; // the program's name as the process was started
    };

    virtual ~ProcessTable() = default;

    // Every running process; empty optional when the list cannot be taken.
    virtual std::optional<std::vector<Entry>> Snapshot() const = 0;

    // Ends the process at once; false when it cannot be ended (gone, or not the user's to end).
    virtual bool Terminate(int pid) = 0;
};
