#include "platform/linux/ProcProcessTable.h"

#include "support/FileContent.h"
#include "support/PollUntil.h"
#include "support/TemporaryDirectory.h"

#include <csignal>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A child process of the test, started with a chosen argv[0], killed and reaped at the end.
class Child {
public:
    Child(const char* program, std::vector<std::string> argv) : m_argv(std::move(argv)) {
        std::vector<char*> pointers;
        for (std::string& argument : m_argv) {
            pointers.push_back(argument.data());
        }
        pointers.push_back(nullptr);
        if (::posix_spawn(&m_pid, program, nullptr, nullptr, pointers.data(), environ) != 0) {
            m_pid = -1;
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() {
        if (m_pid > 0 && !m_reaped) {
            ::kill(m_pid, SIGKILL);
            Wait();
        }
    }

    int pid() const { return m_pid; }

    int Wait() {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_reaped = true;
        return status;
    }

    // The state letter of /proc/PID/stat: R, S, Z...
    char State() const {
        const std::string stat = ReadFileBytes("/proc/" + std::to_string(m_pid) + "/stat");
        const std::size_t close = stat.rfind(')');
        return close != std::string::npos && close + 2 < stat.size() ? stat[close + 2] : '?';
    }

private:
    std::vector<std::string> m_argv;
    pid_t m_pid = -1;
    bool m_reaped = false;
};

std::optional<std::string> ImageNameOf(const ProcessTable& table, int pid) {
    const auto entries = table.Snapshot();
    if (!entries) {
        return std::nullopt;
    }
    for (const ProcessTable::Entry& entry : *entries) {
        if (entry.pid == pid) {
            return entry.imageName;
        }
    }
    return std::nullopt;
}

TEST(ProcProcessTableTest, SnapshotNamesRunningChildrenByTheirArgvZero) {
    const char* names[] = {"acrobat.exe", "ACROBAT.EXE", "AcroRd32.exe",
                           R"(C:\Program Files\Adobe\Acrobat DC\Acrobat.exe)"};
    ProcProcessTable table;
    for (const char* name : names) {
        SCOPED_TRACE(name);
        Child child("/bin/sleep", {name, "60"});
        ASSERT_GT(child.pid(), 0);
        // Between fork and exec the child still carries the test's own argv[0].
        EXPECT_TRUE(PollUntil([&] { return ImageNameOf(table, child.pid()) == name; }))
            << "seen as: " << ImageNameOf(table, child.pid()).value_or("(absent)");
    }
}

TEST(ProcProcessTableTest, ProcessWithoutCommandLineIsNamedByItsCommand) {
    // A zombie's command line is empty; its command name stays.
    Child child("/bin/true", {"acrobat.exe"});
    ASSERT_GT(child.pid(), 0);
    ASSERT_TRUE(PollUntil([&] { return child.State() == 'Z'; }));
    EXPECT_EQ(ImageNameOf(ProcProcessTable(), child.pid()), "true");
}

TEST(ProcProcessTableTest, TerminateKillsTheProcess) {
    Child child("/bin/sleep", {"acrobat.exe", "60"});
    ASSERT_GT(child.pid(), 0);
    ProcProcessTable table;

    EXPECT_TRUE(table.Terminate(child.pid()));

    const int status = child.Wait();
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    EXPECT_FALSE(ImageNameOf(table, child.pid()).has_value());
}

TEST(ProcProcessTableTest, TerminateOfAGoneProcessFails) {
    Child child("/bin/true", {"true"});
    ASSERT_GT(child.pid(), 0);
    child.Wait();
    EXPECT_FALSE(ProcProcessTable().Terminate(child.pid()));
}

TEST(ProcProcessTableTest, TerminateRefusesPidsThatNameGroups) {
    // kill(0) would end the caller's whole process group; try it in a child of its own group so
    // a fault ends only that child.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setpgid(0, 0);
        ProcProcessTable table;
        const bool zero = table.Terminate(0);
        const bool negative = table.Terminate(-::getpid());
        ::_exit(zero || negative ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child was killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ProcProcessTableTest, SnapshotReadsEveryProcessFolder) {
    TemporaryDirectory proc;
    const auto process = [&](const char* folder, const std::string& cmdline,
                             const std::string& comm) {
        fs::create_directory(proc.path() / folder);
        WriteFileBytes(proc.path() / folder / "cmdline", cmdline);
        WriteFileBytes(proc.path() / folder / "comm", comm);
    };
    process("12", std::string("C:\\x\\acrobat.exe\0-p\0doc.pdf\0", 28), "acrobat.exe\n");
    process("345", "", "kworker/0:1\n");
    process("6789", std::string("/usr/bin/sleep\0", 15), "sleep\n");
    process("self", std::string("/bin/sh\0", 8), "sh\n");
    process("sys", "", "");
    WriteFileBytes(proc.path() / "uptime", "1.0 2.0\n");

    auto entries = ProcProcessTable(proc.path()).Snapshot();

    ASSERT_TRUE(entries.has_value());
    std::sort(entries->begin(), entries->end(),
              [](const auto& a, const auto& b) { return a.pid < b.pid; });
    ASSERT_EQ(entries->size(), 3u);
    EXPECT_EQ((*entries)[0].pid, 12);
    EXPECT_EQ((*entries)[0].imageName, "C:\\x\\acrobat.exe");
    EXPECT_EQ((*entries)[1].pid, 345);
    EXPECT_EQ((*entries)[1].imageName, "kworker/0:1");
    EXPECT_EQ((*entries)[2].pid, 6789);
    EXPECT_EQ((*entries)[2].imageName, "/usr/bin/sleep");
}

TEST(ProcProcessTableTest, SnapshotWithoutProcFails) {
    TemporaryDirectory folder;
    EXPECT_FALSE(ProcProcessTable(folder.path() / "absent").Snapshot().has_value());
}

} // namespace
