#pragma once

#include <chrono>

// The agent's waits go through this, so tests can see their order and length without waiting.
class Sleeper {
public:
    virtual ~Sleeper() = default;

    // Blocks the calling thread for the given time.
    virtual void Sleep(std::chrono::milliseconds duration) = 0;
};
