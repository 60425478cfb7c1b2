#pragma once

// The poll timer as core logic sees it: ticks every Interval() ms while enabled, the first one an
// interval after it is enabled.
class PollTimer {
public:
    virtual ~PollTimer() = default;

    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetInterval(int milliseconds) = 0;
    virtual int Interval() const = 0;
};
