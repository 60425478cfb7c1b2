#pragma once

#include <chrono>
#include <string>

// Where and how the agent reaches the remote database. The agent uses the values built into it;
// tests change single fields (a wrong password, an unused port, a short time-out).
struct ConnectionSettings {
    std::string host;
    unsigned port = 3306;
    std::string database;
    std::string user;
    std::string password;
    // Bound every wait on the network so a dead link fails instead of hanging the agent.
    std::chrono::seconds connectTimeout{10};
    std::chrono::seconds readTimeout{30};
    std::chrono::seconds writeTimeout{30};

    // The deployment values of this build.
    static ConnectionSettings FromDeployment();
};
