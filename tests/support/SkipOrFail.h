#pragma once

#include <cstdlib>
#include <gtest/gtest.h>

// Inside SetUp or a test: a missing service skips the test, or fails it when the environment
// variable says the service is required (dev/test.sh sets them, so CI never skips).
#define AGENT_SKIP_OR_FAIL(requiredVariable, reason)                                               \
    do {                                                                                           \
        if (std::getenv(requiredVariable) != nullptr) {                                            \
            FAIL() << (reason);                                                                    \
        }                                                                                          \
        GTEST_SKIP() << (reason);                                                                  \
    } while (0)
