#include "platform/linux/ThreadSleeper.h"

#include <thread>

void ThreadSleeper::Sleep(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}
