#include "LoopbackHttpServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

void Require(bool ok, const std::string& what) {
    if (!ok) {
        throw std::runtime_error("loopback server: " + what);
    }
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// Header values of a request head, by name.
std::vector<std::string> HeaderValues(std::string_view head, std::string_view name) {
    std::vector<std::string> values;
    std::size_t start = head.find("\r\n");
    while (start != std::string_view::npos && start + 2 < head.size()) {
        start += 2;
        const std::size_t end = head.find("\r\n", start);
        const std::string_view line = head.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos && EqualsIgnoringCase(line.substr(0, colon), name)) {
            values.emplace_back(Trim(line.substr(colon + 1)));
        }
        start = end;
    }
    return values;
}

struct SslDeleter {
    void operator()(SSL* ssl) const noexcept { SSL_free(ssl); }
};

UniqueFd BindLoopback(int& port) {
    UniqueFd socketFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    Require(static_cast<bool>(socketFd), "socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Require(::bind(socketFd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0,
            "bind");
    socklen_t length = sizeof address;
    Require(::getsockname(socketFd.get(), reinterpret_cast<sockaddr*>(&address), &length) == 0,
            "getsockname");
    port = ntohs(address.sin_port);
    return socketFd;
}

} // namespace

std::string CapturedRequest::RequestLine() const {
    return head.substr(0, head.find("\r\n"));
}

std::vector<std::string> CapturedRequest::Headers(std::string_view name) const {
    return HeaderValues(head, name);
}

std::string CapturedRequest::Header(std::string_view name) const {
    const auto values = Headers(name);
    EXPECT_EQ(values.size(), 1u) << "header " << name << " in:\n" << head;
    return values.empty() ? std::string() : values.front();
}

// A connection's byte stream, plain or TLS, recording everything it reads.
struct LoopbackHttpServer::Stream {
    int fd = -1;
    SSL* ssl = nullptr;
    std::string received;
    std::size_t consumed = 0; // bytes of `received` already handed out

    bool Fill() {
        char buffer[64 * 1024];
        const int got = ssl != nullptr ? SSL_read(ssl, buffer, sizeof buffer)
                                       : static_cast<int>(::read(fd, buffer, sizeof buffer));
        if (got <= 0) {
            return false;
        }
        received.append(buffer, static_cast<std::size_t>(got));
        return true;
    }
    bool Write(std::string_view data) {
        while (!data.empty()) {
            const int sent =
                ssl != nullptr
                    ? SSL_write(ssl, data.data(), static_cast<int>(data.size()))
                    : static_cast<int>(::send(fd, data.data(), data.size(), MSG_NOSIGNAL));
            if (sent <= 0) {
                return false;
            }
            data.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }
    // The bytes up to and including the delimiter.
    std::optional<std::string> ReadThrough(std::string_view delimiter) {
        for (;;) {
            const std::size_t at = received.find(delimiter, consumed);
            if (at != std::string::npos) {
                std::string part = received.substr(consumed, at + delimiter.size() - consumed);
                consumed = at + delimiter.size();
                return part;
            }
            if (!Fill()) {
                return std::nullopt;
            }
        }
    }
    std::optional<std::string> ReadExactly(std::size_t count) {
        while (received.size() - consumed < count) {
            if (!Fill()) {
                return std::nullopt;
            }
        }
        std::string part = received.substr(consumed, count);
        consumed += count;
        return part;
    }
};

LoopbackHttpServer::LoopbackHttpServer(std::optional<Tls> tls) : m_tls(std::move(tls)) {
    if (m_tls) {
        SSL_CTX* context = SSL_CTX_new(TLS_server_method());
        Require(context != nullptr, "SSL_CTX_new");
        m_sslContext = context;
        Require(SSL_CTX_use_certificate_file(context, m_tls->certificateFile.c_str(),
                                             SSL_FILETYPE_PEM) == 1,
                "loading the certificate");
        Require(SSL_CTX_use_PrivateKey_file(context, m_tls->keyFile.c_str(), SSL_FILETYPE_PEM) == 1,
                "loading the key");
    }
    m_listener = BindLoopback(m_port);
    Require(::listen(m_listener.get(), 8) == 0, "listen");
    int pipeFds[2];
    Require(::pipe2(pipeFds, O_CLOEXEC) == 0, "pipe");
    m_wakeRead.reset(pipeFds[0]);
    m_wakeWrite.reset(pipeFds[1]);
    m_thread = std::thread([this] { Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    const char stop = 'x';
    (void)!::write(m_wakeWrite.get(), &stop, 1);
    m_thread.join();
    SSL_CTX_free(static_cast<SSL_CTX*>(m_sslContext));
}

std::string LoopbackHttpServer::Url(std::string_view path) const {
    return std::string(m_tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(m_port) +
           std::string(path);
}

void LoopbackHttpServer::Respond(std::string statusLine, std::string body) {
    std::lock_guard lock(m_mutex);
    m_statusLine = std::move(statusLine);
    m_replyBody = std::move(body);
}

void LoopbackHttpServer::NeverAnswer() {
    std::lock_guard lock(m_mutex);
    m_neverAnswer = true;
}

std::vector<CapturedRequest> LoopbackHttpServer::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

int LoopbackHttpServer::Connections() const {
    std::lock_guard lock(m_mutex);
    return m_connections;
}

void LoopbackHttpServer::Serve() {
    for (;;) {
        pollfd watched[2] = {{m_listener.get(), POLLIN, 0}, {m_wakeRead.get(), POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (watched[1].revents != 0) {
            return;
        }
        UniqueFd connection(::accept4(m_listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (connection) {
            {
                std::lock_guard lock(m_mutex);
                ++m_connections;
            }
            HandleConnection(std::move(connection));
        }
    }
}

void LoopbackHttpServer::WaitForStop() const {
    pollfd wake{m_wakeRead.get(), POLLIN, 0};
    while (::poll(&wake, 1, -1) < 0 && errno == EINTR) {
    }
}

void LoopbackHttpServer::HandleConnection(UniqueFd connection) {
    // A client that stops sending cannot hold the server forever.
    timeval limit{10, 0};
    ::setsockopt(connection.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);

    Stream stream;
    stream.fd = connection.get();
    std::unique_ptr<SSL, SslDeleter> ssl;
    if (m_sslContext != nullptr) {
        ssl.reset(SSL_new(static_cast<SSL_CTX*>(m_sslContext)));
        if (!ssl || SSL_set_fd(ssl.get(), connection.get()) != 1 || SSL_accept(ssl.get()) != 1) {
            ERR_clear_error();
            return;
        }
        stream.ssl = ssl.get();
    }

    CapturedRequest request;
    const auto head = stream.ReadThrough("\r\n\r\n");
    if (!head) {
        return;
    }
    request.head = *head;
    for (const auto& expect : HeaderValues(request.head, "Expect")) {
        if (EqualsIgnoringCase(expect, "100-continue")) {
            stream.Write("HTTP/1.1 100 Continue\r\n\r\n");
        }
    }
    const auto encodings = HeaderValues(request.head, "Transfer-Encoding");
    const auto lengths = HeaderValues(request.head, "Content-Length");
    bool complete = true;
    if (!encodings.empty() && EqualsIgnoringCase(encodings.front(), "chunked")) {
        for (;;) {
            const auto sizeLine = stream.ReadThrough("\r\n");
            if (!sizeLine) {
                complete = false;
                break;
            }
            const std::size_t size = std::stoul(*sizeLine, nullptr, 16);
            if (size == 0) {
                complete = stream.ReadThrough("\r\n").has_value(); // no trailers expected
                break;
            }
            const auto chunk = stream.ReadExactly(size + 2);
            if (!chunk) {
                complete = false;
                break;
            }
            request.body.append(*chunk, 0, size);
        }
    } else if (!lengths.empty()) {
        const auto body = stream.ReadExactly(std::stoul(lengths.front()));
        complete = body.has_value();
        request.body = body.value_or(std::string());
    }
    request.raw = stream.received;

    std::string reply;
    bool neverAnswer = false;
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(std::move(request));
        neverAnswer = m_neverAnswer;
        reply = m_statusLine + "\r\nContent-Length: " + std::to_string(m_replyBody.size()) +
                "\r\nConnection: close\r\n\r\n" + m_replyBody;
    }
    if (!complete) {
        return;
    }
    if (neverAnswer) {
        WaitForStop();
        return;
    }
    if (stream.Write(reply) && ssl) {
        SSL_shutdown(ssl.get());
    }
}

RefusingPort::RefusingPort() {
    m_socket = BindLoopback(m_port);
}

std::string RefusingPort::Url() const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/api/messages/send";
}
