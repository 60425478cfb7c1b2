// Measures the print-job poller on the SumatraPDF path against the local MariaDB
// (dev/mariadb.sh start), with the real clock (ThreadSleeper) and real process start
// (PosixProgramLauncher) of a stand-in SumatraPDF.exe, a shell script that records its start:
//  - the time from inserting a job to its row being marked printed, the cycles driven as the poll
//    timer fires them (a cycle, then the timer's interval), the job inserted at a random phase of
//    the timer (median, min and max of 20);
//  - jobs per minute for a queue of 50 pending jobs of 100 KB;
//  - the growth of the process's peak resident memory (VmHWM) while one cycle prints 1, then 20
//    pending jobs of 10 MB.
// The working directory is a temporary folder with a PDF folder and the stand-in. Jobs have an
// empty printer name, so the current default printer is kept and no print server is needed. Each
// measure has its own CNPJ and computer name, and its rows are deleted when it ends.
// AGENT_DB_HOST and AGENT_DB_PORT, when set, point it at another server than the build's, e.g.
// one that no test restarts meanwhile.

#include "common/Notices.h"
#include "common/PollTimer.h"
#include "common/TParametros.h"
#include "platform/PrintSystem.h"
#include "platform/linux/PosixProgramLauncher.h"
#include "platform/linux/ProcProcessTable.h"
#include "platform/linux/ThreadSleeper.h"
#include "platform/linux/X11WindowCloser.h"
#include "printing/ConnectionSettings.h"
#include "printing/ConnectivityProbe.h"
#include "printing/PrintJobPoller.h"
#include "printing/RemotePrintStore.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mysql.h>
#include <netinet/in.h>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kComputador = "BENCHMARK-POLLER";
constexpr std::size_t kKilobyte = 1024;
constexpr std::size_t kMegabyte = 1024 * 1024;

// Raised when the benchmark's own connection cannot be opened.
class DatabaseUnreachable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The poll timer as the agent's would behave; the driver below fires it.
struct ManualTimer : PollTimer {
    void SetEnabled(bool enabled) override { m_enabled = enabled; }
    bool Enabled() const override { return m_enabled; }
    void SetInterval(int milliseconds) override { m_interval = milliseconds; }
    int Interval() const override { return m_interval; }
    bool m_enabled = true;
    int m_interval = 1000;
};

// Counts notices and keeps the time and text of the last one.
struct RecordingNotices : Notices {
    void Show(const std::string& caption, const std::string& text) override {
        ++m_count;
        m_last = Clock::now();
        m_lastText = caption + ": " + text;
    }
    int m_count = 0;
    Clock::time_point m_last{};
    std::string m_lastText;
};

// The SumatraPDF path prints through the viewer on the current default printer: an empty printer
// name never switches it, and nothing is handed to the print system.
struct UnusedPrintSystem : PrintSystem {
    std::vector<std::string> PrinterNames() const override { return {}; }
    std::string DefaultPrinter() const override { return {}; }
    void SetDefaultPrinter(const std::string& name) override {
        throw PrintSystemError("no print system in this benchmark: " + name);
    }
    void PrintFile(const std::string& documentPath) override {
        throw PrintSystemError("no print system in this benchmark: " + documentPath);
    }
};

// A loopback endpoint for the probe that accepts and drops every connection.
class ProbeEndpoint {
public:
    ProbeEndpoint() : m_socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (m_socket < 0 || ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
            ::listen(m_socket, 64) != 0) {
            if (m_socket >= 0) {
                ::close(m_socket);
            }
            throw std::runtime_error("cannot open the probe endpoint");
        }
        m_port = ntohs(address.sin_port);
        m_acceptor = std::thread([this] {
            for (;;) {
                const int connection = ::accept4(m_socket, nullptr, nullptr, SOCK_CLOEXEC);
                if (connection < 0) {
                    return;
                }
                ::close(connection);
            }
        });
    }
    ProbeEndpoint(const ProbeEndpoint&) = delete;
    ProbeEndpoint& operator=(const ProbeEndpoint&) = delete;
    ~ProbeEndpoint() {
        ::shutdown(m_socket, SHUT_RDWR);
        m_acceptor.join();
        ::close(m_socket);
    }
    unsigned port() const { return m_port; }

private:
    int m_socket;
    unsigned m_port = 0;
    std::thread m_acceptor;
};

// A temporary folder made the current directory, with the PDF folder and the stand-in viewer;
// removed, with everything the cycles wrote, at the end.
class WorkingFolder {
public:
    WorkingFolder()
        : m_previous(std::filesystem::current_path()),
          m_folder(std::filesystem::temp_directory_path() /
                   ("agent-poller-bench-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(m_folder / "PDF");
        std::filesystem::create_directories(m_folder / "LOG");
        const std::filesystem::path program = m_folder / "SumatraPDF.exe";
        {
            std::ofstream script(program);
            script << "#!/bin/sh\necho \"$#\" >> \"$(dirname \"$0\")/launches\"\nexit 0\n";
            if (!script) {
                throw std::runtime_error("cannot write " + program.string());
            }
        }
        std::filesystem::permissions(program, std::filesystem::perms::owner_all |
                                                  std::filesystem::perms::group_read |
                                                  std::filesystem::perms::group_exec);
        std::filesystem::current_path(m_folder);
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;
    ~WorkingFolder() {
        std::error_code ignored;
        std::filesystem::current_path(m_previous, ignored);
        std::filesystem::remove_all(m_folder, ignored);
    }

    // How many times the stand-in has run so far.
    int Launches() const {
        std::ifstream log(m_folder / "launches");
        int count = 0;
        for (std::string line; std::getline(log, line);) {
            ++count;
        }
        return count;
    }

private:
    std::filesystem::path m_previous;
    std::filesystem::path m_folder;
};

struct StatementCloser {
    void operator()(MYSQL_STMT* statement) const noexcept { mysql_stmt_close(statement); }
};
struct SessionCloser {
    void operator()(MYSQL* session) const noexcept { mysql_close(session); }
};

// A document of the given size that starts and ends like a PDF.
std::string Document(std::size_t size) {
    const std::string head = "%PDF-1.4\n";
    const std::string tail = "\n%%EOF\n";
    std::string document(std::max(size, head.size() + tail.size()), '\0');
    for (std::size_t i = 0; i < document.size(); ++i) {
        document[i] = static_cast<char>(i * 31 + i / 4096);
    }
    document.replace(0, head.size(), head);
    document.replace(document.size() - tail.size(), tail.size(), tail);
    return document;
}

// The build's connection settings, host and port overridable from the environment.
ConnectionSettings BenchmarkSettings() {
    ConnectionSettings settings = ConnectionSettings::FromDeployment();
    if (const char* host = std::getenv("AGENT_DB_HOST"); host != nullptr && *host != '\0') {
        settings.host = host;
    }
    if (const char* port = std::getenv("AGENT_DB_PORT"); port != nullptr && *port != '\0') {
        settings.port = static_cast<unsigned>(std::stoul(port));
    }
    return settings;
}

// The benchmark's own connection: inserts the jobs of one CNPJ and this benchmark's computer
// name, counts the pending ones and deletes them all.
class JobTable {
public:
    JobTable() : m_session(mysql_init(nullptr)) {
        const ConnectionSettings settings = BenchmarkSettings();
        if (!m_session) {
            throw DatabaseUnreachable("out of memory");
        }
        if (mysql_real_connect(m_session.get(), settings.host.c_str(), settings.user.c_str(),
                               settings.password.c_str(), settings.database.c_str(), settings.port,
                               nullptr, 0) == nullptr) {
            throw DatabaseUnreachable(settings.user + "@" + settings.host + ":" +
                                      std::to_string(settings.port) + "/" + settings.database +
                                      ": " + mysql_error(m_session.get()));
        }
    }

    // Inserts `count` pending jobs of the CNPJ with documents of `size` bytes; returns when the
    // last insert has been committed.
    void Insert(const std::string& cnpj, const std::string& guidPrefix, int count,
                std::size_t size) {
        const std::string sql =
            "INSERT INTO impressoes_remotas (GUID, CNPJ, COMPUTADOR, IMPRESSORA, ARQUIVO, "
            "IMPRIMIR) VALUES (?, ?, ?, '', ?, 'S')";
        const std::unique_ptr<MYSQL_STMT, StatementCloser> statement(
            mysql_stmt_init(m_session.get()));
        if (!statement || mysql_stmt_prepare(statement.get(), sql.data(), sql.size()) != 0) {
            Fail();
        }
        std::string document = Document(size);
        std::string guid;
        std::string computador = kComputador;
        std::string cnpjText = cnpj;
        unsigned long lengths[4] = {0, cnpjText.size(), computador.size(), document.size()};
        MYSQL_BIND binds[4]{};
        binds[0].buffer_type = MYSQL_TYPE_STRING;
        binds[0].length = &lengths[0];
        binds[1].buffer_type = MYSQL_TYPE_STRING;
        binds[1].buffer = cnpjText.data();
        binds[1].buffer_length = lengths[1];
        binds[1].length = &lengths[1];
        binds[2].buffer_type = MYSQL_TYPE_STRING;
        binds[2].buffer = computador.data();
        binds[2].buffer_length = lengths[2];
        binds[2].length = &lengths[2];
        binds[3].buffer_type = MYSQL_TYPE_LONG_BLOB;
        binds[3].buffer = document.data();
        binds[3].buffer_length = lengths[3];
        binds[3].length = &lengths[3];
        for (int n = 0; n < count; ++n) {
            guid = "{" + guidPrefix + "-" + std::to_string(::getpid()) + "-" + std::to_string(n) +
                   "-" + std::to_string(m_inserted++) + "}";
            lengths[0] = guid.size();
            binds[0].buffer = guid.data();
            binds[0].buffer_length = lengths[0];
            if (mysql_stmt_bind_param(statement.get(), binds) != 0 ||
                mysql_stmt_execute(statement.get()) != 0) {
                throw std::runtime_error("insert: " +
                                         std::string(mysql_stmt_error(statement.get())));
            }
        }
    }

    long Pending(const std::string& cnpj) {
        Run("SELECT COUNT(*) FROM impressoes_remotas WHERE CNPJ='" + cnpj + "' AND COMPUTADOR='" +
            kComputador + "' AND IMPRIMIR='S'");
        const std::unique_ptr<MYSQL_RES, decltype(&mysql_free_result)> result(
            mysql_store_result(m_session.get()), mysql_free_result);
        MYSQL_ROW row = result ? mysql_fetch_row(result.get()) : nullptr;
        if (row == nullptr || row[0] == nullptr) {
            Fail();
        }
        return std::stol(row[0]);
    }

    void Delete(const std::string& cnpj) {
        Run("DELETE FROM impressoes_remotas WHERE CNPJ='" + cnpj + "' AND COMPUTADOR='" +
            kComputador + "'");
    }

private:
    void Run(const std::string& sql) {
        if (mysql_real_query(m_session.get(), sql.data(), sql.size()) != 0) {
            Fail();
        }
    }
    [[noreturn]] void Fail() { throw std::runtime_error(mysql_error(m_session.get())); }

    std::unique_ptr<MYSQL, SessionCloser> m_session;
    long m_inserted = 0;
};

// The rows of one measure, deleted before it starts and when it ends.
class Measure {
public:
    Measure(JobTable& table, std::string cnpj) : m_table(table), m_cnpj(std::move(cnpj)) {
        m_table.Delete(m_cnpj);
    }
    Measure(const Measure&) = delete;
    Measure& operator=(const Measure&) = delete;
    ~Measure() {
        try {
            m_table.Delete(m_cnpj);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "poller benchmark: rows of CNPJ %s left behind: %s\n",
                         m_cnpj.c_str(), error.what());
        }
    }
    const std::string& cnpj() const { return m_cnpj; }

private:
    JobTable& m_table;
    std::string m_cnpj;
};

// The agent's objects that every measure shares, with a poller per measure's settings.
struct Agent {
    ProbeEndpoint endpoint;
    ConnectivityProbe probe{"127.0.0.1", endpoint.port()};
    RemotePrintStore store{BenchmarkSettings()};
    UnusedPrintSystem printSystem;
    PosixProgramLauncher launcher;
    X11WindowCloser windows;
    ProcProcessTable processes;
    ThreadSleeper sleeper;
    PrintServices services{printSystem, launcher, windows, processes, sleeper};
};

// One measure's poller: SumatraPDF selected, the spool files kept.
class Poller {
public:
    Poller(Agent& agent, const std::string& cnpj)
        : m_parametros{cnpj, kComputador, "N", "N", "S"},
          m_poller(m_parametros, m_timer, agent.probe, agent.store, agent.services, m_alerta,
                   m_alertaErro) {}

    // One tick of the timer; an error notice ends the benchmark.
    void Cycle() {
        m_poller.TimerEnviaMsgTimer();
        if (m_alertaErro.m_count > 0) {
            throw std::runtime_error("the cycle failed: " + m_alertaErro.m_lastText);
        }
        if (!m_timer.Enabled()) {
            throw std::runtime_error("the cycle left the timer off");
        }
    }

    // Runs cycles as the timer fires them, the interval really waited between two, until
    // `done` holds after one.
    void CycleUntil(const std::function<bool()>& done) {
        for (;;) {
            Cycle();
            if (done()) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(m_timer.Interval()));
        }
    }

    int Interval() const { return m_timer.Interval(); }
    const RecordingNotices& printed() const { return m_alerta; }

private:
    TParametros m_parametros;
    ManualTimer m_timer;
    RecordingNotices m_alerta;
    RecordingNotices m_alertaErro;
    PrintJobPoller m_poller;
};

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

struct LatencyFigures {
    double median = 0;
    double min = 0;
    double max = 0;
};

// Each round: a job is inserted while the timer runs, the next tick comes a random 0 to 999 ms
// later, and the round ends when a cycle marks the row printed (its success notice follows the
// update at once).
LatencyFigures MeasureLatency(Agent& agent, JobTable& table, int rounds, std::size_t size) {
    const Measure measure(table, "00000000000051");
    Poller poller(agent, measure.cnpj());
    std::mt19937 random(5);
    std::uniform_int_distribution<int> phase(0, poller.Interval() - 1);
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        const int expected = poller.printed().m_count + 1;
        table.Insert(measure.cnpj(), "LAT", 1, size);
        const auto inserted = Clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(phase(random)));
        poller.CycleUntil([&] { return poller.printed().m_count >= expected; });
        if (poller.printed().m_count != expected || table.Pending(measure.cnpj()) != 0) {
            throw std::runtime_error("latency: the job was not marked printed");
        }
        times.push_back(Milliseconds(poller.printed().m_last - inserted));
    }
    std::sort(times.begin(), times.end());
    const std::size_t middle = times.size() / 2;
    const double median =
        times.size() % 2 == 1 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
    return {median, times.front(), times.back()};
}

struct ThroughputFigures {
    double seconds = 0;
    int cycles = 0;
};

// From the first tick with the whole queue pending until no job of it is.
ThroughputFigures MeasureThroughput(Agent& agent, JobTable& table, int jobs, std::size_t size) {
    const Measure measure(table, "00000000000052");
    Poller poller(agent, measure.cnpj());
    table.Insert(measure.cnpj(), "QUE", jobs, size);
    int cycles = 0;
    const auto start = Clock::now();
    poller.CycleUntil([&] {
        ++cycles;
        return table.Pending(measure.cnpj()) == 0;
    });
    const auto end = Clock::now();
    if (poller.printed().m_count != jobs) {
        throw std::runtime_error("throughput: " + std::to_string(poller.printed().m_count) +
                                 " of " + std::to_string(jobs) + " jobs printed");
    }
    return {std::chrono::duration<double>(end - start).count(), cycles};
}

// Kilobytes of a "Vm...:" line of /proc/self/status.
long StatusKilobytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::stol(line.substr(field.size() + 1));
        }
    }
    throw std::runtime_error("no " + field + " in /proc/self/status");
}

// Sets VmHWM back to the current resident size; false when the kernel does not allow it.
bool ResetPeakResidentSize() {
    std::ofstream clearRefs("/proc/self/clear_refs");
    clearRefs << "5";
    clearRefs.flush();
    return static_cast<bool>(clearRefs);
}

struct MemoryFigures {
    long residentBefore = 0; // kB, when the cycle starts
    long peakBefore = 0;     // kB, VmHWM when the cycle starts (after the reset, if allowed)
    long peakAfter = 0;      // kB, VmHWM when the cycle has ended
    bool reset = false;
};

// One cycle printing `jobs` pending jobs of `size` bytes, inserted beforehand.
MemoryFigures MeasureMemory(Agent& agent, JobTable& table, const std::string& cnpj, int jobs,
                            std::size_t size) {
    const Measure measure(table, cnpj);
    Poller poller(agent, measure.cnpj());
    table.Insert(measure.cnpj(), "MEM", jobs, size);
    MemoryFigures figures;
    figures.reset = ResetPeakResidentSize();
    figures.residentBefore = StatusKilobytes("VmRSS");
    figures.peakBefore = StatusKilobytes("VmHWM");
    poller.Cycle();
    figures.peakAfter = StatusKilobytes("VmHWM");
    if (poller.printed().m_count != jobs || table.Pending(measure.cnpj()) != 0) {
        throw std::runtime_error("memory: " + std::to_string(poller.printed().m_count) + " of " +
                                 std::to_string(jobs) + " jobs printed in one cycle");
    }
    return figures;
}

std::string MemoryLine(const MemoryFigures& figures) {
    char line[160];
    if (figures.reset) {
        std::snprintf(line, sizeof line, "+%.1f MB (VmHWM %.1f MB, VmRSS before %.1f MB)",
                      static_cast<double>(figures.peakAfter - figures.residentBefore) / 1024,
                      static_cast<double>(figures.peakAfter) / 1024,
                      static_cast<double>(figures.residentBefore) / 1024);
    } else {
        std::snprintf(line, sizeof line,
                      "VmHWM %.1f MB before, %.1f MB after (VmHWM could not be reset)",
                      static_cast<double>(figures.peakBefore) / 1024,
                      static_cast<double>(figures.peakAfter) / 1024);
    }
    return line;
}

} // namespace

int main() {
    constexpr int kLatencyRounds = 20;
    constexpr std::size_t kLatencySize = 50 * kKilobyte;
    constexpr int kQueueJobs = 50;
    constexpr std::size_t kQueueSize = 100 * kKilobyte;
    constexpr int kMemoryJobs = 20;
    constexpr std::size_t kMemorySize = 10 * kMegabyte;
    try {
        std::optional<JobTable> table;
        try {
            table.emplace();
        } catch (const DatabaseUnreachable& error) {
            std::fprintf(stderr,
                         "poller benchmark: the database cannot be reached (%s); start it with "
                         "dev/mariadb.sh start\n",
                         error.what());
            return 2;
        }
        const WorkingFolder folder;
        Agent agent;

        std::printf("Print-job poller, SumatraPDF path: stand-in program started for real, real "
                    "clock (1000 ms of waits per job, 1000 ms timer interval)\n");
        std::fflush(stdout);
        const LatencyFigures latency = MeasureLatency(agent, *table, kLatencyRounds, kLatencySize);
        std::printf("  %-44s median %.0f ms (min %.0f, max %.0f)\n",
                    ("insert to printed, " + std::to_string(kLatencyRounds) + " jobs of " +
                     std::to_string(kLatencySize / kKilobyte) + " KB")
                        .c_str(),
                    latency.median, latency.min, latency.max);
        std::fflush(stdout);

        const ThroughputFigures throughput =
            MeasureThroughput(agent, *table, kQueueJobs, kQueueSize);
        std::printf("  %-44s %.1f jobs/min (%.1f s, %d cycle%s)\n",
                    ("queue of " + std::to_string(kQueueJobs) + " jobs of " +
                     std::to_string(kQueueSize / kKilobyte) + " KB")
                        .c_str(),
                    kQueueJobs / (throughput.seconds / 60), throughput.seconds, throughput.cycles,
                    throughput.cycles == 1 ? "" : "s");
        std::fflush(stdout);

        const MemoryFigures one = MeasureMemory(agent, *table, "00000000000053", 1, kMemorySize);
        std::printf(
            "  %-44s %s\n",
            ("peak memory, 1 pending job of " + std::to_string(kMemorySize / kMegabyte) + " MB")
                .c_str(),
            MemoryLine(one).c_str());
        std::fflush(stdout);
        const MemoryFigures many =
            MeasureMemory(agent, *table, "00000000000054", kMemoryJobs, kMemorySize);
        std::printf("  %-44s %s\n",
                    ("peak memory, " + std::to_string(kMemoryJobs) + " pending jobs of " +
                     std::to_string(kMemorySize / kMegabyte) + " MB")
                        .c_str(),
                    MemoryLine(many).c_str());

        // The last stand-in may still be starting.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const int expected = kLatencyRounds + kQueueJobs + 1 + kMemoryJobs;
        std::printf("  stand-in program started %d times for %d jobs\n", folder.Launches(),
                    expected);
        return folder.Launches() == expected ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "poller benchmark: %s\n", error.what());
        return 1;
    }
}
