#pragma once

#include "printing/ConnectionSettings.h"
#include "printing/ConnectivityProbe.h"

// Where the agent reaches the outside: the remote database and the connectivity probe's endpoint.
// The agent uses the values built into it; tests point them at services of their own.
struct RemoteEndpoints {
    ConnectionSettings database = ConnectionSettings::FromDeployment();
    ConnectivityProbe probe = ConnectivityProbe::FromDeployment();
};
