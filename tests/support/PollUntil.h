#pragma once

#include <chrono>
#include <thread>

// Checks the condition every few milliseconds until it holds or the time is up; returns its
// last value. For what another process does at its own pace.
template <typename Condition>
bool PollUntil(Condition condition,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(10000)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return condition();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}
