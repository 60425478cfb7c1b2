#pragma once

#include "common/UniqueFd.h"

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// One request as it reached the server.
struct CapturedRequest {
    std::string head; // request line and header lines up to and including the blank line
    std::string body; // the body, with any chunked framing removed
    std::string raw;  // every byte received on the connection, framing included

    std::string RequestLine() const;
    // Values of every header with this name (compared case-insensitively), in order of arrival.
    std::vector<std::string> Headers(std::string_view name) const;
    // The value of the only header with this name; fails the calling test otherwise.
    std::string Header(std::string_view name) const;
};

// An HTTP/1.1 server on an ephemeral loopback port, optionally behind TLS, that records every
// request it receives and answers each with one configurable status line and body. It serves one
// connection at a time on its own thread, answers "Expect: 100-continue" at once, and closes the
// connection after each reply.
class LoopbackHttpServer {
public:
    struct Tls {
        std::filesystem::path certificateFile;
        std::filesystem::path keyFile;
    };

    explicit LoopbackHttpServer(std::optional<Tls> tls = std::nullopt);
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;
    ~LoopbackHttpServer();

    // "http://127.0.0.1:<port><path>", or https with TLS.
    std::string Url(std::string_view path = "/api/messages/send") const;

    // The reply for the next requests: a status line such as "HTTP/1.1 201 Created" and a body.
    void Respond(std::string statusLine, std::string body = {});
    // Read each request and then never answer, until the server is destroyed.
    void NeverAnswer();

    std::vector<CapturedRequest> Requests() const;
    // TCP connections accepted so far, TLS handshakes that failed included.
    int Connections() const;

private:
    struct Stream;

    void Serve();
    void HandleConnection(UniqueFd connection);
    void WaitForStop() const;

    std::optional<Tls> m_tls;
    void* m_sslContext = nullptr; // SSL_CTX*, kept out of this header
    UniqueFd m_listener;
    UniqueFd m_wakeRead;
    UniqueFd m_wakeWrite;
    int m_port = 0;

    mutable std::mutex m_mutex;
    std::string m_statusLine = "HTTP/1.1 200 OK";
    std::string m_replyBody;
    bool m_neverAnswer = false;
    std::vector<CapturedRequest> m_requests;
    int m_connections = 0;

    std::thread m_thread;
};

// A loopback port on which nothing listens: the socket is bound, so no one else takes the port,
// but not listening, so every connection attempt is refused.
class RefusingPort {
public:
    RefusingPort();
    int Port() const { return m_port; }
    std::string Url() const;

private:
    UniqueFd m_socket;
    int m_port = 0;
};
