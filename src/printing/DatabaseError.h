#pragma once

#include <stdexcept>
#include <string>

// A failure of the remote database. The text is the one the operator reads: the server's or the
// client library's own message. The code is the library's error number (0 for our own checks).
class DatabaseError : public std::runtime_error {
public:
    DatabaseError(const std::string& message, unsigned code)
        : std::runtime_error(message), m_code(code) {}

    unsigned code() const noexcept { return m_code; }

private:
    unsigned m_code;
};
