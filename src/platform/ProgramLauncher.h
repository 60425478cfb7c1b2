#pragma once

#include <stdexcept>
#include <string>

// Raised when a program cannot be started; the text names the program and the reason.
class ProgramLaunchError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Starts external programs without a window of the agent's and without waiting for them.
class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;

    // Starts the program with a Windows-style parameter line (split into arguments by the Windows
    // command-line rules, so a quoted path with blanks stays one argument), in the agent's
    // working directory, and returns at once. Raises ProgramLaunchError when the program is
    // missing or cannot be executed.
    virtual void Start(const std::string& program, const std::string& parameterLine) = 0;
};
