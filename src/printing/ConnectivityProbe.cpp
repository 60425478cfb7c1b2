#include "printing/ConnectivityProbe.h"

#include "DeploymentValues.h"
#include "common/UniqueFd.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

ConnectivityProbe::ConnectivityProbe(std::string host, unsigned port,
                                     std::chrono::milliseconds timeout)
    : m_host(std::move(host)), m_port(port), m_timeout(timeout) {}

ConnectivityProbe ConnectivityProbe::FromDeployment() {
    return ConnectivityProbe(deployment::kProbeHost, deployment::kProbePort);
}

bool ConnectivityProbe::TemInternet() const noexcept {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(m_port));
    if (m_port == 0 || m_port > 65535 ||
        ::inet_pton(AF_INET, m_host.c_str(), &address.sin_addr) != 1) {
        return false;
    }
    UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket) {
        return false;
    }
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        return true;
    }
    if (errno != EINPROGRESS) {
        return false;
    }
    // Wait for the handshake to finish, restarting after signals with what is left of the limit.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + m_timeout;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd waiting{socket.get(), POLLOUT, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready > 0) {
            break;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
        return false;
    }
    return error == 0;
}
