#pragma once

#include "common/UniqueFd.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>

// A TCP socket on 127.0.0.1 at a port the kernel picks. With listen() it takes connections into
// its backlog without anyone accepting them; without, connections to its port are refused.
class LoopbackListener {
public:
    explicit LoopbackListener(bool listening = true, int backlog = 16)
        : m_socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (!m_socket || ::bind(m_socket.get(), reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::getsockname(m_socket.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
            (listening && ::listen(m_socket.get(), backlog) != 0)) {
            throw std::runtime_error("cannot open a loopback socket");
        }
        m_port = ntohs(address.sin_port);
    }

    unsigned port() const { return m_port; }

    // The next connection of the backlog, or an empty descriptor when none came in time.
    UniqueFd accept(std::chrono::milliseconds limit) {
        pollfd waiting{m_socket.get(), POLLIN, 0};
        if (::poll(&waiting, 1, static_cast<int>(limit.count())) != 1) {
            return UniqueFd();
        }
        return UniqueFd(::accept4(m_socket.get(), nullptr, nullptr, SOCK_CLOEXEC));
    }

private:
    UniqueFd m_socket;
    unsigned m_port = 0;
};
