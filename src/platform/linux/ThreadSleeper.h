#pragma once

#include "platform/Sleeper.h"

// Really waits: blocks the calling thread.
class ThreadSleeper : public Sleeper {
public:
    void Sleep(std::chrono::milliseconds duration) override;
};
