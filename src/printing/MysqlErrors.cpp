#include "printing/MysqlErrors.h"

#include "printing/ConnectionFailedError.h"
#include "printing/ConnectionLostError.h"
#include "printing/StatementRejectedError.h"

#include <errmsg.h>
#include <mysqld_error.h>

bool IsConnectionLost(unsigned code) noexcept {
    switch (code) {
    case CR_SERVER_GONE_ERROR:
    case CR_SERVER_LOST:
    case CR_SERVER_LOST_EXTENDED:
    case CR_CONNECTION_ERROR:
    case CR_CONN_HOST_ERROR:
    case ER_SERVER_SHUTDOWN:
    case ER_CONNECTION_KILLED:
    case ER_NET_READ_ERROR:
    case ER_NET_READ_INTERRUPTED:
    case ER_NET_ERROR_ON_WRITE:
    case ER_NET_WRITE_INTERRUPTED:
        return true;
    default:
        return false;
    }
}

void ThrowMysqlError(unsigned code, const std::string& message, bool connecting) {
    if (connecting) {
        throw ConnectionFailedError(message, code);
    }
    if (IsConnectionLost(code)) {
        throw ConnectionLostError(message, code);
    }
    // Numbers below the client range come from the server: it read the statement and refused it.
    if (code > 0 && code < CR_MIN_ERROR) {
        throw StatementRejectedError(message, code);
    }
    throw DatabaseError(message, code);
}
