#pragma once

#include "common/Notices.h"
#include "common/PollTimer.h"
#include "platform/PrintSystem.h"
#include "platform/ProcessTable.h"
#include "platform/ProgramLauncher.h"
#include "platform/Sleeper.h"
#include "platform/WindowCloser.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Stand-ins for the operating system's services, each writing what it was asked to do into one
// shared journal, so a test sees the order of the calls across all of them.
using Journal = std::vector<std::string>;

class RecordingSleeper : public Sleeper {
public:
    explicit RecordingSleeper(Journal& journal) : m_journal(journal) {}
    void Sleep(std::chrono::milliseconds duration) override {
        m_journal.push_back("sleep " + std::to_string(duration.count()));
    }

private:
    Journal& m_journal;
};

// Printers by name; an unknown name is refused as the real print system refuses it.
class FakePrintSystem : public PrintSystem {
public:
    explicit FakePrintSystem(Journal& journal) : m_journal(journal) {}
    std::vector<std::string> PrinterNames() const override { return printers; }
    std::string DefaultPrinter() const override { return defaultPrinter; }
    void SetDefaultPrinter(const std::string& name) override {
        if (std::find(printers.begin(), printers.end(), name) == printers.end()) {
            throw PrintSystemError("A impressora \"" + name + "\" não está instalada");
        }
        m_journal.push_back("default " + name);
        defaultPrinter = name;
    }
    void PrintFile(const std::string& documentPath) override {
        if (refusal) {
            throw PrintSystemError(*refusal);
        }
        m_journal.push_back("print " + documentPath + " on " + defaultPrinter);
    }

    std::vector<std::string> printers{"PDF", "Balcao"};
    std::string defaultPrinter = "PDF";
    std::optional<std::string> refusal;

private:
    Journal& m_journal;
};

class RecordingLauncher : public ProgramLauncher {
public:
    explicit RecordingLauncher(Journal& journal) : m_journal(journal) {}
    void Start(const std::string& program, const std::string& parameterLine) override {
        if (failure) {
            throw ProgramLaunchError(*failure);
        }
        m_journal.push_back("start " + program + " " + parameterLine);
        if (onStart) {
            onStart();
        }
    }

    std::optional<std::string> failure;
    std::function<void()> onStart; // sees the world as the started program would

private:
    Journal& m_journal;
};

class RecordingWindowCloser : public WindowCloser {
public:
    explicit RecordingWindowCloser(Journal& journal) : m_journal(journal) {}
    bool RequestClose(const std::string& title) override {
        m_journal.push_back("close " + title);
        return windowExists;
    }

    bool windowExists = true;

private:
    Journal& m_journal;
};

// A fixed list of processes; each termination succeeds unless its pid is listed as protected.
class FakeProcessTable : public ProcessTable {
public:
    explicit FakeProcessTable(Journal& journal) : m_journal(journal) {}
    std::optional<std::vector<Entry>> Snapshot() const override {
        if (!available) {
            return std::nullopt;
        }
        return entries;
    }
    bool Terminate(int pid) override {
        m_journal.push_back("terminate " + std::to_string(pid));
        return std::find(protectedPids.begin(), protectedPids.end(), pid) == protectedPids.end();
    }

    std::vector<Entry> entries;
    std::vector<int> protectedPids;
    bool available = true;

private:
    Journal& m_journal;
};

struct Notice {
    std::string caption;
    std::string text;
    bool operator==(const Notice&) const = default;
};

class RecordingNotices : public Notices {
public:
    RecordingNotices(Journal& journal, std::string name)
        : m_journal(journal), m_name(std::move(name)) {}
    void Show(const std::string& caption, const std::string& text) override {
        shown.push_back({caption, text});
        m_journal.push_back(m_name + " " + caption);
    }

    std::vector<Notice> shown;

private:
    Journal& m_journal;
    std::string m_name;
};

class RecordingTimer : public PollTimer {
public:
    explicit RecordingTimer(Journal& journal) : m_journal(journal) {}
    void SetEnabled(bool enabled) override {
        m_enabled = enabled;
        m_journal.push_back(enabled ? "timer on " + std::to_string(m_interval) : "timer off");
    }
    bool Enabled() const override { return m_enabled; }
    void SetInterval(int milliseconds) override { m_interval = milliseconds; }
    int Interval() const override { return m_interval; }

private:
    Journal& m_journal;
    bool m_enabled = false;
    int m_interval = 1000;
};
