// Measures the remote print store against the local MariaDB (dev/mariadb.sh start):
//  - the time of one empty poll: connect, run the pending-jobs SELECT matching nothing, close;
//  - the peak resident memory of walking the pending jobs and writing each document to a file,
//    for one job of 10 MB and for a queue of 20 such jobs.
// Each walk runs in a fresh process (this program started again with "walk N"), so its peak is
// its own.

#include "printing/RemotePrintStore.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mysql.h>
#include <numeric>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kCnpj = "00000000000001";
constexpr const char* kComputador = "BENCHMARK";
constexpr std::size_t kDocumentSize = std::size_t{10} << 20;

long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// The server side: places the jobs, and removes them afterwards.
class Jobs {
public:
    Jobs() : m_session(mysql_init(nullptr), mysql_close) {
        const ConnectionSettings settings = ConnectionSettings::FromDeployment();
        if (mysql_real_connect(m_session.get(), settings.host.c_str(), settings.user.c_str(),
                               settings.password.c_str(), settings.database.c_str(), settings.port,
                               nullptr, 0) == nullptr) {
            throw std::runtime_error(mysql_error(m_session.get()));
        }
        clear();
    }
    ~Jobs() { clear(); }

    void add(int count) {
        clear();
        std::string document(kDocumentSize, '\0');
        for (std::size_t i = 0; i < document.size(); ++i) {
            document[i] = static_cast<char>(i * 31 + i / 4096);
        }
        std::unique_ptr<MYSQL_STMT, decltype(&mysql_stmt_close)> insert(
            mysql_stmt_init(m_session.get()), mysql_stmt_close);
        const std::string sql = "INSERT INTO impressoes_remotas (GUID, CNPJ, COMPUTADOR, "
                                "IMPRESSORA, ARQUIVO, IMPRIMIR) VALUES (?, ?, ?, 'PDF', ?, 'S')";
        if (mysql_stmt_prepare(insert.get(), sql.data(), sql.size()) != 0) {
            throw std::runtime_error(mysql_stmt_error(insert.get()));
        }
        for (int n = 0; n < count; ++n) {
            std::string guid = "{BENCHMARK-" + std::to_string(n) + "}";
            std::string cnpj = kCnpj;
            std::string computador = kComputador;
            MYSQL_BIND binds[4] = {};
            std::string* texts[3] = {&guid, &cnpj, &computador};
            unsigned long lengths[4];
            for (int i = 0; i < 3; ++i) {
                lengths[i] = texts[i]->size();
                binds[i].buffer_type = MYSQL_TYPE_STRING;
                binds[i].buffer = texts[i]->data();
                binds[i].buffer_length = lengths[i];
                binds[i].length = &lengths[i];
            }
            lengths[3] = document.size();
            binds[3].buffer_type = MYSQL_TYPE_LONG_BLOB;
            binds[3].buffer = document.data();
            binds[3].buffer_length = lengths[3];
            binds[3].length = &lengths[3];
            if (mysql_stmt_bind_param(insert.get(), binds) != 0 ||
                mysql_stmt_execute(insert.get()) != 0) {
                throw std::runtime_error(mysql_stmt_error(insert.get()));
            }
        }
    }

    void clear() {
        const std::string sql =
            std::string("DELETE FROM impressoes_remotas WHERE CNPJ='") + kCnpj + "'";
        mysql_real_query(m_session.get(), sql.data(), sql.size());
    }

private:
    std::unique_ptr<MYSQL, decltype(&mysql_close)> m_session;
};

// One poll's walk as the poller does it, without printing: each document to its file.
int Walk() {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("agent-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    RemotePrintStore store;
    auto& query = store.db_busca_impressao;
    store.DBConexaoServidorMobile.Open();
    query.Close();
    query.ParamByName("CNPJ") = kCnpj;
    query.ParamByName("COMPUTADOR") = kComputador;
    query.Open();
    int jobs = 0;
    for (; !query.Eof(); query.Next()) {
        query.FieldByName("ARQUIVO").SaveToFile(folder /
                                                (query.FieldByName("GUID").AsString() + ".pdf"));
        ++jobs;
    }
    query.Close();
    store.DBConexaoServidorMobile.Close();
    std::filesystem::remove_all(folder);
    std::printf("%d %ld\n", jobs, PeakResidentKiB());
    return 0;
}

// For comparison: the same SELECT read the plain way, the whole result buffered in the client
// before the first row is seen (what the agent avoids).
int WalkBuffered() {
    const ConnectionSettings settings = ConnectionSettings::FromDeployment();
    std::unique_ptr<MYSQL, decltype(&mysql_close)> session(mysql_init(nullptr), mysql_close);
    if (mysql_real_connect(session.get(), settings.host.c_str(), settings.user.c_str(),
                           settings.password.c_str(), settings.database.c_str(), settings.port,
                           nullptr, 0) == nullptr) {
        throw std::runtime_error(mysql_error(session.get()));
    }
    const std::string sql = std::string("SELECT * FROM impressoes_remotas WHERE CNPJ='") + kCnpj +
                            "' AND COMPUTADOR='" + kComputador + "' AND IMPRIMIR='S'";
    if (mysql_real_query(session.get(), sql.data(), sql.size()) != 0) {
        throw std::runtime_error(mysql_error(session.get()));
    }
    std::unique_ptr<MYSQL_RES, decltype(&mysql_free_result)> result(
        mysql_store_result(session.get()), mysql_free_result);
    int jobs = 0;
    while (result && mysql_fetch_row(result.get()) != nullptr) {
        ++jobs;
    }
    std::printf("%d %ld\n", jobs, PeakResidentKiB());
    return 0;
}

// Runs this program's walk in a fresh process and reads back its job count and peak memory.
std::pair<int, long> WalkInFreshProcess(const char* mode) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        throw std::runtime_error("pipe");
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        char self[] = "/proc/self/exe";
        std::string walk = mode;
        char* arguments[] = {self, walk.data(), nullptr};
        ::execv(self, arguments);
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    char buffer[128] = {};
    const ssize_t size = ::read(pipeEnds[0], buffer, sizeof buffer - 1);
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    int jobs = -1;
    long peak = -1;
    if (size <= 0 || std::sscanf(buffer, "%d %ld", &jobs, &peak) != 2 || status != 0) {
        throw std::runtime_error("the walk failed");
    }
    return {jobs, peak};
}

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc > 1 && std::string(argv[1]) == "walk") {
            return Walk();
        }
        if (argc > 1 && std::string(argv[1]) == "walk-buffered") {
            return WalkBuffered();
        }
        Jobs jobs;

        constexpr int kPolls = 200;
        std::vector<double> times;
        RemotePrintStore store;
        for (int i = 0; i < kPolls; ++i) {
            const auto start = std::chrono::steady_clock::now();
            store.DBConexaoServidorMobile.Open();
            store.db_busca_impressao.Close();
            store.db_busca_impressao.ParamByName("CNPJ") = kCnpj;
            store.db_busca_impressao.ParamByName("COMPUTADOR") = kComputador;
            store.db_busca_impressao.Open();
            if (!store.db_busca_impressao.Eof()) {
                throw std::runtime_error("the empty poll found a job");
            }
            store.db_busca_impressao.Close();
            store.DBConexaoServidorMobile.Close();
            times.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
        }
        std::sort(times.begin(), times.end());
        const double mean = std::accumulate(times.begin(), times.end(), 0.0) / kPolls;
        std::printf("empty poll (connect, select, close), %d runs: median %.2f ms, mean %.2f ms, "
                    "slowest %.2f ms\n",
                    kPolls, times[kPolls / 2], mean, times.back());

        const auto [none, idle] = WalkInFreshProcess("walk");
        std::printf("peak resident memory, empty queue:       %7ld KiB (%d jobs)\n", idle, none);
        for (int count : {1, 20}) {
            jobs.add(count);
            const auto [walked, peak] = WalkInFreshProcess("walk");
            std::printf("peak resident memory, %2d jobs of 10 MB: %7ld KiB (%d jobs walked)\n",
                        count, peak, walked);
            const auto [read, buffered] = WalkInFreshProcess("walk-buffered");
            std::printf("  for comparison, whole result buffered: %7ld KiB (%d jobs read)\n",
                        buffered, read);
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "benchmark failed: %s\n", error.what());
        return 1;
    }
}
