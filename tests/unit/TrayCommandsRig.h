#pragma once

#include "PlatformFakes.h"
#include "app/TrayCommands.h"
#include "common/TParametros.h"
#include "platform/GuidGenerator.h"
#include "printing/PrinterRegistry.h"
#include "printing/RemotePrintStore.h"
#include "support/RecordingMessageBoxes.h"
#include "support/StartupFakes.h"
#include "support/TemporaryDirectory.h"

#include <cstdlib>
#include <optional>
#include <string>

// Sets or clears an environment variable for the scope's lifetime.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::optional<std::string>& value) : m_name(name) {
        if (const char* previous = std::getenv(name)) {
            m_previous = previous;
        }
        Set(value);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() { Set(m_previous); }

private:
    void Set(const std::optional<std::string>& value) {
        if (value) {
            ::setenv(m_name, value->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }

    const char* m_name;
    std::optional<std::string> m_previous;
};

// Remembers the text the dialog was given before it was shown.
class RecordingCnpjPrompt : public ScriptedCnpjPrompt {
public:
    void SetEntryText(const std::string& text) override {
        given.push_back(text);
        ScriptedCnpjPrompt::SetEntryText(text);
    }
    std::vector<std::string> given;
};

class CountingGuids : public GuidGenerator {
public:
    std::optional<Bytes> Generate() override {
        Bytes bytes{};
        bytes[15] = static_cast<std::uint8_t>(++m_count);
        bytes[14] = static_cast<std::uint8_t>(m_count >> 8);
        return bytes;
    }

private:
    unsigned m_count = 0;
};

// The tray commands with everything around them: a working folder as the current directory (with
// its LOG folder), the autostart configuration under a temporary folder, recording stand-ins for
// the operator's side and a registry publishing two fake printers through the given store.
struct TrayCommandsRig {
    explicit TrayCommandsRig(ConnectionSettings settings)
        : workingDirectory(work.path()), xdgConfigHome("XDG_CONFIG_HOME", config.path().string()),
          store(std::move(settings)), registry(store, parametros, printSystem, guids),
          commands(parametros, boxes, prompt, application, timer, alertaErro, store, registry,
                   program) {
        std::filesystem::create_directory(work.path() / "LOG");
        parametros.CNPJ = "11222333000181";
        parametros.Computador = "CAIXA-01";
        boxes.onShow = [this](const std::string& text) {
            timerAtBox.push_back(text + (timer.Enabled() ? " [timer on]" : " [timer off]"));
        };
    }

    std::filesystem::path iniPath() const { return work.path() / "App.ini"; }
    std::filesystem::path entryPath() const {
        return config.path() / "autostart" / "Servidor de impressão.desktop";
    }

    TemporaryDirectory work;
    TemporaryDirectory config;
    ScopedCurrentDirectory workingDirectory;
    ScopedEnvironment xdgConfigHome;
    std::filesystem::path program = "/opt/servidor/servidor-impressao";
    Journal journal;
    RecordingTimer timer{journal};
    RecordingNotices alertaErro{journal, "AlertaErro"};
    RecordingMessageBoxes boxes;
    std::vector<std::string> timerAtBox;
    RecordingCnpjPrompt prompt;
    RecordingApplication application;
    TParametros parametros;
    FakePrintSystem printSystem{journal};
    CountingGuids guids;
    RemotePrintStore store;
    PrinterRegistry registry;
    TrayCommands commands;
};
