#include "LoopbackDatabase.h"
#include "LoopbackListener.h"
#include "printing/ConnectionFailedError.h"
#include "printing/DatabaseConnection.h"

#include <gmock/gmock.h>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::HasSubstr;

namespace {

ConnectionSettings SettingsFor(unsigned port) {
    return LoopbackDatabaseAt(port, 1s);
}

} // namespace

// Nobody listening: the client library's own message, at once, and nothing left open.
TEST(DatabaseConnectionTimeoutTest, UnreachableServerGivesTheClientsMessage) {
    LoopbackListener closedPort(false);
    DatabaseConnection connection(SettingsFor(closedPort.port()));
    const auto start = Clock::now();
    try {
        connection.Open();
        FAIL() << "connected to a closed port";
    } catch (const ConnectionFailedError& error) {
        EXPECT_THAT(error.what(), HasSubstr("Can't connect"));
    }
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_FALSE(connection.Connected());
}

// A host that takes the connection and never speaks: the opening fails within the time-outs
// instead of hanging the agent.
TEST(DatabaseConnectionTimeoutTest, SilentServerFailsWithinTheTimeOut) {
    LoopbackListener silent;
    DatabaseConnection connection(SettingsFor(silent.port()));
    const auto start = Clock::now();
    EXPECT_THROW(connection.Open(), ConnectionFailedError);
    EXPECT_LT(Clock::now() - start, 5s);
    EXPECT_FALSE(connection.Connected());
}
