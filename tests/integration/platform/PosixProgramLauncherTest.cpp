#include "platform/linux/PosixProgramLauncher.h"

#include "support/FileContent.h"
#include "support/PollUntil.h"
#include "support/TemporaryDirectory.h"

#include <csignal>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A stand-in program: records its arguments (NUL-terminated), where its standard streams go, its
// working directory and its blocked signals, then waits for a "go" file (10 s at most) and says
// whether it came. Each record appears at once, renamed into place.
constexpr const char* kRecorder = R"(#!/bin/sh
# Builtins only: the shell blocks signals for a moment around each fork.
while read -r line; do case $line in SigBlk:*) blocked=$line ;; esac; done </proc/$$/status
here=$(dirname "$0")
for a in "$@"; do printf '%s\0' "$a"; done >"$here/args.tmp" && mv "$here/args.tmp" "$here/args"
streams=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2)
{
    echo "$streams"
    pwd
    echo "$blocked"
} >"$here/state.tmp" && mv "$here/state.tmp" "$here/state"
i=0
while [ ! -e "$here/go" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i + 1)); done
if [ -e "$here/go" ]; then echo released; else echo timed-out; fi >"$here/end.tmp"
mv "$here/end.tmp" "$here/end"
)";

std::vector<std::string> SplitAtNul(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1) {
        parts.push_back(text.substr(start, end - start));
    }
    return parts;
}

// The children of this process that have ended but were not waited for.
int CountZombieChildren() {
    int zombies = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
        const std::string stat = ReadFileBytes(entry.path() / "stat");
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        char state = 0;
        int parent = 0;
        std::istringstream(stat.substr(close + 1)) >> state >> parent;
        if (state == 'Z' && parent == ::getpid()) {
            ++zombies;
        }
    }
    return zombies;
}

class PosixProgramLauncherTest : public testing::Test {
protected:
    fs::path WriteProgram(const std::string& name, const std::string& content,
                          fs::perms permissions) {
        const fs::path path = m_folder.path() / name;
        WriteFileBytes(path, content);
        fs::permissions(path, permissions);
        return path;
    }

    fs::path Recorder() { return WriteProgram("recorder.sh", kRecorder, fs::perms::owner_all); }

    bool Exists(const char* name) const { return fs::exists(m_folder.path() / name); }
    std::string Read(const char* name) const { return ReadFileBytes(m_folder.path() / name); }

    TemporaryDirectory m_folder;
    PosixProgramLauncher m_launcher;
};

struct ArgumentsCase {
    const char* name;
    const char* parameterLine;
    std::vector<std::string> expected;
};

const ArgumentsCase kArgumentCases[] = {
    {"SumatraLine",
     R"(-print-to-default -print-settings "noscale" "/tmp/a b/c.pdf")",
     {"-print-to-default", "-print-settings", "noscale", "/tmp/a b/c.pdf"}},
    {"QuotesBackslashesAndEmpty", R"(a\"b "" "x""y" C:\dir\)", {"a\"b", "", "x\"y", "C:\\dir\\"}},
    {"NoParameters", "", {}},
};

class PosixProgramLauncherArgumentsTest : public PosixProgramLauncherTest,
                                          public testing::WithParamInterface<ArgumentsCase> {};

TEST_P(PosixProgramLauncherArgumentsTest, ProgramReceivesTheSplitArguments) {
    const fs::path program = Recorder();
    WriteFileBytes(m_folder.path() / "go", "");

    m_launcher.Start(program.string(), GetParam().parameterLine);

    ASSERT_TRUE(PollUntil([&] { return Exists("args"); })) << "the program did not run";
    EXPECT_EQ(SplitAtNul(Read("args")), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, PosixProgramLauncherArgumentsTest, testing::ValuesIn(kArgumentCases),
                         [](const testing::TestParamInfo<ArgumentsCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(PosixProgramLauncherTest, ReturnsAtOnceHiddenInTheWorkingDirectoryAndLeavesNoZombie) {
    const fs::path program = Recorder();
    const ScopedCurrentDirectory inFolder(m_folder.path());
    // The agent may block signals of its own; the program must not inherit that.
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigset_t previous;
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &blocked, &previous), 0);

    m_launcher.Start(program.string(), "x");
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);

    // Start has returned while the program still waits for "go": it did not wait for it.
    ASSERT_TRUE(PollUntil([&] { return Exists("state"); })) << "the program did not run";
    WriteFileBytes(m_folder.path() / "go", "");
    ASSERT_TRUE(PollUntil([&] { return Exists("end"); }));
    EXPECT_EQ(Read("end"), "released\n");
    EXPECT_EQ(Read("state"), "/dev/null\n/dev/null\n/dev/null\n" +
                                 fs::canonical(m_folder.path()).string() +
                                 "\nSigBlk:\t0000000000000000\n");
    EXPECT_TRUE(PollUntil([] { return CountZombieChildren() == 0; }))
        << "the ended program stays a zombie";
}

TEST_F(PosixProgramLauncherTest, ProgramThatCannotRunRaisesNamingIt) {
    struct Case {
        const char* name;
        fs::path program;
        const char* reason;
    };
    const Case cases[] = {
        {"missing", m_folder.path() / "SumatraPDF.exe", "não existe"},
        {"not executable",
         WriteProgram("noexec.sh", "#!/bin/sh\n", fs::perms::owner_read | fs::perms::owner_write),
         "permissão"},
        {"not a program", WriteProgram("garbage.exe", "MZ garbage", fs::perms::owner_all),
         "não é um programa"},
        {"folder", m_folder.path(), "pasta"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            m_launcher.Start(c.program.string(), "-print-to-default");
            ADD_FAILURE() << "no error raised";
        } catch (const ProgramLaunchError& error) {
            const std::string text = error.what();
            EXPECT_NE(text.find(c.program.string()), std::string::npos) << text;
            EXPECT_NE(text.find(c.reason), std::string::npos) << text;
        }
    }
}

} // namespace
