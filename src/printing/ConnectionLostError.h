#pragma once

#include "printing/DatabaseError.h"

// An open session broke: the server went away, restarted or killed the connection.
class ConnectionLostError : public DatabaseError {
public:
    using DatabaseError::DatabaseError;
};
