#pragma once

#include "platform/ProgramLauncher.h"

// Starts the program with posix_spawn, the parameter line split by SplitWindowsCommandLine, in
// a session of its own, with standard input and output on /dev/null, no descriptor of the agent
// but those three, default signal handling and an empty signal mask. A detached thread per
// child waits for it, so a finished program does not stay behind as a zombie.
class PosixProgramLauncher : public ProgramLauncher {
public:
    void Start(const std::string& program, const std::string& parameterLine) override;
};
