#pragma once

#include <chrono>
#include <string>

// Tells whether the internet is reachable: a plain TCP connection to one fixed IPv4 endpoint,
// opened within the time limit and closed at once without sending anything.
class ConnectivityProbe {
public:
    ConnectivityProbe(std::string host, unsigned port,
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

    // The endpoint built into this agent.
    static ConnectivityProbe FromDeployment();

    // True when the connection was established. Never raises; the socket is closed on every path.
    bool TemInternet() const noexcept;

private:
    std::string m_host; // a literal IPv4 address: no name lookup takes place
    unsigned m_port;
    std::chrono::milliseconds m_timeout;
};
