#pragma once

#include "ServerSide.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>

// A store fixture whose test stops and starts the local MariaDB through dev/mariadb.sh, whose path
// CTest passes in AGENT_MARIADB_SCRIPT. Whatever the test does, TearDown leaves the server running
// for the tests after it.
template <typename Fixture> class WithServerRestart : public Fixture {
protected:
    void SetUp() override {
        const char* script = std::getenv("AGENT_MARIADB_SCRIPT");
        if (script == nullptr) {
            if (std::getenv("AGENT_DB_REQUIRED") != nullptr) {
                FAIL() << "AGENT_MARIADB_SCRIPT does not name dev/mariadb.sh";
            }
            GTEST_SKIP() << "AGENT_MARIADB_SCRIPT does not name dev/mariadb.sh";
        }
        m_script = script;
        Fixture::SetUp();
    }

    void TearDown() override {
        if (!m_script.empty()) {
            run("start");
            // The earlier server-side session did not survive the restart.
            if (ServerSide::Unavailable() == std::nullopt) {
                this->m_server = std::make_unique<ServerSide>();
            }
        }
        Fixture::TearDown();
    }

    // "start" or "stop".
    void run(const char* command) {
        const std::string line = "bash '" + m_script + "' " + command + " >/dev/null";
        ASSERT_EQ(std::system(line.c_str()), 0) << line;
    }

    void restartServerSide() {
        run("start");
        this->m_server = std::make_unique<ServerSide>();
    }

private:
    std::string m_script;
};
