#pragma once

#include "printing/ConnectionSettings.h"

#include <chrono>

// The agent's database settings pointed at a loopback port of the test's own (a listener that
// refuses, or takes connections and never answers), with every network wait bounded by timeout.
inline ConnectionSettings LoopbackDatabaseAt(unsigned port, std::chrono::seconds timeout) {
    ConnectionSettings settings = ConnectionSettings::FromDeployment();
    settings.host = "127.0.0.1";
    settings.port = port;
    settings.connectTimeout = timeout;
    settings.readTimeout = timeout;
    settings.writeTimeout = timeout;
    return settings;
}
