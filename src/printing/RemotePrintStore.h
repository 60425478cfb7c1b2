#pragma once

#include "printing/ConnectionSettings.h"
#include "printing/DatabaseConnection.h"
#include "printing/DatabaseQuery.h"

// The agent's objects on the remote database: the one connection and its three query objects,
// created closed and holding their statements (db_aux starts with the jobs' clearing statement;
// each command sets its own text before running it).
struct RemotePrintStore {
    explicit RemotePrintStore(ConnectionSettings settings = ConnectionSettings::FromDeployment());

    DatabaseConnection DBConexaoServidorMobile;
    DatabaseQuery db_busca_impressao;
    DatabaseQuery db_impressoras;
    DatabaseQuery db_aux;
};
