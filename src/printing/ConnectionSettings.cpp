#include "printing/ConnectionSettings.h"

#include "DeploymentValues.h"

ConnectionSettings ConnectionSettings::FromDeployment() {
    ConnectionSettings settings;
    settings.host = deployment::kDbHost;
    settings.port = deployment::kDbPort;
    settings.database = deployment::kDbName;
    settings.user = deployment::kDbUser;
    settings.password = deployment::kDbPassword;
    return settings;
}
