#include "platform/linux/PosixProgramLauncher.h"

#include "platform/linux/WindowsCommandLine.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// Owns a posix_spawn_file_actions_t.
class SpawnFileActions {
public:
    SpawnFileActions() { ::posix_spawn_file_actions_init(&m_actions); }
    SpawnFileActions(const SpawnFileActions&) = delete;
    SpawnFileActions& operator=(const SpawnFileActions&) = delete;
    ~SpawnFileActions() { ::posix_spawn_file_actions_destroy(&m_actions); }
    posix_spawn_file_actions_t* get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

// Owns a posix_spawnattr_t.
class SpawnAttributes {
public:
    SpawnAttributes() { ::posix_spawnattr_init(&m_attributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    ~SpawnAttributes() { ::posix_spawnattr_destroy(&m_attributes); }
    posix_spawnattr_t* get() { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes;
};

[[noreturn]] void Fail(const std::string& program, int error) {
    std::string reason;
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        reason = "o programa não existe";
        break;
    case EACCES:
    case EPERM:
        reason = "sem permissão para executá-lo";
        break;
    case ENOEXEC:
        reason = "o arquivo não é um programa executável";
        break;
    default:
        reason = std::strerror(error);
        break;
    }
    throw ProgramLaunchError("Não foi possível iniciar " + program + ": " + reason);
}

void Check(const std::string& program, int result) {
    if (result != 0) {
        Fail(program, result);
    }
}

} // namespace

void PosixProgramLauncher::Start(const std::string& program, const std::string& parameterLine) {
    // posix_spawn would run a folder's name into EACCES too; say what it is instead.
    struct stat status {};
    if (::stat(program.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        throw ProgramLaunchError("Não foi possível iniciar " + program + ": é uma pasta");
    }

    std::vector<std::string> arguments = SplitWindowsCommandLine(parameterLine);
    arguments.insert(arguments.begin(), program);
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    SpawnFileActions actions;
    Check(program, ::posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null",
                                                      O_RDONLY, 0));
    Check(program, ::posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, "/dev/null",
                                                      O_WRONLY, 0));
    Check(program, ::posix_spawn_file_actions_adddup2(actions.get(), STDOUT_FILENO, STDERR_FILENO));
    Check(program, ::posix_spawn_file_actions_addclosefrom_np(actions.get(), STDERR_FILENO + 1));

    SpawnAttributes attributes;
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    Check(program, ::posix_spawnattr_setsigmask(attributes.get(), &none));
    Check(program, ::posix_spawnattr_setsigdefault(attributes.get(), &all));
    Check(program, ::posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETSIGMASK |
                                                                    POSIX_SPAWN_SETSIGDEF |
                                                                    POSIX_SPAWN_SETSID));

    pid_t pid = 0;
    Check(program, ::posix_spawn(&pid, program.c_str(), actions.get(), attributes.get(),
                                 argv.data(), environ));

    try {
        std::thread([pid] {
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // The program runs; without a thread its exit status stays unread until the agent ends.
    }
}
