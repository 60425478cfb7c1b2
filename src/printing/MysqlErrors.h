#pragma once

#include <string>

// Raises the typed error for a client library error number and its message.
// During the session's opening every error is a ConnectionFailedError.
[[noreturn]] void ThrowMysqlError(unsigned code, const std::string& message, bool connecting);

// Whether the error number means the session itself is gone.
bool IsConnectionLost(unsigned code) noexcept;
