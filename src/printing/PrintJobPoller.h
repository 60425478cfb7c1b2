#pragma once

class ConnectivityProbe;
class DatabaseQuery;
class Notices;
class PollTimer;
class PrintSystem;
class ProcessTable;
class ProgramLauncher;
class Sleeper;
class WindowCloser;
struct RemotePrintStore;
struct TParametros;

// The operating system's services a printout needs.
struct PrintServices {
    PrintSystem& printSystem;
    ProgramLauncher& launcher;
    WindowCloser& windows;
    ProcessTable& processes;
    Sleeper& sleeper;
};

// The poll cycle run on each tick of the poll timer: while the probe reaches the internet, every
// pending job of this computer is written to PDF/<GUID>.pdf under the current directory, printed
// on its printer through the program the settings pick, optionally deleted, and marked printed.
// A failing job stops the cycle through the caught-error path and stays pending for the next one.
class PrintJobPoller {
public:
    PrintJobPoller(const TParametros& parametros, PollTimer& timer, const ConnectivityProbe& probe,
                   RemotePrintStore& store, PrintServices services, Notices& alerta,
                   Notices& alertaErro);

    // One cycle; nothing it raises leaves it.
    void TimerEnviaMsgTimer();

private:
    void printPendingJobs();
    void printCurrentJob(DatabaseQuery& jobs);

    const TParametros& m_parametros;
    PollTimer& m_timer;
    const ConnectivityProbe& m_probe;
    RemotePrintStore& m_store;
    PrintServices m_services;
    Notices& m_alerta;
    Notices& m_alertaErro;
};
