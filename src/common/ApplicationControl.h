#pragma once

// The application object as core logic needs it.
class ApplicationControl {
public:
    virtual ~ApplicationControl() = default;

    // A quit request: the message loop ends at its next turn (or never starts, when the request
    // comes during start-up) and the process exits with status 0.
    virtual void Terminate() = 0;
    virtual bool Terminated() const = 0;
};
