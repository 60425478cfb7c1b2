#pragma once

#include "printing/DatabaseError.h"

// The server answered and refused the statement (unknown table, syntax, constraint, rights).
class StatementRejectedError : public DatabaseError {
public:
    using DatabaseError::DatabaseError;
};
