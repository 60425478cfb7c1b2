#pragma once

#include "printing/DatabaseError.h"

// The session could not be opened: server unreachable, login refused, unknown database.
class ConnectionFailedError : public DatabaseError {
public:
    using DatabaseError::DatabaseError;
};
