#pragma once

class ApplicationControl;
class ConnectivityProbe;
class MessageBoxes;
class PollTimer;
class PrinterRegistry;

// The second half of start-up, run right after the settings and the computer's identity are
// settled: refuse to run without internet, publish this computer's printers, start polling.
class OnlineStartup {
public:
    OnlineStartup(const ConnectivityProbe& probe, PrinterRegistry& registry, PollTimer& timer,
                  MessageBoxes& boxes, ApplicationControl& application);

    // True when the timer has been enabled. False when the internet was unreachable: its message
    // was shown and the application's end requested, with no database access. An error of the
    // printer registration passes to the caller with the timer still disabled.
    bool Run();

private:
    const ConnectivityProbe& m_probe;
    PrinterRegistry& m_registry;
    PollTimer& m_timer;
    MessageBoxes& m_boxes;
    ApplicationControl& m_application;
};
