#pragma once

#include <stdexcept>
#include <string>

// A message that could not be sent: no exchange with the gateway (connection, TLS, a broken
// reply), a media file that cannot be read, or a request that cannot be built. The text is the
// one the operator reads.
class MessagingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The gateway answered a media upload with a status other than 2xx.
class GatewayStatusError : public MessagingError {
public:
    GatewayStatusError(long statusCode, std::string reasonPhrase, std::string body);

    long StatusCode() const { return m_statusCode; }
    const std::string& ReasonPhrase() const { return m_reasonPhrase; }
    const std::string& Body() const { return m_body; }

private:
    long m_statusCode;
    std::string m_reasonPhrase;
    std::string m_body;
};
