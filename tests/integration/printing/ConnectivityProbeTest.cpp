#include "printing/ConnectivityProbe.h"

#include "LoopbackListener.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

ConnectivityProbe ProbeOf(unsigned port) {
    return ConnectivityProbe("127.0.0.1", port);
}

} // namespace

// An endpoint that accepts: true, and the connection is closed without a byte sent.
TEST(ConnectivityProbeTest, AcceptedConnectionIsTrueAndSendsNothing) {
    LoopbackListener listener;
    EXPECT_TRUE(ProbeOf(listener.port()).TemInternet());

    UniqueFd connection = listener.accept(2s);
    ASSERT_TRUE(connection) << "the probe's connection never arrived";
    pollfd waiting{connection.get(), POLLIN, 0};
    ASSERT_EQ(::poll(&waiting, 1, 2000), 1) << "the probe left its connection open";
    char byte = 0;
    EXPECT_EQ(::recv(connection.get(), &byte, 1, 0), 0) << "the probe sent data";
}

// A refused connection is false without waiting for the time-out.
TEST(ConnectivityProbeTest, RefusedConnectionIsFalseAtOnce) {
    LoopbackListener closedPort(false);
    const auto start = Clock::now();
    EXPECT_FALSE(ProbeOf(closedPort.port()).TemInternet());
    EXPECT_LT(Clock::now() - start, 500ms);
}

// An endpoint that never completes the handshake is false after the 2000 ms limit. A listener
// whose backlog is full drops further connection requests, as a silent host would.
TEST(ConnectivityProbeTest, UnansweredConnectionIsFalseAfterTheLimit) {
    LoopbackListener listener(true, 0);
    std::vector<UniqueFd> fillers;
    for (int i = 0; i < 8; ++i) {
        UniqueFd filler(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(listener.port()));
        // Non-blocking: the answer (EINPROGRESS) is of no interest, the poll below tells.
        (void)::connect(filler.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
        pollfd waiting{filler.get(), POLLOUT, 0};
        const bool completed = ::poll(&waiting, 1, 300) == 1;
        fillers.push_back(std::move(filler));
        if (!completed) {
            break;
        }
    }

    const auto start = Clock::now();
    EXPECT_FALSE(ProbeOf(listener.port()).TemInternet());
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, 1900ms);
    EXPECT_LT(elapsed, 3000ms);
}

// Endpoints that cannot be reached at all: false within the limit, never an error.
TEST(ConnectivityProbeTest, UnusableEndpointsAreFalse) {
    struct Case {
        const char* name;
        const char* host;
        unsigned port;
    };
    const Case cases[] = {
        {"host name, which is never looked up", "localhost", 80},
        {"malformed address", "999.1.1.1", 80},
        {"empty address", "", 80},
        {"port zero", "127.0.0.1", 0},
        {"port out of range", "127.0.0.1", 70000},
        {"address without a route (TEST-NET-1)", "192.0.2.1", 80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto start = Clock::now();
        EXPECT_FALSE(ConnectivityProbe(c.host, c.port).TemInternet());
        EXPECT_LT(Clock::now() - start, 2500ms);
    }
}

// A thousand probes, succeeding and failing, leave no descriptor open.
TEST(ConnectivityProbeTest, ThousandProbesLeaveNoDescriptorOpen) {
    LoopbackListener listener;
    LoopbackListener closedPort(false);
    const std::size_t before = OpenDescriptors();
    for (int i = 0; i < 500; ++i) {
        ASSERT_TRUE(ProbeOf(listener.port()).TemInternet());
        ASSERT_TRUE(listener.accept(2s));
        ASSERT_FALSE(ProbeOf(closedPort.port()).TemInternet());
    }
    EXPECT_EQ(OpenDescriptors(), before);
}
